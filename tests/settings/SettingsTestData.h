#pragma once

// Shared helpers of the settings tests: a byte builder for hand-made files, the
// fixtures of data/fixtures/settings and the record those fixtures hold.

#include "settings/SettingsRecord.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>

namespace settings_test {

// Builds settings-file bytes field by field, independently of the writer.
struct Bytes {
    QByteArray data;
    Bytes& i16(int v) {
        const auto u = static_cast<std::uint16_t>(static_cast<std::int16_t>(v));
        data.append(static_cast<char>(u & 0xFF));
        data.append(static_cast<char>(u >> 8));
        return *this;
    }
    Bytes& i32(std::int64_t v) {
        const auto u = static_cast<std::uint32_t>(v);
        for (int shift = 0; shift < 32; shift += 8)
            data.append(static_cast<char>((u >> shift) & 0xFF));
        return *this;
    }
    // A string field from raw cp932 bytes.
    Bytes& str(const QByteArray& raw) {
        i16(static_cast<int>(raw.size()));
        data.append(raw);
        return *this;
    }
    Bytes& empty(int count = 1) {
        for (int i = 0; i < count; ++i)
            i16(0);
        return *this;
    }
};

// The file a first start writes: every setting at its default, every text empty
// except the fixed date.
inline QByteArray defaultFile(const QByteArray& date) {
    Bytes b;
    // A: two folders.
    b.empty(2);
    // B: ticket-number labels on, three label colours, style 0, no zero pad,
    // panel choice (auto, per image) and the built-in/user pairs of OFF, ON1, ON2.
    b.i16(1).i32(0xFFFFFF).i32(0xC0FFC0).i32(0x80C0FF).i16(0).i16(0);
    b.i16(-1).i16(0).i16(-1).i16(0).i16(-1).i16(0).i16(-1).i16(0);
    b.empty(3);
    // C: three digit colours, then show/cell pairs and the data column.
    b.i32(0x808080).i32(0x969696).i32(0x72D2F8);
    for (int i = 0; i < 10; ++i)
        b.i16(0);
    // D: stop-name colours, no font option chosen, not bold.
    b.i32(0x808080).i32(0x00FFFF).i16(-1).i16(0);
    // E: route-set and reset sounds; step sound always, played asynchronously.
    b.empty(2).i16(-1).i16(0).i16(0).i16(-1);
    b.empty(1).i16(0).empty(3);
    // Pre-announcement: always, played synchronously.
    b.i16(-1).i16(0).i16(-1).i16(0).empty(4);
    // F: no preview, no plug-in, date on print, the fixed date.
    b.i16(0).empty(1).i16(-1).i16(0).i16(0).str(date);
    // G: controller state, H: board position, I: 17 custom colours.
    b.i16(0).i32(0).i32(0).i16(0).i16(0).i32(0).i32(0);
    b.i32(0).i32(0);
    for (int i = 0; i < 17; ++i)
        b.i32(0);
    // J: the marker, K: fifty formats of three zeros.
    b.i16(50);
    for (int i = 0; i < 150; ++i)
        b.i16(0);
    return b.data;
}

inline QString fixturePath(const QString& name) {
    return QStringLiteral(CORVANE_SOURCE_DIR "/data/fixtures/settings/") + name;
}

inline QByteArray readFixture(const QString& name) {
    QFile f(fixturePath(name));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

// The bytes listed in an annotated .hex fixture: each line "offset  bytes  # comment".
inline QByteArray readHexFixture(const QString& name) {
    QFile f(fixturePath(name));
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QByteArray out;
    while (!f.atEnd()) {
        QByteArray line = f.readLine();
        const qsizetype hash = line.indexOf('#');
        if (hash >= 0)
            line.truncate(hash);
        const QList<QByteArray> tokens = line.simplified().split(' ');
        for (qsizetype i = 1; i < tokens.size(); ++i)
            out.append(QByteArray::fromHex(tokens[i]));
    }
    return out;
}

// The record that all-changed.in4 holds: every field differs from its default.
inline SettingsRecord allChangedRecord() {
    SettingsRecord r;
    r.DataFolders.FareDataFolder = QStringLiteral("C:\\運賃");
    r.DataFolders.TapeDataFolder = QStringLiteral("D:\\放送表");
    auto& b = r.PanelSettings;
    b.AutoTicketNumbers = 0;
    b.TicketNumberColorOff = 0x112233;
    b.TicketNumberColorOn1 = 0x445566;
    b.TicketNumberColorOn2 = 0x778899;
    b.TicketNumberStyle = 11;
    b.TicketNumberZeroPad = 1;
    b.PanelAuto = 0;
    b.PanelPerImage = -1;
    b.PanelOffBuiltIn = 0;
    b.PanelOffUser = -1;
    b.PanelOn1BuiltIn = 0;
    b.PanelOn1User = -1;
    b.PanelOn2BuiltIn = 0;
    b.PanelOn2User = -1;
    b.PanelOffImage = QStringLiteral("off.bmp");
    b.PanelOn1Image = QStringLiteral("on1.gif");
    b.PanelOn2Image = QStringLiteral("ｵﾝ2.jpg");
    auto& c = r.DigitSettings;
    c.DigitBackColor = 0x010203;
    c.DigitUnlitColor = 0x040506;
    c.DigitLitColor = 0x070809;
    c.InfoStopOrderShow = 1;
    c.InfoStopOrderCell = 49;
    c.InfoStopOrderFromZero = 1;
    c.InfoTicketNumberShow = 1;
    c.InfoTicketNumberCell = 1;
    c.InfoRouteNumberShow = 1;
    c.InfoRouteNumberCell = 2;
    c.InfoDataColumnShow = 1;
    c.InfoDataColumn = 149;
    c.InfoDataColumnCell = 3;
    auto& d = r.StopNameSettings;
    d.StopNameBackColor = 0x0A0B0C;
    d.StopNameForeColor = 0x0D0E0F;
    d.StopNameFontMode = 4;
    d.StopNameBold = 1;
    auto& e = r.SoundSettings;
    e.RouteSetSound = QStringLiteral("a.wav");
    e.ResetSound = QStringLiteral("b.wav");
    e.StepSoundAlways = 0;
    e.StepSoundByColumn = -1;
    e.StepSoundSync = -1;
    e.StepSoundAsync = 0;
    e.StepSoundFixed = QStringLiteral("c.mp3");
    e.StepSoundColumn = 2;
    e.StepSound1 = QStringLiteral("1.wav");
    e.StepSound2 = QStringLiteral("2.wav");
    e.StepSound3 = QStringLiteral("3.mid");
    e.PreAnnounceAlways = 0;
    e.PreAnnounceByFlag = -1;
    e.PreAnnounceSync = 0;
    e.PreAnnounceAsync = -1;
    e.PreAnnounceFixed = QStringLiteral("p.wav");
    e.PreAnnounceSound1 = QStringLiteral("p1.wav");
    e.PreAnnounceSound2 = QStringLiteral("p2.wav");
    e.PreAnnounceSound3 = QStringLiteral("p3.wav");
    auto& f = r.TicketSettings;
    f.UseTicketPreview = 1;
    f.TicketPluginPath = QStringLiteral("/plugins/券.4SP");
    f.TicketDateOnPrint = 0;
    f.TicketDateOnRouteSet = 0;
    f.TicketDateFixed = -1;
    f.TicketFixedDate = QStringLiteral("2024/03/05");
    auto& g = r.ControllerState;
    g.HiddenEntryPanel = 1;
    g.StopNameSpeed = 300;
    g.StopNameStartWait = 1500;
    g.LateNightFare = 1;
    g.PreviewOpen = 1;
    g.ControllerLeft = 9000;
    g.ControllerTop = -150;
    r.BoardPosition.BoardLeft = 1500;
    r.BoardPosition.BoardTop = -30;
    for (int i = 0; i < 17; ++i)
        r.CustomColors[i] = static_cast<std::uint32_t>(i + 1) * 0x010203u;
    for (int i = 1; i <= 50; ++i)
        r.DigitFormats[i - 1] = {static_cast<qint16>(1 + i % 3), static_cast<qint16>(1 + (i + 1) % 3),
                                 static_cast<qint16>(1 + (i + 2) % 4)};
    return r;
}

} // namespace settings_test
