// The CSV reader of the GTFS tables: every record of any bytes is read or an error
// names its line, and the same when the bytes come in pieces (of a size chosen by the
// input's length); the header lookup and the UTF-8 and line helpers take any bytes.
#include "gtfs/CsvReader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

class Pieces : public csv::ByteSource {
public:
    Pieces(QByteArrayView bytes, qint64 piece) : m_bytes(bytes), m_piece(piece) {}
    qint64 read(char* into, qint64 size) override {
        const qint64 n = std::min({size, m_piece, qint64(m_bytes.size()) - m_pos});
        std::memcpy(into, m_bytes.data() + m_pos, size_t(n));
        m_pos += n;
        return n;
    }

private:
    QByteArrayView m_bytes;
    qint64 m_piece;
    qint64 m_pos = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype valid = csv::validUtf8Prefix(bytes);
    if (valid < 0 || valid > bytes.size())
        std::abort();
    const qint64 lastLine = csv::lineOfOffset(bytes, bytes.size());
    csv::CsvReader reader(bytes);
    Pieces pieces(bytes, 1 + qint64(size % 7));
    csv::CsvReader inPieces(pieces);
    qint64 line = 0;
    while (reader.next()) {
        if (reader.line() < line || reader.line() > lastLine)
            std::abort();
        line = reader.line();
        (void)reader.field(int(reader.fields().size()));
        if (!inPieces.next() || inPieces.fields() != reader.fields() || inPieces.line() != reader.line())
            std::abort();
    }
    if (reader.error() && (reader.error()->line < 1 || reader.error()->line > lastLine))
        std::abort();
    if (inPieces.next() || bool(inPieces.error()) != bool(reader.error()) ||
        (reader.error() && (inPieces.error()->line != reader.error()->line ||
                            inPieces.error()->field != reader.error()->field)))
        std::abort();
    csv::CsvTable table(bytes);
    if (table.hasHeader()) {
        const int id = table.column("stop_id");
        while (table.next())
            (void)table.field(id);
    }
    return 0;
}
