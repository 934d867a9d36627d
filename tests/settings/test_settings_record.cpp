#include "SettingsTestData.h"
#include "settings/SettingsRecord.h"

#include <QDate>
#include <gtest/gtest.h>

using namespace settings_test;

namespace {

QByteArray today() {
    return QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd")).toLatin1();
}

// Offsets in a file whose texts before them are all empty.
constexpr int OffsetAutoTicketNumbers = 4;
constexpr int OffsetPanelAuto = 22;

qint16 int16At(const QByteArray& data, qsizetype at) {
    return static_cast<qint16>(static_cast<quint8>(data[at]) | (static_cast<quint8>(data[at + 1]) << 8));
}

} // namespace

TEST(SettingsRecordFile, FirstStartWritesTheDefaultFileOf548Bytes) {
    const QByteArray written = writeSettings(SettingsRecord{});
    const QByteArray expected = defaultFile(today());
    ASSERT_EQ(expected.size(), 548);
    EXPECT_EQ(written.size(), 548);
    EXPECT_EQ(written.toHex(' '), expected.toHex(' '));
}

TEST(SettingsRecordFile, DefaultFileStartsWithTheseExactBytes) {
    // Two empty folders, labels on, label colours FFFFFF, C0FFC0, 80C0FF as 0x00BBGGRR.
    const QByteArray head = writeSettings(SettingsRecord{}).left(18);
    EXPECT_EQ(head.toHex(' '), QByteArray("00 00 00 00 01 00 ff ff ff 00 c0 ff c0 00 ff c0 80 00"));
}

TEST(SettingsRecordFile, AllEmptyTextsGive538Bytes) {
    SettingsRecord r;
    r.TicketSettings.TicketFixedDate.clear();
    EXPECT_EQ(writeSettings(r).size(), 538);
}

TEST(SettingsRecordFile, TheFixtureWithADefaultFileMatchesTheHandBuiltBytes) {
    EXPECT_EQ(readFixture(QStringLiteral("defaults-2024-03-05.in4")), defaultFile("2024/03/05"));
}

TEST(SettingsRecordFile, DefaultFileReadsBackAsDefaults) {
    const ReadResult read = readSettings(defaultFile("2031/12/31"));
    EXPECT_EQ(read.status, ReadStatus::Complete);
    EXPECT_EQ(read.bytesUsed, 548);
    EXPECT_EQ(read.record.PanelSettings.AutoTicketNumbers, 1);
    EXPECT_EQ(read.record.PanelSettings.PanelAuto, -1);
    EXPECT_EQ(read.record.StopNameSettings.StopNameFontMode, -1);
    EXPECT_EQ(read.record.DigitSettings.DigitLitColor, 0x72D2F8u);
    EXPECT_EQ(read.record.TicketSettings.TicketFixedDate, QStringLiteral("2031/12/31"));
    EXPECT_EQ(writeSettings(read.record), defaultFile("2031/12/31"));
}

TEST(SettingsRecordFile, JapaneseTextIsStoredWithItsShiftJisByteCount) {
    SettingsRecord r;
    r.DataFolders.FareDataFolder = QStringLiteral("ＡＢ");
    r.DataFolders.TapeDataFolder = QStringLiteral("ｱ表");
    const QByteArray data = writeSettings(r);
    // Two full-width letters: 04 00 and four bytes. A half-width kana is one byte; the
    // second byte of 表 is 5C, which must not be taken for a path separator.
    EXPECT_EQ(data.left(13).toHex(' '), QByteArray("04 00 82 60 82 61 03 00 b1 95 5c 01 00"));
    EXPECT_EQ(data.size(), 548 + 4 + 3);
    const ReadResult read = readSettings(data);
    EXPECT_EQ(read.record.DataFolders.FareDataFolder, QStringLiteral("ＡＢ"));
    EXPECT_EQ(read.record.DataFolders.TapeDataFolder, QStringLiteral("ｱ表"));
}

TEST(SettingsRecordFile, OptionButtonsAreStoredAsMinusOneAndChecksAsOne) {
    SettingsRecord r;
    r.PanelSettings.AutoTicketNumbers = 0;
    r.PanelSettings.TicketNumberZeroPad = 1;
    r.PanelSettings.PanelAuto = 0;
    r.PanelSettings.PanelPerImage = -1;
    const QByteArray data = writeSettings(r);
    EXPECT_EQ(int16At(data, OffsetAutoTicketNumbers), 0);
    EXPECT_EQ(data.mid(OffsetPanelAuto - 2, 6).toHex(' '), QByteArray("01 00 00 00 ff ff"));
    const ReadResult read = readSettings(data);
    EXPECT_EQ(read.record.PanelSettings.PanelPerImage, -1);
    EXPECT_EQ(read.record.PanelSettings.PanelAuto, 0);
    EXPECT_EQ(read.record.PanelSettings.TicketNumberZeroPad, 1);
}

