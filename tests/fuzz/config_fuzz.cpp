// The small configuration files of the user's configuration folder: voice.conf,
// display.conf and remote.conf. Any bytes are read (what cannot be read is ignored or
// reported); the file written for what was read reads back to the same file.
#include "board/DisplayConfig.h"
#include "remote/RemoteSettings.h"
#include "sound/VoiceSettings.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

template <typename Config> void formatIsStable(const Config& read) {
    const QByteArray once = read.format();
    if (Config::parse(once).format() != once)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    formatIsStable(VoiceSettings::parse(bytes));
    formatIsStable(DisplayConfig::parse(bytes));
    QStringList problems;
    const RemoteSettings remote = RemoteSettings::parse(bytes, &problems);
    const QByteArray once = remote.format();
    if (RemoteSettings::parse(once).format() != once)
        std::abort();
    return 0;
}
