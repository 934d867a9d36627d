#include "app/Json.h"

void JsonWriter::separate() {
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (!m_hasItem.isEmpty()) {
        if (m_hasItem.last())
            m_out += QLatin1Char(',');
        m_hasItem.last() = true;
    }
}

JsonWriter& JsonWriter::beginObject() {
    separate();
    m_out += QLatin1Char('{');
    m_hasItem.append(false);
    return *this;
}

JsonWriter& JsonWriter::endObject() {
    m_out += QLatin1Char('}');
    m_hasItem.removeLast();
    return *this;
}

JsonWriter& JsonWriter::beginArray() {
    separate();
    m_out += QLatin1Char('[');
    m_hasItem.append(false);
    return *this;
}

JsonWriter& JsonWriter::endArray() {
    m_out += QLatin1Char(']');
    m_hasItem.removeLast();
    return *this;
}

JsonWriter& JsonWriter::key(const QString& name) {
    separate();
    m_out += quote(name) + QLatin1Char(':');
    m_afterKey = true;
    return *this;
}

JsonWriter& JsonWriter::value(const QString& text) {
    separate();
    m_out += quote(text);
    return *this;
}

JsonWriter& JsonWriter::value(qint64 number) {
    separate();
    m_out += QString::number(number);
    return *this;
}

JsonWriter& JsonWriter::value(bool flag) {
    separate();
    m_out += flag ? QLatin1String("true") : QLatin1String("false");
    return *this;
}

JsonWriter& JsonWriter::null() {
    separate();
    m_out += QLatin1String("null");
    return *this;
}

QString JsonWriter::quote(const QString& text) {
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('"');
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '"':
            out += QLatin1String("\\\"");
            break;
        case '\\':
            out += QLatin1String("\\\\");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        case '\t':
            out += QLatin1String("\\t");
            break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    out += QLatin1Char('"');
    return out;
}
