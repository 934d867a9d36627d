#include "settings/mdlIniIo.h"

#include "platform/SaveFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>
#include <unistd.h>
#include <utility>

namespace mdlIniIo {

namespace {

// The largest file the layout can describe: 504 fixed bytes and 17 strings of at most
// 65535 bytes each. Anything beyond is never read.
constexpr qint64 MaxLayoutBytes = 504 + 17 * (2 + 65535);

bool accessible(const QString& path, int mode) {
    const QByteArray native = QFile::encodeName(path);
    return ::access(native.constData(), mode) == 0;
}

SettingsError fail(int number) {
    return SettingsError::make(number);
}

} // namespace

SettingsRecord& settingsRecord() {
    static SettingsRecord record;
    return record;
}

QString programSettingsPath(const QString& executablePath) {
    const QFileInfo exe(executablePath);
    QString folder = exe.absolutePath();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder + exe.completeBaseName() + QStringLiteral(".in4");
}

QString installedSettingsPath(const QString& executablePath) {
    const QFileInfo exe(executablePath);
    return QDir::cleanPath(exe.absolutePath() + QStringLiteral("/../share/corvane/") +
                           exe.completeBaseName() + QStringLiteral(".in4"));
}

QString userSettingsFolder(const QProcessEnvironment& env) {
    QString base = env.value(QStringLiteral("XDG_CONFIG_HOME"));
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = env.value(QStringLiteral("HOME")) + QStringLiteral("/.config");
    return QDir::cleanPath(base + QStringLiteral("/corvane"));
}

bool isFolderWritable(const QString& folder) {
    const QFileInfo info(folder);
    return info.isDir() && accessible(folder, W_OK | X_OK);
}

SettingsPaths resolveSettingsPaths(const QString& executablePath, const QProcessEnvironment& env,
                                   const FolderWritable& writable) {
    const QString programFile = programSettingsPath(executablePath);
    const QString userFile = userSettingsFolder(env) + QLatin1Char('/') + QFileInfo(programFile).fileName();
    if (QFileInfo(userFile).isFile())
        return {userFile, userFile};
    // An installed program keeps its users' settings out of its own folder even when
    // that folder can be written (root, or a prefix the user owns).
    const QString installedFile = installedSettingsPath(executablePath);
    const bool installed = QFileInfo(installedFile).isFile();
    const bool writeBeside = !installed && writable(QFileInfo(programFile).absolutePath());
    const QString writePath = writeBeside ? programFile : userFile;
    if (installed && !QFileInfo(programFile).isFile())
        return {installedFile, writePath};
    return {programFile, writePath};
}

LoadResult loadSettingsFile(const QString& path) {
    return loadSettingsFile(path, SettingsRecord());
}

LoadResult loadSettingsFile(const QString& path, const SettingsRecord& base) {
    LoadResult result;
    result.record = base;
    if (path.isEmpty() || path.contains(QChar(0))) {
        result.status = LoadStatus::Missing;
        result.error = fail(settings_error::BadFileNameOrNumber);
        return result;
    }
    const QFileInfo info(path);
    if (!info.exists()) {
        result.status = LoadStatus::Missing;
        result.error = fail(settings_error::FileNotFound);
        return result;
    }
    result.status = LoadStatus::Failed;
    if (!info.isFile()) {
        result.error = fail(settings_error::PathFileAccessError);
        return result;
    }
    if (!accessible(path, R_OK)) {
        result.error = fail(settings_error::PermissionDenied);
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = fail(settings_error::PathFileAccessError);
        return result;
    }
    QByteArray data = file.read(MaxLayoutBytes);
    if (file.error() != QFileDevice::NoError) {
        result.error = fail(settings_error::DeviceIoError);
        return result;
    }
    file.close();
    ReadResult read = readSettings(data, base);
    result.status = LoadStatus::Loaded;
    result.record = std::move(read.record);
    result.readStatus = read.status;
    return result;
}

SettingsError settingsFileBytes(const SettingsRecord& record, QByteArray& bytes) {
    QStringList tooLong;
    QByteArray written = writeSettings(record, &tooLong);
    if (!tooLong.isEmpty()) {
        SettingsError error = fail(settings_error::Overflow);
        error.description += QStringLiteral("（%1）").arg(tooLong.join(QStringLiteral("、")));
        return error;
    }
    bytes = std::move(written);
    return {};
}

SettingsError writeSettingsFile(const QString& path, const QByteArray& bytes) {
    if (path.isEmpty() || path.contains(QChar(0)))
        return fail(settings_error::BadFileNameOrNumber);
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    if (!QFileInfo(folder).isDir())
        return fail(settings_error::PathNotFound);
    // A folder, a named pipe or a device of that name is refused: the temporary file
    // would be renamed over it instead of writing into it.
    if (!savefile::targetProblem(path).isEmpty())
        return fail(settings_error::PathFileAccessError);
    if (!isFolderWritable(folder))
        return fail(settings_error::PermissionDenied);

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(settings_error::PathFileAccessError);
    if (!savefile::writeAll(file, bytes)) {
        file.cancelWriting();
        file.commit();
        return fail(settings_error::DeviceIoError);
    }
    if (!file.commit())
        return fail(file.error() == QFileDevice::WriteError ? settings_error::DeviceIoError
                                                            : settings_error::PathFileAccessError);
    return {};
}

bool saveSettingsFile(const QString& path, const QByteArray& bytes, QString* errorNumberAndDescription) {
    const SettingsError error = writeSettingsFile(path, bytes);
    if (error.isError() && errorNumberAndDescription)
        *errorNumberAndDescription = saveErrorMessage(error);
    return !error.isError();
}

LoadResult loadProgramSettings(const QString& executablePath, const QProcessEnvironment& env,
                               const SettingsRecord& base) {
    return loadSettingsFile(resolveSettingsPaths(executablePath, env).readPath, base);
}

SettingsError saveProgramSettings(const QString& executablePath, const QByteArray& bytes,
                                  const QProcessEnvironment& env) {
    const QString path = resolveSettingsPaths(executablePath, env).writePath;
    if (path != programSettingsPath(executablePath))
        QDir().mkpath(QFileInfo(path).absolutePath());
    return writeSettingsFile(path, bytes);
}

QString loadErrorMessage(const SettingsError& error) {
    return saveErrorMessage(error) + QStringLiteral("\r\n") +
           QCoreApplication::translate("mdlIniIo", "モジュール:") + QStringLiteral("mdlIniIo.LoadIni()");
}

QString saveErrorMessage(const SettingsError& error) {
    return QCoreApplication::translate("mdlIniIo", "エラー Code:") + QString::number(error.number) +
           QStringLiteral("\r\n") + QCoreApplication::translate("mdlIniIo", "内容:") + error.description;
}

} // namespace mdlIniIo
