#include "platform/PropertyBag.h"

namespace {

bool sameValue(const QVariant& a, const QVariant& b) {
    if (!a.isValid() || !b.isValid())
        return a.isValid() == b.isValid();
    const bool aText = a.typeId() == QMetaType::QString;
    const bool bText = b.typeId() == QMetaType::QString;
    if (aText != bText)
        return false;
    if (aText)
        return a.toString() == b.toString();
    return a.toDouble() == b.toDouble();
}

} // namespace

QVariant PropertyBag::ReadProperty(const QString& name, const QVariant& defaultValue) const {
    for (const auto& entry : m_entries) {
        if (entry.first.compare(name, Qt::CaseInsensitive) == 0)
            return entry.second;
    }
    return defaultValue;
}

void PropertyBag::WriteProperty(const QString& name, const QVariant& value, const QVariant& defaultValue) {
    if (defaultValue.isValid() && sameValue(value, defaultValue)) {
        for (qsizetype i = 0; i < m_entries.size(); ++i) {
            if (m_entries[i].first.compare(name, Qt::CaseInsensitive) == 0) {
                m_entries.removeAt(i);
                break;
            }
        }
        return;
    }
    set(name, value);
}

void PropertyBag::set(const QString& name, const QVariant& value) {
    for (auto& entry : m_entries) {
        if (entry.first.compare(name, Qt::CaseInsensitive) == 0) {
            entry.second = value;
            return;
        }
    }
    m_entries.append({name, value});
}

bool PropertyBag::contains(const QString& name) const {
    for (const auto& entry : m_entries) {
        if (entry.first.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

namespace props {

// Numbers are stored as their low bits, as a 16- or 32-bit store would keep them.
qint16 int16(const PropertyBag& bag, const QString& name, qint16 def) {
    const QVariant v = bag.ReadProperty(name, def);
    return static_cast<qint16>(static_cast<qint64>(v.toDouble()));
}

qint32 int32(const PropertyBag& bag, const QString& name, qint32 def) {
    const QVariant v = bag.ReadProperty(name, def);
    return static_cast<qint32>(static_cast<qint64>(v.toDouble()));
}

bool boolean(const PropertyBag& bag, const QString& name, bool def) {
    const QVariant v = bag.ReadProperty(name, def);
    if (v.typeId() == QMetaType::Bool)
        return v.toBool();
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed();
        return s.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0 || (s.toInt() != 0);
    }
    return v.toDouble() != 0;
}

QString text(const PropertyBag& bag, const QString& name, const QString& def) {
    return bag.ReadProperty(name, def).toString();
}

} // namespace props
