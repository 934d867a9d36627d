#pragma once

// What the GTFS tests share: feeds written from tables, and the import command run
// in process.
#include "gtfs/GtfsCli.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTextStream>
#include <gtest/gtest.h>

namespace gtfstest {

// A feed's tables by file name.
using Tables = QMap<QString, QByteArray>;

// Writes the tables as a feed folder `dir` (made if need be) and returns it.
inline QString writeFolder(const QString& dir, const Tables& tables) {
    QDir().mkpath(dir);
    for (auto it = tables.cbegin(); it != tables.cend(); ++it) {
        QFile f(QDir(dir).filePath(it.key()));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(it.value());
    }
    return dir;
}

inline QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

struct CliRun {
    int status = 0;
    QString out;
    QString err;
};

// `corvane route import-gtfs ARGS` in process.
inline CliRun run(const QStringList& args) {
    CliRun r;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    r.status = importGtfsCommand(args, out, err);
    out.flush();
    err.flush();
    return r;
}

} // namespace gtfstest
