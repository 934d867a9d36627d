// Route CSV as `corvane route build` reads it: the text is read or refused with a
// line and field; what is read is written as a route file, which reads back the same.
#include "route/RouteCheck.h"
#include "route/RouteCsv.h"
#include "route/RouteFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const DataIo::RouteCsvResult csv = DataIo::parseRouteCsv(bytes);
    if (csv.error) {
        (void)csv.error->text();
        return 0;
    }
    if (csv.records.size() != csv.recordLines.size())
        std::abort();
    QByteArray file;
    try {
        file = DataIo::writeRouteFile(csv.records);
    } catch (const DataIo::RouteFileError&) {
        return 0;
    }
    // Names are stored in Shift_JIS: a name may read back as the character Shift_JIS
    // gives for its bytes (〜 U+301C is stored as 81 60 and reads as ～ U+FF5E). What
    // was read back is written to the very same bytes.
    const DataIo::RouteFileContents back = DataIo::parseRouteFile(file);
    if (back.records.size() != csv.records.size() || back.truncated())
        std::abort();
    if (DataIo::writeRouteFile(back.records) != file)
        std::abort();
    (void)DataIo::checkRouteFile(back);
    // The CSV the route gives reads back as the same route.
    const DataIo::RouteCsvResult again = DataIo::parseRouteCsv(DataIo::routeToCsv(back.records).toUtf8());
    if (again.error || again.records != back.records)
        std::abort();
    return 0;
}
