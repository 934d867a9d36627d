// The settings file (508.in4): any bytes read into a record (a short file keeps
// defaults); a record the controls can hold is taken by the live settings and the
// views the board, the console and the tape take of them; the record is written
// again and reads back to the same bytes.
#include "settings/LiveSettings.h"
#include "settings/SettingViews.h"
#include "settings/SettingsRecord.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const ReadResult read = readSettings(bytes);
    if (read.bytesUsed < 0 || read.bytesUsed > bytes.size() || read.fieldsRead > settingsFieldCount())
        std::abort();

    LiveSettings live;
    if (live.fromRecord(read.record).number == 0) {
        (void)settings_views::tapeSettings(live);
        (void)settings_views::infoValues(live);
        (void)settings_views::stepSounds(live);
        for (int index = -1; index <= 3; ++index)
            (void)settings_views::backlightLook(live, index);
        SettingsRecord record = read.record;
        live.toRecord(record);
    }

    const QByteArray written = writeSettings(read.record);
    const ReadResult again = readSettings(written);
    if (again.status != ReadStatus::Complete || writeSettings(again.record) != written)
        std::abort();
    return 0;
}
