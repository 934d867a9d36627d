#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>

// Named stored properties of a control, in the order they were written. A property
// whose value equals its default is not written; reading a missing one gives the
// default.
class PropertyBag {
public:
    QVariant ReadProperty(const QString& name, const QVariant& defaultValue = QVariant()) const;
    void WriteProperty(const QString& name, const QVariant& value, const QVariant& defaultValue = QVariant());

    // Stores a value as it is, whatever the default (used by the design reader).
    void set(const QString& name, const QVariant& value);
    bool contains(const QString& name) const;
    const QList<QPair<QString, QVariant>>& entries() const { return m_entries; }
    bool isEmpty() const { return m_entries.isEmpty(); }

private:
    QList<QPair<QString, QVariant>> m_entries;
};

// Typed reads as the controls use them.
namespace props {
qint16 int16(const PropertyBag& bag, const QString& name, qint16 def);
qint32 int32(const PropertyBag& bag, const QString& name, qint32 def);
bool boolean(const PropertyBag& bag, const QString& name, bool def);
QString text(const PropertyBag& bag, const QString& name, const QString& def = QString());
} // namespace props