TEST(SettingsRecordFile, TheMarkerBeforeTheDigitFormatsIsWrittenAs50AndIgnoredOnReading) {
    const QByteArray full = readFixture(QStringLiteral("all-changed.in4"));
    ASSERT_FALSE(full.isEmpty());
    const qsizetype marker = full.size() - 300 - 2;
    EXPECT_EQ(int16At(writeSettings(allChangedRecord()), marker), 50);
    for (int value : {0, -1, 1, 49, 51, 300, 32767}) {
        QByteArray changed = full;
        changed[marker] = static_cast<char>(value & 0xFF);
        changed[marker + 1] = static_cast<char>((value >> 8) & 0xFF);
        const ReadResult read = readSettings(changed);
        EXPECT_EQ(read.status, ReadStatus::Complete) << value;
        EXPECT_EQ(read.record.DigitFormats, allChangedRecord().DigitFormats) << value;
        // Written again, the marker is 50 whatever was read.
        EXPECT_EQ(writeSettings(read.record), full) << value;
    }
}

TEST(SettingsRecordFile, TheAnnotatedFixtureListsTheSameBytesAsTheBinaryOne) {
    const QByteArray binary = readFixture(QStringLiteral("all-changed.in4"));
    EXPECT_EQ(binary.size(), 653);
    EXPECT_EQ(readHexFixture(QStringLiteral("all-changed.hex")), binary);
}

TEST(SettingsRecordFile, EveryFieldChangedIsWrittenExactlyAsTheFixture) {
    EXPECT_EQ(writeSettings(allChangedRecord()).toHex(' '),
              readFixture(QStringLiteral("all-changed.in4")).toHex(' '));
}

