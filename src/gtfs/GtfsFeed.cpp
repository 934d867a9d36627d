#include "gtfs/GtfsFeed.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <zip.h>

namespace gtfs {
namespace {

constexpr qint64 KB = 1024;
constexpr qint64 MB = 1024 * KB;

QString zipErrorText(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const QString text = QString::fromUtf8(zip_error_strerror(&error));
    zip_error_fini(&error);
    return text;
}

QString methodName(zip_uint16_t method) {
    switch (method) {
    case ZIP_CM_BZIP2:
        return QStringLiteral("bzip2");
    case ZIP_CM_LZMA:
        return QStringLiteral("LZMA");
    case ZIP_CM_XZ:
        return QStringLiteral("xz");
    default:
        return QStringLiteral("method %1").arg(method);
    }
}

// `problem` is one line naming the table.
OpenedTable refused(const QString& problem, bool refusesFeed = false) {
    OpenedTable t;
    t.status = OpenedTable::Status::Refused;
    t.problem = problem;
    t.refusesFeed = refusesFeed;
    return t;
}

QString tooLarge(const QString& name, qint64 cap) {
    return QStringLiteral("%1: larger than %2; refused").arg(name, sizeText(cap));
}

// A table of a folder: a regular file, read up to one byte past its cap.
class FileStream : public TableStream {
public:
    FileStream(const QString& name, const QString& path, qint64 cap)
        : m_name(name), m_file(path), m_cap(cap) {}
    bool open() {
        if (m_file.open(QIODevice::ReadOnly))
            return true;
        m_problem = QStringLiteral("%1: %2").arg(m_name, m_file.errorString());
        return false;
    }
    qint64 read(char* into, qint64 size) override {
        const qint64 got = m_file.read(into, std::min(size, m_cap - m_read + 1));
        if (got < 0) {
            m_problem = QStringLiteral("%1: %2").arg(m_name, m_file.errorString());
            return -1;
        }
        m_read += got;
        if (m_read > m_cap) { // the file grew since its size was looked at
            m_problem = tooLarge(m_name, m_cap);
            m_refusesFeed = true;
            return -1;
        }
        return got;
    }

private:
    QString m_name;
    QFile m_file;
    qint64 m_cap;
    qint64 m_read = 0;
};

// A table of a zip archive, unpacked as it is read. The archive's word on the size is
// not trusted: no more is unpacked than the cap and the stated size allow (one byte
// past the smaller, to see that there is more), and an entry that ends early is
// refused as well.
class ZipStream : public TableStream {
public:
    ZipStream(const QString& name, zip_file_t* file, qint64 stated, qint64 cap)
        : m_name(name), m_file(file), m_stated(stated), m_cap(cap) {}
    ~ZipStream() override { zip_fclose(m_file); }
    ZipStream(const ZipStream&) = delete;
    ZipStream& operator=(const ZipStream&) = delete;

    qint64 read(char* into, qint64 size) override {
        qint64 room = std::min(size, m_cap - m_read + 1);
        if (m_stated >= 0)
            room = std::min(room, m_stated - m_read + 1);
        const zip_int64_t got = zip_fread(m_file, into, static_cast<zip_uint64_t>(room));
        if (got < 0) {
            zip_error_t* error = zip_file_get_error(m_file);
            // libzip's own check of the stated size, at the end of a short entry.
            if (zip_error_code_zip(error) == ZIP_ER_INCONS && m_stated >= 0 && m_read < m_stated)
                return endedEarly();
            m_problem = QStringLiteral("%1: %2").arg(m_name, QString::fromUtf8(zip_error_strerror(error)));
            return -1;
        }
        m_read += got;
        if (m_read > m_cap) {
            m_problem = tooLarge(m_name, m_cap);
            m_refusesFeed = true;
            return -1;
        }
        if (m_stated >= 0 && m_read > m_stated) {
            m_problem = QStringLiteral("%1: holds more than the %2 bytes the archive states; refused")
                            .arg(m_name)
                            .arg(m_stated);
            m_refusesFeed = true;
            return -1;
        }
        if (got == 0 && m_stated >= 0 && m_read < m_stated)
            return endedEarly();
        return got;
    }

private:
    qint64 endedEarly() {
        m_problem = QStringLiteral("%1: holds %2 bytes, not the %3 the archive states; refused")
                        .arg(m_name)
                        .arg(m_read)
                        .arg(m_stated);
        m_refusesFeed = true;
        return -1;
    }

