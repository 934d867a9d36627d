// The resource library's plug-in functions as the options dialog and the controller
// call them: the record, the notes, the company list and the preview drawing.
#include "platform/Cp932.h"
#include "reslib/ui/TicketPlugins.h"

#include <QComboBox>
#include <QImage>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kDemo = QStringLiteral(CORVANE_SOURCE_DIR "/data/demo/");

TEST(TicketPlugins, UsablePluginFillsRecordNotesAndCompanies) {
    plugins::PluginInfo info;
    ASSERT_NE(Zelk4_GetPlgInfo(kDemo + QStringLiteral("companies.4SP"), info), 0);
    EXPECT_EQ(info.PreviewWidth, 3300);
    EXPECT_EQ(info.CompanyCount, 3);

    QPlainTextEdit notes;
    Zelk4_SetPlgComment(kDemo + QStringLiteral("companies.4SP"), &notes);
    EXPECT_TRUE(
        notes.toPlainText().startsWith(QStringLiteral("椿原地区の三つの事業者で共通に使う整理券です。\n")));

    QComboBox list;
    list.addItem(QStringLiteral("前から"));
    Zelk4_SetCorpAddList(kDemo + QStringLiteral("companies.4SP"), &list);
    ASSERT_EQ(list.count(), 4); // added to what the list holds
    EXPECT_EQ(list.itemText(3), QStringLiteral("奥椿観光バス"));
}

TEST(TicketPlugins, UnusableFileReturnsZeroAndChangesNothing) {
    QTemporaryDir dir;
    const QString bad = dir.filePath(QStringLiteral("bad.4SP"));
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[plugin]\nformat = 1\nprint-date = 3\n[notes]\nx\n[companies]\nA\n");
    f.close();
    for (const QString& path : {bad, QString(), dir.path(), dir.filePath(QStringLiteral("none.4SP"))}) {
        plugins::PluginInfo info;
        info.MaxRoute = 77;
        EXPECT_EQ(Zelk4_GetPlgInfo(path, info), 0);
        EXPECT_EQ(info.MaxRoute, 77);
        QPlainTextEdit notes(QStringLiteral("before"));
        Zelk4_SetPlgComment(path, &notes);
        EXPECT_EQ(notes.toPlainText(), QStringLiteral("before"));
        QComboBox list;
        Zelk4_SetCorpAddList(path, &list);
        EXPECT_EQ(list.count(), 0);
    }
}

TEST(TicketPlugins, DrawingIsRecordedAndDrawn) {
    QImage preview(220, 93, QImage::Format_RGB32);
    preview.fill(Qt::white);
    const QImage blank = preview;
    QByteArray stop = cp932::encode(QStringLiteral("椿原駅前"));
    QByteArray date("2024/05/12");
    EXPECT_EQ(Zelk4_DrawSeiriken(kDemo + QStringLiteral("plain.4SP"), preview, stop, date,
                                 QStringLiteral("09:00:00"), 12, 3, 4, -1),
              1);
    EXPECT_NE(preview, blank);
    EXPECT_EQ(lastTicketDrawCall().ticketNumber, 3);
    EXPECT_EQ(lastTicketDrawCall().stopName, stop);
}

} // namespace
