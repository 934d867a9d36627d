// The ticket on the preview picture: the samples are drawn (and saved under the build
// folder's tickets/ for a look), the barcode is read back by a real decoder, and the
// drawing call of the resource library draws only usable plug-ins.
#include "../PluginTestFiles.h"
#include "platform/Cp932.h"
#include "plugins/ui/TicketPainter.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

using namespace plugins;

namespace {

TicketValues demoValues() {
    TicketValues v;
    v.routeNumber = 12;
    v.ticketNumber = 5;
    v.row = 5;
    v.stopName = QStringLiteral("椿原市役所前");
    v.dateText = QStringLiteral("05-12-2024");
    v.timeText = QStringLiteral("14:05:09");
    return v;
}

QString savePicture(const QImage& picture, const QString& name) {
    const QString dir = QStringLiteral(CORVANE_BINARY_DIR "/tickets");
    QDir().mkpath(dir);
    const QString path = dir + QLatin1Char('/') + name + QStringLiteral(".png");
    EXPECT_TRUE(picture.save(path, "PNG"));
    return path;
}

int inkPixels(const QImage& picture, const QRect& area) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            n += qGray(picture.pixel(x, y)) < 100;
    }
    return n;
}

// What zbarimg reads from a picture; GTEST_SKIP when it is not installed.
#define DECODE_OR_SKIP(path, out)                                                                            \
    const QString zbarimg = QStandardPaths::findExecutable(QStringLiteral("zbarimg"));                       \
    if (zbarimg.isEmpty())                                                                                   \
        GTEST_SKIP() << "zbarimg (zbar-tools) is not installed";                                             \
    QProcess zbar;                                                                                           \
    zbar.start(zbarimg, {QStringLiteral("--raw"), QStringLiteral("-q"), path});                              \
    ASSERT_TRUE(zbar.waitForFinished(20000));                                                                \
    const QString out = QString::fromUtf8(zbar.readAllStandardOutput()).trimmed();

TEST(TicketPainter, SamplesDrawOnThePreviewPicture) {
    for (const char* name : {"plain", "barcode", "companies"}) {
        SCOPED_TRACE(name);
        const PluginFile plugin = loadPlugin(samplePath((QByteArray(name) + ".4SP").constData()));
        ASSERT_TRUE(plugin.valid());
        const QImage picture = renderTicket(plugin, demoValues(), 0, {}, Qt::white);
        ASSERT_EQ(picture.size(), QSize(220, plugin.info.PreviewHeight / 15));
        savePicture(picture, QString::fromLatin1(name));
        // The paper is centred, and the big number is the darkest thing on it.
        const QPoint origin((picture.width() - plugin.ticket.size.width()) / 2,
                            (picture.height() - plugin.ticket.size.height()) / 2);
        EXPECT_EQ(
            picture.pixel(origin + QPoint(plugin.ticket.size.width() / 2, plugin.ticket.size.height() - 2)) &
                0xFFFFFF,
            plugin.ticket.paper);
        for (const LayoutItem& item : plugin.ticket.items) {
            if (item.kind == ItemKind::Number) {
                EXPECT_GT(inkPixels(picture, item.box.translated(origin)), 150);
            }
        }

        // A long stop name is narrowed into its box: nothing is drawn to its right.
        TicketValues v = demoValues();
        v.stopName = QStringLiteral("奥椿温泉郷観光センター前");
        v.ticketNumber = 48;
        const QImage longName = renderTicket(plugin, v, 2, {}, Qt::white);
        savePicture(longName, QString::fromLatin1(name) + QStringLiteral("-long"));
        for (const LayoutItem& item : plugin.ticket.items) {
            if (item.kind == ItemKind::Stop) {
                const QRect box = item.box.translated(origin);
                EXPECT_GT(inkPixels(longName, box), 100);
                EXPECT_EQ(inkPixels(longName, QRect(box.right() + 1, box.top(), 3, box.height())), 0);
            }
        }
    }
}

TEST(TicketPainter, CompanyNameFollowsTheChoice) {
    const PluginFile plugin = loadPlugin(samplePath("companies.4SP"));
    const QImage first = renderTicket(plugin, demoValues(), 0);
    const QImage second = renderTicket(plugin, demoValues(), 1);
    savePicture(second, QStringLiteral("companies-1"));
    const QRect band(20, 4, 180, 17);
    EXPECT_NE(first.copy(band), second.copy(band));
    EXPECT_EQ(first.copy(40, 30, 150, 50), second.copy(40, 30, 150, 50)); // the rest is the same
}

TEST(TicketPainter, BarcodeOfTheSampleDecodes) {
    const PluginFile plugin = loadPlugin(samplePath("barcode.4SP"));
    const QString path =
        savePicture(renderTicket(plugin, demoValues(), -1, {}, Qt::white), QStringLiteral("barcode"));
    DECODE_OR_SKIP(path, read);
    // Route 12 in three digits, outbound flag 0, ticket number 5 in two digits.
    EXPECT_EQ(read, QStringLiteral("012005"));
}

TEST(TicketPainter, Nw7BarcodeDecodes) {
    QByteArray bytes = sampleBytes("barcode.4SP");
    bytes.replace("symbology = itf", "symbology = nw7\nnw7-start = B\nnw7-stop = C");
    bytes.replace("flag = outbound", "flag = return");
    bytes.replace("box = 20, 81, 172, 24", "box = 4, 81, 204, 24");
    const PluginFile plugin = parsePlugin(bytes);
    ASSERT_TRUE(plugin.valid()) << plugin.problems.first().text().toStdString();
    TicketValues v = demoValues();
    v.ticketNumber = 38;
    const QString path =
        savePicture(renderTicket(plugin, v, -1, {}, Qt::white), QStringLiteral("barcode-nw7"));
    DECODE_OR_SKIP(path, read);
    EXPECT_EQ(read, QStringLiteral("B012138C"));
}

TEST(TicketPainter, DrawingCallDrawsOnlyUsablePlugins) {
    QImage preview(220, 112, QImage::Format_RGB32);
    preview.fill(Qt::white);
    const QImage blank = preview;
    QByteArray stop = cp932::encode(QStringLiteral("椿原駅前"));
    QByteArray date("05-12-2024");
    const QByteArray stopBefore = stop;
    EXPECT_EQ(drawSeiriken(QString(), preview, stop, date, QStringLiteral("14:05:09"), 12, 1, 1, -1), 0);
    EXPECT_EQ(drawSeiriken(QStringLiteral("/nonexistent.4SP"), preview, stop, date,
                           QStringLiteral("14:05:09"), 12, 1, 1, -1),
              0);
    EXPECT_EQ(preview, blank);
    EXPECT_EQ(drawSeiriken(samplePath("barcode.4SP"), preview, stop, date, QStringLiteral("14:05:09"), 12, 1,
                           1, -1),
              1);
    EXPECT_NE(preview, blank);
    EXPECT_EQ(stop, stopBefore);
    EXPECT_EQ(date, QByteArray("05-12-2024"));
}

} // namespace
