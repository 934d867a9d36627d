#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

// Files that an import writes into one folder together, all or none: each is written
// whole into a staging folder inside the target folder (the same file system, so each
// is then renamed into place), and only once every file is there are they put in
// place. The old version of each file is kept (as a second name, a hard link, or a copy
// where the file system has no hard links) until all are in place; a failure on the way
// puts every old file back and removes the new ones, so a failed import leaves the
// folder as it was. The staging folder (".corvane-import-XXXXXX") is removed in every
// case but a crash.
namespace gtfs {

class OutputFiles {
public:
    explicit OutputFiles(const QString& folder);
    ~OutputFiles();
    OutputFiles(const OutputFiles&) = delete;
    OutputFiles& operator=(const OutputFiles&) = delete;

    // Creates the folder when missing and the staging folder in it. `firstName` names
    // the first file in a message ("FOLDER/7.hy3: Permission denied").
    bool begin(const QString& firstName, QString& error);

    // Writes `bytes` as the file `name` of the folder, into the staging folder. A target
    // that exists as something other than a regular file is refused.
    bool add(const QString& name, const QByteArray& bytes, QString& error);

    // Puts every file added in place, or none of them (error set).
    bool commit(QString& error);

    QString pathOf(const QString& name) const;
    const QList<QString>& names() const { return m_names; }

    // Tests: called before each file is put in place (0, 1...); returning false makes
    // that step fail as a failed rename would.
    std::function<bool(int)> beforePlacing;

private:
    QString m_folder;
    QString m_staging;
    QList<QString> m_names;
};

} // namespace gtfs
