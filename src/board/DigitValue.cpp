#include "board/DigitValue.h"

#include <cmath>

QString DigitValue::toText() const {
    if (m_kind == Kind::Text)
        return m_text;
    if (!std::isfinite(m_number))
        return QString();
    if (std::trunc(m_number) == m_number && std::fabs(m_number) < 1e15)
        return QString::number(static_cast<qint64>(m_number));
    return QString::number(m_number, 'g', 15);
}

QVariant DigitValue::toVariant() const {
    if (m_kind == Kind::Text)
        return QVariant(m_text);
    if (std::trunc(m_number) == m_number && std::fabs(m_number) <= 2147483647.0)
        return QVariant(static_cast<int>(m_number));
    return QVariant(m_number);
}

DigitValue DigitValue::fromVariant(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::QString:
    case QMetaType::QByteArray:
        return text(v.toString());
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
        return number(v.toDouble());
    case QMetaType::Bool:
        return number(v.toBool() ? -1 : 0);
    default:
        return v.isValid() ? text(v.toString()) : DigitValue();
    }
}