TEST(SettingsRecordFile, EveryFieldChangedIsReadBackFromTheFixture) {
    const ReadResult read = readSettings(readFixture(QStringLiteral("all-changed.in4")));
    ASSERT_EQ(read.status, ReadStatus::Complete);
    const SettingsRecord& r = read.record;
    const SettingsRecord x = allChangedRecord();
    EXPECT_EQ(r.DataFolders.FareDataFolder, QStringLiteral("C:\\運賃"));
    EXPECT_EQ(r.DataFolders.TapeDataFolder, QStringLiteral("D:\\放送表"));
    EXPECT_EQ(r.PanelSettings.AutoTicketNumbers, 0);
    EXPECT_EQ(r.PanelSettings.TicketNumberColorOff, 0x112233u);
    EXPECT_EQ(r.PanelSettings.TicketNumberColorOn1, 0x445566u);
    EXPECT_EQ(r.PanelSettings.TicketNumberColorOn2, 0x778899u);
    EXPECT_EQ(r.PanelSettings.TicketNumberStyle, 11);
    EXPECT_EQ(r.PanelSettings.TicketNumberZeroPad, 1);
    EXPECT_EQ(r.PanelSettings.PanelAuto, 0);
    EXPECT_EQ(r.PanelSettings.PanelPerImage, -1);
    EXPECT_EQ(r.PanelSettings.PanelOffBuiltIn, 0);
    EXPECT_EQ(r.PanelSettings.PanelOffUser, -1);
    EXPECT_EQ(r.PanelSettings.PanelOn1BuiltIn, 0);
    EXPECT_EQ(r.PanelSettings.PanelOn1User, -1);
    EXPECT_EQ(r.PanelSettings.PanelOn2BuiltIn, 0);
    EXPECT_EQ(r.PanelSettings.PanelOn2User, -1);
    EXPECT_EQ(r.PanelSettings.PanelOffImage, QStringLiteral("off.bmp"));
    EXPECT_EQ(r.PanelSettings.PanelOn1Image, QStringLiteral("on1.gif"));
    EXPECT_EQ(r.PanelSettings.PanelOn2Image, QStringLiteral("ｵﾝ2.jpg"));
    EXPECT_EQ(r.DigitSettings.DigitBackColor, 0x010203u);
    EXPECT_EQ(r.DigitSettings.DigitUnlitColor, 0x040506u);
    EXPECT_EQ(r.DigitSettings.DigitLitColor, 0x070809u);
    EXPECT_EQ(r.DigitSettings.InfoStopOrderShow, 1);
    EXPECT_EQ(r.DigitSettings.InfoStopOrderCell, 49);
    EXPECT_EQ(r.DigitSettings.InfoStopOrderFromZero, 1);
    EXPECT_EQ(r.DigitSettings.InfoTicketNumberShow, 1);
    EXPECT_EQ(r.DigitSettings.InfoTicketNumberCell, 1);
    EXPECT_EQ(r.DigitSettings.InfoRouteNumberShow, 1);
    EXPECT_EQ(r.DigitSettings.InfoRouteNumberCell, 2);
    EXPECT_EQ(r.DigitSettings.InfoDataColumnShow, 1);
    EXPECT_EQ(r.DigitSettings.InfoDataColumn, 149);
    EXPECT_EQ(r.DigitSettings.InfoDataColumnCell, 3);
    EXPECT_EQ(r.StopNameSettings.StopNameBackColor, 0x0A0B0Cu);
    EXPECT_EQ(r.StopNameSettings.StopNameForeColor, 0x0D0E0Fu);
    EXPECT_EQ(r.StopNameSettings.StopNameFontMode, 4);
    EXPECT_EQ(r.StopNameSettings.StopNameBold, 1);
    EXPECT_EQ(r.SoundSettings.RouteSetSound, QStringLiteral("a.wav"));
    EXPECT_EQ(r.SoundSettings.ResetSound, QStringLiteral("b.wav"));
    EXPECT_EQ(r.SoundSettings.StepSoundAlways, 0);
    EXPECT_EQ(r.SoundSettings.StepSoundByColumn, -1);
    EXPECT_EQ(r.SoundSettings.StepSoundSync, -1);
    EXPECT_EQ(r.SoundSettings.StepSoundAsync, 0);
    EXPECT_EQ(r.SoundSettings.StepSoundFixed, QStringLiteral("c.mp3"));
    EXPECT_EQ(r.SoundSettings.StepSoundColumn, 2);
    EXPECT_EQ(r.SoundSettings.StepSound1, QStringLiteral("1.wav"));
    EXPECT_EQ(r.SoundSettings.StepSound2, QStringLiteral("2.wav"));
    EXPECT_EQ(r.SoundSettings.StepSound3, QStringLiteral("3.mid"));
    EXPECT_EQ(r.SoundSettings.PreAnnounceAlways, 0);
    EXPECT_EQ(r.SoundSettings.PreAnnounceByFlag, -1);
    EXPECT_EQ(r.SoundSettings.PreAnnounceSync, 0);
    EXPECT_EQ(r.SoundSettings.PreAnnounceAsync, -1);
    EXPECT_EQ(r.SoundSettings.PreAnnounceFixed, QStringLiteral("p.wav"));
    EXPECT_EQ(r.SoundSettings.PreAnnounceSound1, QStringLiteral("p1.wav"));
    EXPECT_EQ(r.SoundSettings.PreAnnounceSound2, QStringLiteral("p2.wav"));
    EXPECT_EQ(r.SoundSettings.PreAnnounceSound3, QStringLiteral("p3.wav"));
    EXPECT_EQ(r.TicketSettings.UseTicketPreview, 1);
    EXPECT_EQ(r.TicketSettings.TicketPluginPath, QStringLiteral("/plugins/券.4SP"));
    EXPECT_EQ(r.TicketSettings.TicketDateOnPrint, 0);
    EXPECT_EQ(r.TicketSettings.TicketDateOnRouteSet, 0);
    EXPECT_EQ(r.TicketSettings.TicketDateFixed, -1);
    EXPECT_EQ(r.TicketSettings.TicketFixedDate, QStringLiteral("2024/03/05"));
    EXPECT_EQ(r.ControllerState.HiddenEntryPanel, 1);
    EXPECT_EQ(r.ControllerState.StopNameSpeed, 300);
    EXPECT_EQ(r.ControllerState.StopNameStartWait, 1500);
    EXPECT_EQ(r.ControllerState.LateNightFare, 1);
    EXPECT_EQ(r.ControllerState.PreviewOpen, 1);
    EXPECT_EQ(r.ControllerState.ControllerLeft, 9000);
    EXPECT_EQ(r.ControllerState.ControllerTop, -150);
    EXPECT_EQ(r.BoardPosition.BoardLeft, 1500);
    EXPECT_EQ(r.BoardPosition.BoardTop, -30);
    EXPECT_EQ(r.CustomColors, x.CustomColors);
    EXPECT_EQ(r.CustomColors[16], 17u * 0x010203u);
    EXPECT_EQ(r.DigitFormats, x.DigitFormats);
    // Display 1: Shift 2, ZeroMode 3, FillZero 4; display 50: 3, 1, 1.
    EXPECT_EQ(r.DigitFormats[0], (DigitFormat{2, 3, 4}));
    EXPECT_EQ(r.DigitFormats[49], (DigitFormat{3, 1, 1}));
}

