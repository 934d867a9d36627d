#pragma once

#include <QString>
#include <QStringList>

// A small JSON writer that keeps keys in the order they are added.
class JsonWriter {
public:
    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    JsonWriter& key(const QString& name);
    JsonWriter& value(const QString& text);
    JsonWriter& value(const char* text) { return value(QString::fromUtf8(text)); }
    JsonWriter& value(qint64 number);
    JsonWriter& value(int number) { return value(static_cast<qint64>(number)); }
    JsonWriter& value(bool flag);
    JsonWriter& null();

    const QString& text() const { return m_out; }
    static QString quote(const QString& text);

private:
    void separate();

    QString m_out;
    // For each open container: whether something was written into it yet.
    QList<bool> m_hasItem;
    bool m_afterKey = false;
};
