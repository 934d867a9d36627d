// Route data files (.hy3): any bytes are parsed, checked as `corvane route check`
// does and loaded as the simulator loads them; the complete records of a file are
// written back to exactly the bytes they were read from.
#include "route/DataIo.h"
#include "route/RouteCheck.h"
#include "route/RouteFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > size_t(DataIo::MaxLoadedRouteBytes))
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const DataIo::RouteFileContents contents = DataIo::parseRouteFile(bytes);
    const DataIo::RouteCheckReport report = DataIo::checkRouteFile(contents);
    (void)report;

    DataIo::RouteState state;
    state.SectionNumber = qint16(size > 2 ? data[size - 1] % 4 + 1 : 1);
    const DataIo::LoadResult load = DataIo::LoadRouteBytes(state, bytes);
    if (load.loaded() != load.message.isEmpty())
        std::abort();
    if (contents.hasCount && !contents.truncated() && contents.count >= 0) {
        const QByteArray written = DataIo::writeRouteFile(contents.records);
        if (written != bytes.first(bytes.size() - contents.trailingBytes))
            std::abort();
    }
    return 0;
}