TEST(SettingsRecordFile, NegativeAndLargeNumbersSurviveARoundTrip) {
    SettingsRecord r;
    r.ControllerState.ControllerLeft = INT32_MIN;
    r.ControllerState.ControllerTop = INT32_MAX;
    r.DigitFormats[7] = {-32768, 32767, -1};
    r.CustomColors[16] = 0xFFFFFFFFu;
    const SettingsRecord back = readSettings(writeSettings(r)).record;
    EXPECT_EQ(back.ControllerState.ControllerLeft, INT32_MIN);
    EXPECT_EQ(back.ControllerState.ControllerTop, INT32_MAX);
    EXPECT_EQ(back.DigitFormats[7], (DigitFormat{-32768, 32767, -1}));
    EXPECT_EQ(back.CustomColors[16], 0xFFFFFFFFu);
}

// A file cut short loads: every prefix of a full file is read without failing, the
// fields it holds whole are taken and the rest keep their defaults.
TEST(SettingsRecordShortFile, EveryPrefixOfAFullFileLoads) {
    const QByteArray full = readFixture(QStringLiteral("all-changed.in4"));
    ASSERT_EQ(full.size(), 653);
    const int fieldCount = settingsFieldCount();
    int lastFields = 0;
    for (qsizetype length = 0; length <= full.size(); ++length) {
        const QByteArray part = full.left(length);
        const ReadResult read = readSettings(part);
        SCOPED_TRACE(length);
        EXPECT_EQ(read.status, length == full.size() ? ReadStatus::Complete : ReadStatus::Truncated);
        EXPECT_LE(read.bytesUsed, length);
        EXPECT_GE(read.fieldsRead, lastFields);
        lastFields = read.fieldsRead;
        // What was read is exactly the file's beginning...
        const QByteArray again = writeSettings(read.record);
        EXPECT_EQ(again.left(read.bytesUsed), full.left(read.bytesUsed));
        // ...and reading only the used bytes gives the same record.
        EXPECT_EQ(writeSettings(readSettings(full.left(read.bytesUsed)).record), again);
        if (length < full.size()) {
            EXPECT_LT(read.fieldsRead, fieldCount);
        }
    }
    EXPECT_EQ(lastFields, fieldCount);
}

TEST(SettingsRecordShortFile, AnEmptyFileGivesTheDefaults) {
    const ReadResult read = readSettings({});
    EXPECT_EQ(read.status, ReadStatus::Truncated);
    EXPECT_EQ(read.fieldsRead, 0);
    EXPECT_EQ(writeSettings(read.record), writeSettings(SettingsRecord{}));
}

TEST(SettingsRecordShortFile, AStringWhoseBytesAreCutOffKeepsItsDefault) {
    const QByteArray full = readFixture(QStringLiteral("all-changed.in4"));
    // FareDataFolder is bytes 0..8 (count 7 and seven bytes).
    for (int length : {1, 2, 3, 8}) {
        const ReadResult read = readSettings(full.left(length));
        EXPECT_EQ(read.record.DataFolders.FareDataFolder, QString()) << length;
        EXPECT_EQ(read.fieldsRead, 0) << length;
    }
    const ReadResult whole = readSettings(full.left(9));
    EXPECT_EQ(whole.record.DataFolders.FareDataFolder, QStringLiteral("C:\\運賃"));
    EXPECT_EQ(whole.record.DataFolders.TapeDataFolder, QString());
    EXPECT_EQ(whole.record.PanelSettings.AutoTicketNumbers, 1);
}

TEST(SettingsRecordShortFile, AnOptionGroupIsTakenWholeOrNotAtAll) {
    const QByteArray full = readFixture(QStringLiteral("all-changed.in4"));
    // PanelAuto at 0x26, PanelPerImage at 0x28, the OFF pair at 0x2a.
    const ReadResult half = readSettings(full.left(0x28));
    EXPECT_EQ(half.record.PanelSettings.TicketNumberZeroPad, 1);
    EXPECT_EQ(half.record.PanelSettings.PanelAuto, -1);
    EXPECT_EQ(half.record.PanelSettings.PanelPerImage, 0);
    EXPECT_EQ(half.bytesUsed, 0x26);
    const ReadResult whole = readSettings(full.left(0x2a + 1));
    EXPECT_EQ(whole.record.PanelSettings.PanelAuto, 0);
    EXPECT_EQ(whole.record.PanelSettings.PanelPerImage, -1);
    EXPECT_EQ(whole.record.PanelSettings.PanelOffBuiltIn, -1);
    EXPECT_EQ(whole.record.PanelSettings.PanelOffUser, 0);
    EXPECT_EQ(whole.bytesUsed, 0x2a);
}

