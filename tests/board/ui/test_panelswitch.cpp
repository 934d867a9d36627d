#include "board/ui/Form1.h"
#include "board/ui/Label.h"
#include "board/ui/PanelArt.h"
#include "board/ui/PanelSwitch.h"
#include "board/ui/PictureFile.h"
#include "board/ui/mdl508_000.h"
#include "platform/ui/MessageBox.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

class PanelSwitchTest : public ::testing::Test {
protected:
    void SetUp() override {
        msgbox::setRecording(true);
        msgbox::takeRecorded();
        board.imgRes(1) = board.imgRes(0).copy();
        board.imgRes(2) = board.imgRes(0).copy();
    }
    void TearDown() override { msgbox::setRecording(false); }
    QString writeFile(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    }
    Form1 board;
    QTemporaryDir dir;
};

TEST_F(PanelSwitchTest, MissingUserPictureChangesNothingSilently) {
    board.setPicture(board.imgRes(0), QStringLiteral("builtin"));
    panelswitch::showBacklight(board, 1,
                               BacklightLook{0x123456, true, dir.filePath(QStringLiteral("none.bmp"))});
    EXPECT_EQ(board.pictureSource(), QStringLiteral("builtin"));
    EXPECT_TRUE(msgbox::takeRecorded().isEmpty());
    EXPECT_EQ(board.lblSeiriNum(1)->ForeColor(), 0x123456u);
    EXPECT_EQ(board.lblSeiriNum(50)->ForeColor(), 0x123456u);
}

TEST_F(PanelSwitchTest, FileThatIsNotAPictureIsReportedAndLabelsStillRecoloured) {
    const QString path = writeFile(QStringLiteral("text.jpg"), "not a picture");
    panelswitch::showBacklight(board, 2, BacklightLook{0x00FF00, true, path});
    const auto messages = msgbox::takeRecorded();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(
        messages[0].text,
        QStringLiteral(
            "エラーです。\n\nエラーコード：481　指定した画像の内容が不正です。この部分では扱えません。"));
    EXPECT_EQ(messages[0].title, QStringLiteral("エラー"));
    EXPECT_EQ(messages[0].icon, msgbox::Icon::Critical);
    EXPECT_EQ(board.lblSeiriNum(7)->ForeColor(), 0x00FF00u);
}

TEST_F(PanelSwitchTest, UserPictureIsShownFromTheTopLeft) {
    QImage small(100, 50, QImage::Format_RGB32);
    small.fill(Qt::red);
    const QString path = dir.filePath(QStringLiteral("on1.bmp"));
    ASSERT_TRUE(small.save(path, "BMP"));
    panelswitch::showBacklight(board, 1, BacklightLook{0, true, path});
    EXPECT_EQ(board.picture().size(), QSize(100, 50));
    EXPECT_TRUE(board.pictureSource().endsWith(QStringLiteral("on1.bmp")));
    // The same switch twice gives the same result.
    panelswitch::showBacklight(board, 1, BacklightLook{0, true, path});
    EXPECT_EQ(board.picture().size(), QSize(100, 50));
    // Back to the built-in picture.
    panelswitch::showBacklight(board, 0, BacklightLook{0, false, path});
    EXPECT_EQ(board.pictureSource(), QStringLiteral("builtin"));
    EXPECT_EQ(board.picture().size(), QSize(690, 307));
}

struct ErrorText {
    int number;
    const char* tail;
};

// An SVG panel is read whole from a regular file only: a named pipe, a folder or a
// picture of another kind gives nothing, and nothing waits.
TEST(SvgPanelFile, ReadOnlyFromARegularSvgFile) {
    QTemporaryDir dir;
    const auto path = [&dir](const char* name) { return dir.filePath(QString::fromLatin1(name)); };
    const auto write = [](const QString& p, const QByteArray& bytes) {
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    write(path("panel.svg"), panelart::svg(1));
    write(path("panel.png"), QByteArray());
    panelart::image(0).save(path("panel.png"), "PNG");
    write(path("empty.svg"), QByteArray());
    ASSERT_EQ(mkfifo(QFile::encodeName(path("pipe.svg")).constData(), 0600), 0);
    const struct {
        const char* name;
        bool read;
    } cases[] = {{"panel.svg", true}, {"panel.png", false},   {"empty.svg", false},
                 {"pipe.svg", false}, {"missing.svg", false}, {".", false}};
    for (const auto& c : cases)
        EXPECT_EQ(!panelswitch::readSvgPicture(path(c.name)).isEmpty(), c.read) << c.name;
}

TEST(PanelSwitchMessages, EachErrorNumberHasItsExplanation) {
    const ErrorText cases[] = {
        {7, "　内部的なエラーです。Marrowbyへ報告してください。エラー場所：frmCtl.Option4_Click()"},
        {28, "　内部的なエラーです。Marrowbyへ報告してください。エラー場所：frmCtl.Option4_Click()"},
        {53, "　画像ファイルが見つからないか、指定している場所が不正です。"},
        {76, "　画像ファイルが見つからないか、指定している場所が不正です。"},
        {57, "　デバイスエラーもしくは準備が出来ていません。"},
        {68, "　デバイスエラーもしくは準備が出来ていません。"},
        {481, "　指定した画像の内容が不正です。この部分では扱えません。"},
        {5, ""},
    };
    for (const ErrorText& c : cases) {
        EXPECT_EQ(panelswitch::pictureErrorMessage(c.number),
                  QStringLiteral("エラーです。\n\nエラーコード：%1").arg(c.number) +
                      QString::fromUtf8(c.tail))
            << c.number;
    }
}

TEST(SeirikenNumSet, SwitchingBackToPlainNumbersRewritesTheFirstLabel) {
    Form1 board;
    qint16 style = 2, pad = 0;
    mdl508_000::SeirikenNumSet(board, style, pad);
    EXPECT_EQ(board.lblSeiriNum(1)->Caption(), QStringLiteral("な し"));
    EXPECT_DOUBLE_EQ(board.lblSeiriNum(1)->FontSize(), 10);
    EXPECT_DOUBLE_EQ(board.lblSeiriNum(2)->FontSize(), 11.25);
    style = 0;
    mdl508_000::SeirikenNumSet(board, style, pad);
    EXPECT_EQ(board.lblSeiriNum(1)->Caption(), QStringLiteral("１"));
    EXPECT_DOUBLE_EQ(board.lblSeiriNum(1)->FontSize(), 11);
    style = -1;
    board.lblSeiriNum(1)->setFontSize(10);
    mdl508_000::SeirikenNumSet(board, style, pad);
    EXPECT_EQ(board.lblSeiriNum(1)->Caption(), QStringLiteral("１"));
    EXPECT_DOUBLE_EQ(board.lblSeiriNum(1)->FontSize(), 11);
}

} // namespace
