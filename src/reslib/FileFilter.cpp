#include "reslib/FileFilter.h"

#include "platform/Cp932.h"

#include <QStringList>

namespace filefilter {

QByteArray make(const QVector<FileFilterEntry>& entries) {
    QByteArray out;
    for (const FileFilterEntry& e : entries) {
        out += cp932::encode(e.description);
        out += '\0';
        out += cp932::encode(e.pattern);
        out += '\0';
    }
    out += '\0';
    return out;
}

QVector<FileFilterEntry> parse(const QByteArray& filter) {
    QVector<QString> texts;
    qsizetype start = 0;
    while (start < filter.size()) {
        qsizetype end = filter.indexOf('\0', start);
        if (end < 0)
            end = filter.size();
        if (end == start)
            break; // the empty text that ends the filter
        texts.append(cp932::decode(filter.mid(start, end - start)));
        start = end + 1;
    }
    QVector<FileFilterEntry> out;
    for (qsizetype i = 0; i + 1 < texts.size(); i += 2)
        out.append(FileFilterEntry{texts[i], texts[i + 1]});
    return out;
}

QStringList nameFilters(const QVector<FileFilterEntry>& entries) {
    QStringList out;
    for (const FileFilterEntry& e : entries) {
        const QStringList patterns = e.pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts);
        out << QStringLiteral("%1 (%2)").arg(e.description, patterns.join(QLatin1Char(' ')));
    }
    return out;
}

} // namespace filefilter