TEST(SettingsRecordShortFile, ACutInsideTheDateKeepsTodaysDate) {
    const QByteArray full = readFixture(QStringLiteral("all-changed.in4"));
    const qsizetype dateEnd = full.indexOf("2024/03/05") + 10;
    ASSERT_GT(dateEnd, 10);
    const ReadResult cut = readSettings(full.left(dateEnd - 1));
    EXPECT_EQ(cut.record.TicketSettings.TicketDateFixed, -1);
    EXPECT_EQ(cut.record.TicketSettings.TicketFixedDate, QString::fromLatin1(today()));
    EXPECT_EQ(readSettings(full.left(dateEnd)).record.TicketSettings.TicketFixedDate,
              QStringLiteral("2024/03/05"));
}

TEST(SettingsRecordShortFile, ACutInsideTheDigitFormatsKeepsTheFormatsBefore) {
    const QByteArray full = readFixture(QStringLiteral("all-changed.in4"));
    const SettingsRecord x = allChangedRecord();
    const qsizetype kStart = full.size() - 300;
    // Cut in the middle of display 11's ZeroMode.
    const ReadResult read = readSettings(full.left(kStart + 10 * 6 + 3));
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(read.record.DigitFormats[i], x.DigitFormats[i]) << i;
    EXPECT_EQ(read.record.DigitFormats[10].Shift, x.DigitFormats[10].Shift);
    EXPECT_EQ(read.record.DigitFormats[10].ZeroMode, 0);
    for (int i = 11; i < 50; ++i)
        EXPECT_EQ(read.record.DigitFormats[i], DigitFormat{}) << i;
    EXPECT_EQ(read.record.BoardPosition.BoardTop, -30);
    // One byte short: only the last FillZero is missing.
    const ReadResult last = readSettings(full.left(full.size() - 1));
    EXPECT_EQ(last.record.DigitFormats[49].ZeroMode, x.DigitFormats[49].ZeroMode);
    EXPECT_EQ(last.record.DigitFormats[49].FillZero, 0);
}

TEST(SettingsRecordFile, BytesAfterTheLayoutAreIgnored) {
    QByteArray data = readFixture(QStringLiteral("all-changed.in4"));
    data.append("trailing junk");
    const ReadResult read = readSettings(data);
    EXPECT_EQ(read.status, ReadStatus::Complete);
    EXPECT_EQ(read.bytesUsed, 653);
}

TEST(SettingsRecordLongText, ATextOver32767BytesIsCutAtACharacterBoundary) {
    SettingsRecord r;
    r.SoundSettings.StepSound2 = QString(20000, QChar(0x3042)); // あ: two bytes each
    r.DataFolders.FareDataFolder = QString(40000, QLatin1Char('x'));
    QStringList cut;
    const QByteArray data = writeSettings(r, &cut);
    EXPECT_EQ(cut, (QStringList{QStringLiteral("FareDataFolder"), QStringLiteral("StepSound2")}));
    EXPECT_EQ(int16At(data, 0), 32767);
    const ReadResult read = readSettings(data);
    EXPECT_EQ(read.status, ReadStatus::Complete);
    EXPECT_EQ(read.record.DataFolders.FareDataFolder, QString(32767, QLatin1Char('x')));
    EXPECT_EQ(read.record.SoundSettings.StepSound2, QString(16383, QChar(0x3042)));
}

TEST(SettingsRecordLongText, ATextOfExactly32767BytesIsKept) {
    SettingsRecord r;
    r.DataFolders.TapeDataFolder = QStringLiteral("ｱ") + QString(16383, QChar(0x3042));
    QStringList cut;
    const QByteArray data = writeSettings(r, &cut);
    EXPECT_TRUE(cut.isEmpty());
    EXPECT_EQ(readSettings(data).record.DataFolders.TapeDataFolder, r.DataFolders.TapeDataFolder);
}

TEST(SettingsRecordLongText, AByteCountAbove32767IsReadAsUnsigned) {
    Bytes b;
    b.data.append(static_cast<char>(0xFF));
    b.data.append(static_cast<char>(0xFF));
    b.data.append(QByteArray(65535, 'y'));
    b.str("z");
    const ReadResult read = readSettings(b.data);
    EXPECT_EQ(read.record.DataFolders.FareDataFolder.size(), 65535);
    EXPECT_EQ(read.record.DataFolders.TapeDataFolder, QStringLiteral("z"));
}
