// libFuzzer entry for the plug-in reader: any bytes are read or refused, and a
// plug-in that is read can be laid out for any stop.
#include "plugins/PluginFile.h"
#include "plugins/TicketLayout.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > size_t(plugins::kMaxPluginBytes))
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const plugins::PluginFile plugin = plugins::parsePlugin(bytes);
    if (plugin.valid()) {
        plugins::TicketValues v;
        v.routeNumber = size > 0 ? data[0] * 7 : 1;
        v.ticketNumber = qint16(size % 120);
        v.row = qint16(size % 300);
        v.stopName = QStringLiteral("椿原駅前");
        v.dateText = QStringLiteral("05-12-2024");
        v.timeText = QStringLiteral("14:05:09");
        (void)plugins::layoutTicket(plugin, v, int(size % 20) - 1);
    }
    return 0;
}