    QString m_name;
    zip_file_t* m_file;
    qint64 m_stated; // -1: the archive states no size
    qint64 m_cap;
    qint64 m_read = 0;
};

} // namespace

QString sizeText(qint64 bytes) {
    if (bytes >= MB && bytes % MB == 0)
        return QStringLiteral("%1 MB").arg(bytes / MB);
    if (bytes >= KB && bytes % KB == 0)
        return QStringLiteral("%1 KB").arg(bytes / KB);
    return QStringLiteral("%1 bytes").arg(bytes);
}

TableCaps defaultCaps(const QString& name) {
    // bytes, rows, bytes of one line
    static const struct {
        const char* name;
        TableCaps caps;
    } kCaps[] = {
        {"routes.txt", {16 * MB, 100'000, 1 * MB}},
        {"trips.txt", {64 * MB, 500'000, 1 * MB}},
        {"stop_times.txt", {256 * MB, 5'000'000, 1 * MB}},
        {"stops.txt", {64 * MB, 500'000, 1 * MB}},
        {"translations.txt", {64 * MB, 1'000'000, 1 * MB}},
        {"fare_attributes.txt", {16 * MB, 100'000, 1 * MB}},
        {"fare_rules.txt", {128 * MB, 2'000'000, 1 * MB}},
        {"fare_products.txt", {16 * MB, 100'000, 1 * MB}},
        {"fare_leg_rules.txt", {128 * MB, 2'000'000, 1 * MB}},
        {"stop_areas.txt", {64 * MB, 500'000, 1 * MB}},
        {"areas.txt", {16 * MB, 100'000, 1 * MB}},
    };
    for (const auto& c : kCaps) {
        if (name == QLatin1String(c.name))
            return c.caps;
    }
    return {16 * MB, 100'000, 1 * MB};
}

GtfsFeed::~GtfsFeed() {
    if (m_zip)
        zip_discard(m_zip);
}

std::unique_ptr<GtfsFeed> GtfsFeed::open(const QString& path, QString& error, const TableCaps& caps) {
    const QFileInfo info(path);
    if (!info.exists()) {
        error = QStringLiteral("%1: no such file or folder").arg(path);
        return nullptr;
    }
    std::unique_ptr<GtfsFeed> feed(new GtfsFeed);
    feed->m_path = path;
    feed->m_caps = caps;
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

TableCaps GtfsFeed::caps(const QString& name) const {
    TableCaps c = defaultCaps(name);
    if (m_caps.bytes > 0)
        c.bytes = m_caps.bytes;
    if (m_caps.rows > 0)
        c.rows = m_caps.rows;
    if (m_caps.lineBytes > 0)
        c.lineBytes = m_caps.lineBytes;
    return c;
}

OpenedTable GtfsFeed::table(const QString& name) const {
    return m_zip ? tableInArchive(name) : tableInFolder(name);
}

TableBytes GtfsFeed::read(const QString& name) const {
    OpenedTable table = this->table(name);
    TableBytes t;
    if (table.status != OpenedTable::Status::Ok) {
        t.status = table.status == OpenedTable::Status::Missing ? TableBytes::Status::Missing
                                                                : TableBytes::Status::Refused;
        t.problem = table.problem;
        return t;
    }
    char buffer[65536];
    for (;;) {
        const qint64 got = table.stream->read(buffer, sizeof buffer);
        if (got < 0) {
            t.status = TableBytes::Status::Refused;
            t.problem = table.stream->problem();
            t.bytes.clear();
            return t;
        }
        if (got == 0)
            break;
        t.bytes.append(buffer, qsizetype(got));
    }
    t.status = TableBytes::Status::Ok;
    return t;
}

OpenedTable GtfsFeed::tableInFolder(const QString& name) const {
    const QString file = QDir(m_path).filePath(name);
    const QFileInfo info(file);
    if (!info.exists())
        return {};
    if (!info.isFile())
        return refused(name + QStringLiteral(": not a regular file; refused"));
    const qint64 cap = caps(name).bytes;
    if (info.size() > cap)
        return refused(tooLarge(name, cap), true);
    auto stream = std::make_unique<FileStream>(name, file, cap);
    if (!stream->open())
        return refused(stream->problem());
    OpenedTable t;
    t.status = OpenedTable::Status::Ok;
    t.stream = std::move(stream);
    return t;
}

OpenedTable GtfsFeed::tableInArchive(const QString& name) const {
    const QByteArray entry = name.toUtf8();
    zip_int64_t index = zip_name_locate(m_zip, entry.constData(), 0);
    if (index < 0) // tables inside one folder of the archive
        index = zip_name_locate(m_zip, entry.constData(), ZIP_FL_NODIR);
    if (index < 0)
        return {};
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(m_zip, static_cast<zip_uint64_t>(index), 0, &st) != 0)
        return refused(QStringLiteral("%1: %2").arg(name, QString::fromUtf8(zip_strerror(m_zip))));
    const qint64 cap = caps(name).bytes;
    const bool stated = (st.valid & ZIP_STAT_SIZE) != 0;
    if ((st.valid & ZIP_STAT_SIZE) && st.size > static_cast<zip_uint64_t>(cap))
        return refused(tooLarge(name, cap), true);
    if ((st.valid & ZIP_STAT_COMP_METHOD) && st.comp_method != ZIP_CM_STORE &&
        st.comp_method != ZIP_CM_DEFLATE)
        return refused(QStringLiteral("%1: compressed with %2, not deflate; refused")
                           .arg(name, methodName(st.comp_method)),
                       true);
    zip_file_t* file = zip_fopen_index(m_zip, static_cast<zip_uint64_t>(index), 0);
    if (!file)
        return refused(QStringLiteral("%1: %2").arg(name, QString::fromUtf8(zip_strerror(m_zip))));
    OpenedTable t;
    t.status = OpenedTable::Status::Ok;
    t.stream = std::make_unique<ZipStream>(name, file, stated ? static_cast<qint64>(st.size) : -1, cap);
    return t;
}

} // namespace gtfs
