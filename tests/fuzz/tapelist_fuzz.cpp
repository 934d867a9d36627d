// Announcement lists (<route>tp.csv): any bytes are read or refused with a line and a
// reason; the texts of a list that is read are split as the speech splits them, and a
// list that can be written reads back entry for entry.
#include "sound/SpeechText.h"
#include "sound/TapeList.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > size_t(tapelist::kMaxFileBytes))
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    (void)tapelist::countLines(bytes);
    const TapeListLoad load = tapelist::read(bytes);
    if (!load.ok) {
        if (load.problem.isEmpty())
            std::abort();
        tapelist::FileLoad file;
        file.fileStatus = regularfile::Status::Read;
        file.list = load;
        (void)tapelist::refusalText(file);
        return 0;
    }
    if (load.entries.size() != load.lineCount)
        std::abort();
    for (const TapeEntry& e : load.entries) {
        (void)speech::speechPieces(e.Text);
        (void)speech::hasWords(e.Text);
    }
    QByteArray written;
    if (tapelist::write(load.entries, written)) {
        const TapeListLoad again = tapelist::read(written);
        if (!again.ok || again.entries.size() != load.entries.size())
            std::abort();
        for (qsizetype i = 0; i < again.entries.size(); ++i) {
            const TapeEntry& a = again.entries.at(i);
            const TapeEntry& b = load.entries.at(i);
            if (a.Text != b.Text || a.MoveStop != b.MoveStop || a.ChimeKind != b.ChimeKind)
                std::abort();
        }
    }
    return 0;
}
