#include "gtfs/OutputFiles.h"

#include "platform/SaveFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace gtfs {
namespace {

QString systemError(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

} // namespace

OutputFiles::OutputFiles(const QString& folder) : m_folder(folder) {}

OutputFiles::~OutputFiles() {
    if (!m_staging.isEmpty())
        QDir(m_staging).removeRecursively();
}

QString OutputFiles::pathOf(const QString& name) const {
    return QDir(m_folder).filePath(name);
}

bool OutputFiles::begin(const QString& firstName, QString& error) {
    if (!QDir().mkpath(m_folder)) {
        error = QStringLiteral("%1: cannot create the folder").arg(m_folder);
        return false;
    }
    QByteArray pattern = native(QDir(m_folder).filePath(QStringLiteral(".corvane-import-XXXXXX")));
    if (!::mkdtemp(pattern.data())) {
        error = QStringLiteral("%1: %2").arg(pathOf(firstName), systemError(errno));
        return false;
    }
    m_staging = QFile::decodeName(pattern);
    return true;
}

bool OutputFiles::add(const QString& name, const QByteArray& bytes, QString& error) {
    const QString target = pathOf(name);
    QString problem = savefile::targetProblem(target);
    if (problem.isEmpty() && !m_names.contains(name) &&
        !savefile::write(QDir(m_staging).filePath(name), bytes, &problem) && problem.isEmpty())
        problem = QStringLiteral("the file could not be written");
    if (!problem.isEmpty()) {
        error = QStringLiteral("%1: %2").arg(target, problem);
        return false;
    }
    if (!m_names.contains(name))
        m_names << name;
    return true;
}

bool OutputFiles::commit(QString& error) {
    const QString old = QDir(m_staging).filePath(QStringLiteral(".old"));
    if (::mkdir(native(old).constData(), 0700) != 0) {
        error = QStringLiteral("%1: %2").arg(m_folder, systemError(errno));
        return false;
    }
    struct Placed {
        QString target;
        QString kept; // the old file's second name; empty: there was none
    };
    QList<Placed> placed;
    const auto undo = [&] {
        for (auto it = placed.crbegin(); it != placed.crend(); ++it) {
            if (it->kept.isEmpty())
                ::unlink(native(it->target).constData());
            else
                std::rename(native(it->kept).constData(), native(it->target).constData());
        }
    };
    for (int i = 0; i < m_names.size(); ++i) {
        QString target = pathOf(m_names[i]);
        // A symbolic link stays; the file it leads to is replaced, as platform/SaveFile does.
        const QFileInfo info(target);
        if (info.isSymLink())
            target = info.canonicalFilePath().isEmpty() ? info.symLinkTarget() : info.canonicalFilePath();
        Placed p{target, QString()};
        if (QFileInfo::exists(target)) {
            p.kept = QDir(old).filePath(m_names[i]);
            // A second name where the file system has them, else a copy (FAT, as on a
            // memory stick, has no hard links).
            if (::link(native(target).constData(), native(p.kept).constData()) != 0) {
                const int code = errno;
                if (!QFile::copy(target, p.kept)) {
                    error = QStringLiteral("%1: %2").arg(target, systemError(code));
                    undo();
                    return false;
                }
            }
        }
        const bool allowed = !beforePlacing || beforePlacing(i);
        const QByteArray from = native(QDir(m_staging).filePath(m_names[i]));
        if (!allowed || std::rename(from.constData(), native(target).constData()) != 0) {
            error = QStringLiteral("%1: %2").arg(target, allowed ? systemError(errno)
                                                                 : QStringLiteral("not renamed"));
            if (!p.kept.isEmpty())
                ::unlink(native(p.kept).constData());
            undo();
            return false;
        }
        placed << p;
    }
    return true;
}

} // namespace gtfs
