// The CSV reader of the GTFS tables: every record of any bytes is read or an error
// names its line; the header lookup and the UTF-8 and line helpers take any bytes.
#include "route/CsvReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype valid = csv::validUtf8Prefix(bytes);
    if (valid < 0 || valid > bytes.size())
        std::abort();
    const qint64 lastLine = csv::lineOfOffset(bytes, bytes.size());
    csv::CsvReader reader(bytes);
    qint64 line = 0;
    while (reader.next()) {
        if (reader.line() < line || reader.line() > lastLine)
            std::abort();
        line = reader.line();
        (void)reader.field(int(reader.fields().size()));
    }
    if (reader.error() && (reader.error()->line < 1 || reader.error()->line > lastLine))
        std::abort();
    csv::CsvTable table(bytes);
    if (table.hasHeader()) {
        const int id = table.column("stop_id");
        while (table.next())
            (void)table.field(id);
    }
    return 0;
}
