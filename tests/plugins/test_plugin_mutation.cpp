// Damaged plug-ins: thousands of mutations of the samples (bytes flipped, inserted,
// deleted, lines repeated, files cut short) must each be read or refused without a
// crash, and a refusal must always name a reason. How fast the largest files are read
// is measured by bench/plugins.
#include "PluginTestFiles.h"
#include "plugins/TicketLayout.h"

#include <gtest/gtest.h>

#include <random>

using namespace plugins;

namespace {

QByteArray mutate(QByteArray bytes, std::mt19937& rng) {
    auto pick = [&](int n) { return int(std::uniform_int_distribution<int>(0, std::max(0, n - 1))(rng)); };
    const int edits = 1 + pick(8);
    for (int e = 0; e < edits; ++e) {
        const int at = pick(int(bytes.size()));
        switch (pick(7)) {
        case 0: // flip a bit
            if (!bytes.isEmpty())
                bytes[at] = char(bytes[at] ^ (1 << pick(8)));
            break;
        case 1: // insert a byte
            bytes.insert(at, char(pick(256)));
            break;
        case 2: // delete a run
            bytes.remove(at, 1 + pick(16));
            break;
        case 3: { // repeat a line
            const qsizetype start = bytes.lastIndexOf('\n', at) + 1;
            const qsizetype end = bytes.indexOf('\n', at);
            if (end > start)
                bytes.insert(end + 1, bytes.mid(start, end - start + 1).repeated(1 + pick(100)));
            break;
        }
        case 4: // cut the file short
            bytes.truncate(at);
            break;
        case 5: // a digit becomes a large number
            if (!bytes.isEmpty() && bytes[at] >= '0' && bytes[at] <= '9')
                bytes.insert(at, "99999999999999");
            break;
        default: // an interesting character
            bytes.insert(at, QByteArray::fromRawData("{}=,#[]\r\n\x81\xEF\x00-", 13).mid(pick(13), 1));
            break;
        }
    }
    return bytes;
}

TEST(PluginMutation, DamagedSamplesAreReadOrRefused) {
    std::mt19937 rng(20240512);
    TicketValues v;
    v.routeNumber = 12;
    v.ticketNumber = 5;
    v.row = 7;
    v.stopName = QStringLiteral("椿原駅前");
    v.dateText = QStringLiteral("05-12-2024");
    v.timeText = QStringLiteral("14:05:09");
    int valid = 0, refused = 0;
    for (const char* name : {"plain.4SP", "barcode.4SP", "companies.4SP"}) {
        const QByteArray original = sampleBytes(name);
        ASSERT_FALSE(original.isEmpty()) << name;
        for (int i = 0; i < 1500; ++i) {
            const QByteArray bytes = mutate(original, rng);
            const PluginFile f = parsePlugin(bytes);
            if (f.valid()) {
                ++valid;
                const TicketDrawing d = layoutTicket(f, v, int(i % 5) - 1);
                for (const DrawItem& item : d.items) {
                    if (item.kind != DrawKind::Line) {
                        ASSERT_TRUE(QRect(QPoint(0, 0), d.size).contains(item.rect) || item.rect.isEmpty())
                            << name << " mutation " << i;
                    }
                }
            } else {
                ++refused;
                for (const Problem& p : f.problems)
                    ASSERT_FALSE(p.reason.isEmpty());
                ASSERT_LE(f.problems.size(), 101);
            }
        }
    }
    EXPECT_GT(valid, 100);
    EXPECT_GT(refused, 1000);
}

TEST(PluginMutation, LargeFilesOfOneShapeAreReadOrRefused) {
    auto lines = [](const QByteArray& head, const char* pattern, int n) {
        QByteArray b = head;
        for (int i = 0; b.size() < kMaxPluginBytes - 40 && i < n; ++i)
            b += QByteArray(pattern).replace("%", QByteArray::number(i)) + '\n';
        return b;
    };
    const struct {
        const char* what;
        QByteArray bytes;
        bool valid;
    } cases[] = {
        {"distinct unknown keys", lines("[plugin]\nformat = 1\n", "k% = 1", 100000), false},
        {"empty lines", minimalPlugin(QByteArray(kMaxPluginBytes - 30, '\n')), true},
        {"long notes", lines("[plugin]\nformat = 1\n[notes]\n", "%", 100000), false},
        {"many companies", lines("[plugin]\nformat = 1\n[companies]\n", "c%", 100000), false},
        {"many items", lines("[plugin]\nformat = 1\n", "[box]\nbox = 0, 0, 9, 9", 100000), false},
        {"many sections", lines("[plugin]\nformat = 1\n", "[x%]", 100000), false},
    };
    for (const auto& c : cases) {
        const PluginFile f = parsePlugin(c.bytes);
        EXPECT_EQ(f.valid(), c.valid) << c.what;
    }
}

TEST(PluginMutation, RandomBytesUpToTheCap) {
    std::mt19937 rng(7);
    for (int i = 0; i < 20; ++i) {
        QByteArray bytes(int(kMaxPluginBytes), Qt::Uninitialized);
        for (char& c : bytes)
            c = char(rng() % (i % 2 ? 256 : 128));
        const PluginFile f = parsePlugin(bytes);
        EXPECT_FALSE(f.valid());
    }
}

} // namespace
