#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// The sample plug-ins of the demo, read from the source tree.
inline QString samplePath(const char* name) {
    return QStringLiteral(CORVANE_SOURCE_DIR "/data/demo/") + QLatin1String(name);
}

inline QByteArray sampleBytes(const char* name) {
    QFile f(samplePath(name));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

// A small valid plug-in that tests extend with a few lines.
inline QByteArray minimalPlugin(const QByteArray& more = {}) {
    return QByteArray("[plugin]\nformat = 1\n") + more;
}
