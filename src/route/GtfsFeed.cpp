#include "route/GtfsFeed.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <zip.h>

namespace gtfs {
namespace {

QString zipErrorText(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const QString text = QString::fromUtf8(zip_error_strerror(&error));
    zip_error_fini(&error);
    return text;
}

QString sizeText(qint64 bytes) {
    constexpr qint64 MB = 1024 * 1024;
    return bytes % MB == 0 ? QStringLiteral("%1 MB").arg(bytes / MB) : QStringLiteral("%1 bytes").arg(bytes);
}

TableBytes refused(const QString& name, const QString& why) {
    TableBytes t;
    t.status = TableBytes::Status::Refused;
    t.problem = QStringLiteral("%1: %2").arg(name, why);
    return t;
}

TableBytes tooLarge(const QString& name, qint64 cap) {
    return refused(name, QStringLiteral("larger than %1; refused").arg(sizeText(cap)));
}

} // namespace

GtfsFeed::~GtfsFeed() {
    if (m_zip)
        zip_discard(m_zip);
}

std::unique_ptr<GtfsFeed> GtfsFeed::open(const QString& path, QString& error, qint64 maxTableBytes) {
    const QFileInfo info(path);
    if (!info.exists()) {
        error = QStringLiteral("%1: no such file or folder").arg(path);
        return nullptr;
    }
    std::unique_ptr<GtfsFeed> feed(new GtfsFeed);
    feed->m_path = path;
    feed->m_cap = maxTableBytes;
    if (info.isDir())
        return feed;
    if (!info.isFile()) {
        error = QStringLiteral("%1: not a folder or a regular file").arg(path);
        return nullptr;
    }
    int code = 0;
    feed->m_zip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &code);
    if (!feed->m_zip) {
        error = code == ZIP_ER_NOZIP ? QStringLiteral("%1: not a folder or a zip archive").arg(path)
                                     : QStringLiteral("%1: %2").arg(path, zipErrorText(code));
        return nullptr;
    }
    return feed;
}

TableBytes GtfsFeed::read(const QString& name) const {
    return m_zip ? readFromArchive(name) : readFromFolder(name);
}

TableBytes GtfsFeed::readFromFolder(const QString& name) const {
    const QString file = QDir(m_path).filePath(name);
    const QFileInfo info(file);
    if (!info.exists())
        return {};
    if (!info.isFile())
        return refused(name, QStringLiteral("not a regular file; refused"));
    if (info.size() > m_cap)
        return tooLarge(name, m_cap);
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return refused(name, f.errorString());
    TableBytes t;
    // Memory for the table's size, not for the cap (a read of "up to the cap" would
    // take the whole cap at once). The size may change under us: read in pieces and
    // never hold more than the cap.
    t.bytes.reserve(qsizetype(std::min(info.size(), m_cap)) + 1);
    char buffer[65536];
    for (;;) {
        const qint64 got = f.read(buffer, sizeof buffer);
        if (got < 0)
            return refused(name, f.errorString());
        if (got == 0)
            break;
        if (t.bytes.size() + got > m_cap)
            return tooLarge(name, m_cap);
        t.bytes.append(buffer, qsizetype(got));
    }
    t.status = TableBytes::Status::Ok;
    return t;
}

TableBytes GtfsFeed::readFromArchive(const QString& name) const {
    const QByteArray entry = name.toUtf8();
    zip_int64_t index = zip_name_locate(m_zip, entry.constData(), 0);
    if (index < 0) // tables inside one folder of the archive
        index = zip_name_locate(m_zip, entry.constData(), ZIP_FL_NODIR);
    if (index < 0)
        return {};
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(m_zip, static_cast<zip_uint64_t>(index), 0, &st) != 0)
        return refused(name, QString::fromUtf8(zip_strerror(m_zip)));
    if ((st.valid & ZIP_STAT_SIZE) && st.size > static_cast<zip_uint64_t>(m_cap))
        return tooLarge(name, m_cap);
    zip_file_t* file = zip_fopen_index(m_zip, static_cast<zip_uint64_t>(index), 0);
    if (!file)
        return refused(name, QString::fromUtf8(zip_strerror(m_zip)));
    TableBytes t;
    const qint64 expected = (st.valid & ZIP_STAT_SIZE) ? static_cast<qint64>(st.size) : 0;
    // The stored size can lie: reserve no more than a little ahead of the data.
    constexpr qint64 kReserveAtMost = 1024 * 1024;
    t.bytes.reserve(qsizetype(std::min({expected, m_cap, kReserveAtMost})) + 1);
    char buffer[65536];
    for (;;) {
        const zip_int64_t got = zip_fread(file, buffer, sizeof buffer);
        if (got < 0) {
            const QString why = QString::fromUtf8(zip_file_strerror(file));
            zip_fclose(file);
            return refused(name, why);
        }
        if (got == 0)
            break;
        // A stored size can lie: never hold more than the cap.
        if (t.bytes.size() + got > m_cap) {
            zip_fclose(file);
            return tooLarge(name, m_cap);
        }
        t.bytes.append(buffer, static_cast<qsizetype>(got));
    }
    zip_fclose(file);
    t.status = TableBytes::Status::Ok;
    return t;
}

} // namespace gtfs
