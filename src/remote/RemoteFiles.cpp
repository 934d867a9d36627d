#include "remote/RemoteFiles.h"

#include "platform/ConfigFile.h"
#include "remote/RemoteProtocol.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace remote {
namespace {

QString xdgFolder(const char* variable, const QString& fallback) {
    QString base = qEnvironmentVariable(variable);
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + fallback;
    return base;
}

constexpr qint64 kMaxTokenFileBytes = 4096;

// Whether `path` is `folder` or lies inside it (both canonical).
bool inside(const QString& path, const QString& folder) {
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

} // namespace

QString defaultTokenPath() {
    return configfile::userFile(QStringLiteral("remote.token"));
}

QString defaultRemoteFolder() {
    return xdgFolder("XDG_DATA_HOME", QStringLiteral("/.local/share")) + QStringLiteral("/corvane/remote");
}

TokenResult readToken(const QString& path) {
    TokenResult r;
    const regularfile::Result file = configfile::read(path, kMaxTokenFileBytes);
    switch (file.status) {
    case regularfile::Status::Read:
        break;
    case regularfile::Status::Missing:
        r.error = QStringLiteral("there is no token file %1").arg(path);
        return r;
    case regularfile::Status::NotRegular:
        r.error = QStringLiteral("the token file %1 is not a regular file").arg(path);
        return r;
    case regularfile::Status::TooLarge:
        r.error =
            QStringLiteral("the token file %1 is larger than %2 bytes").arg(path).arg(kMaxTokenFileBytes);
        return r;
    case regularfile::Status::Failed:
        if (file.error == ENOENT) {
            r.error = QStringLiteral("there is no token file %1").arg(path);
            return r;
        }
        r.error = QStringLiteral("cannot read the token file %1: %2")
                      .arg(path, QString::fromLocal8Bit(std::strerror(file.error)));
        return r;
    }
    const QByteArray token = file.bytes.trimmed();
    const bool visible = std::all_of(token.begin(), token.end(), [](char c) { return c > ' ' && c < 127; });
    if (token.size() < 16 || token.size() > 1024 || !visible) {
        r.error =
            QStringLiteral("the token file %1 must hold one token of 16 to 1024 visible ASCII characters")
                .arg(path);
        return r;
    }
    r.token = token;
    return r;
}

TokenResult loadOrCreateToken(const QString& path) {
    struct stat st {};
    const QByteArray native = QFile::encodeName(path);
    if (::lstat(native.constData(), &st) != 0 && errno == ENOENT) {
        const QString folder = QFileInfo(path).absolutePath();
        if (!QDir().mkpath(folder)) {
            TokenResult r;
            r.error = QStringLiteral("cannot make the folder %1 for the token file").arg(folder);
            return r;
        }
        quint32 random[8];
        QRandomGenerator::system()->fillRange(random);
        const QByteArray token = QByteArray(reinterpret_cast<const char*>(random), sizeof random).toHex();
        // Written beside it, readable by the owner alone (QTemporaryFile makes it 0600),
        // then linked in place: a file another start made meanwhile is kept.
        QTemporaryFile file(folder + QStringLiteral("/.remote.token.XXXXXX"));
        bool written = file.open() && file.write(token + '\n') == token.size() + 1;
        if (written && !file.flush()) {
            file.flush(); // a flush cut short (a full disk) sets no reason; trying the rest again does
            written = false;
        }
        QString reason = file.errorString();
        if (written && ::fsync(file.handle()) != 0) {
            reason = QString::fromLocal8Bit(std::strerror(errno));
            written = false;
        }
        if (!written) {
            TokenResult r;
            r.error = QStringLiteral("cannot write the token file %1: %2").arg(path, reason);
            return r;
        }
        if (::link(QFile::encodeName(file.fileName()).constData(), native.constData()) != 0 &&
            errno != EEXIST) {
            TokenResult r;
            r.error = QStringLiteral("cannot write the token file %1: %2")
                          .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
            return r;
        }
        TokenResult r = readToken(path);
        r.created = r.error.isEmpty() && r.token == token;
        return r;
    }
    if (::stat(native.constData(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 077) != 0) {
        TokenResult r;
        r.error = QStringLiteral("the token file %1 may be read by other users: make it private (chmod 600)")
                      .arg(path);
        return r;
    }
    return readToken(path);
}

ConfinedLine confineFiles(const QString& line, const QString& folder) {
    ConfinedLine out;
    const QString command = commandName(line);
    const QString trimmed = line.trimmed();
    QString name = trimmed.mid(command.size()).trimmed();
    // png-sign names the sign before its file: the sign stays as it is.
    QString before = command;
    if (command == QLatin1String("png-sign")) {
        const qsizetype space = name.indexOf(QLatin1Char(' '));
        before = command + QLatin1Char(' ') + (space < 0 ? name : name.left(space));
        name = space < 0 ? QString() : name.mid(space + 1).trimmed();
    }
    if (command == QLatin1String("save")) {
        if (!name.isEmpty()) {
            out.error = QStringLiteral(
                "save over remote control takes no file name: it saves the program's own settings file");
            return out;
        }
        out.saveOwn = true;
        return out;
    }
    static const QStringList fileCommands{QStringLiteral("settings"),       QStringLiteral("png"),
                                          QStringLiteral("png-controller"), QStringLiteral("png-options"),
                                          QStringLiteral("ticket"),         QStringLiteral("plugin"),
                                          QStringLiteral("png-sign")};
    if (!fileCommands.contains(command) || name.isEmpty()) {
        out.line = line; // as the script runner takes it (a missing name is its to refuse)
        return out;
    }
    const auto refuse = [&](const QString& why) {
        out.error = QStringLiteral("\"%1\" is refused: %2").arg(name, why);
        return out;
    };
    const QString rule = QStringLiteral("over remote control a file is named by a relative path inside %1")
                             .arg(QDir::cleanPath(folder));
    if (QDir::isAbsolutePath(name) || name.startsWith(QLatin1Char('~')))
        return refuse(rule);
    if (name.split(QLatin1Char('/')).contains(QStringLiteral("..")))
        return refuse(QStringLiteral("a file name over remote control cannot contain \"..\""));
    if (!QDir().mkpath(folder))
        return refuse(QStringLiteral("the folder %1 cannot be made").arg(folder));
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString root = QFileInfo(folder).canonicalFilePath();
    const QString target = QDir::cleanPath(root + QLatin1Char('/') + name);
    if (target == root)
        return refuse(rule);
    const QFileInfo info(target);
    const QString parent = QFileInfo(info.absolutePath()).canonicalFilePath();
    if (parent.isEmpty())
        return refuse(QStringLiteral("its folder does not exist in %1").arg(root));
    if (!inside(parent, root))
        return refuse(QStringLiteral("it leads outside %1 through a symbolic link").arg(root));
    if (info.isSymLink()) {
        const QString resolved = info.exists() ? info.canonicalFilePath() : info.symLinkTarget();
        if (!inside(QDir::cleanPath(resolved), root))
            return refuse(QStringLiteral("it leads outside %1 through a symbolic link").arg(root));
    }
    out.line = before + QLatin1Char(' ') + parent + QLatin1Char('/') + info.fileName();
    return out;
}

} // namespace remote
