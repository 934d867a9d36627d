#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <array>
#include <cstdint>

// The settings record: the transfer buffer between the options dialog, the two main
// windows and the settings file. Eleven blocks, A to K, in the order they are stored.
//
// Field types follow the file: qint16 for check boxes (0/1), option buttons (0/-1),
// list indexes (-1 = nothing selected) and the controller's small numbers;
// std::uint32_t for colours (0x00BBGGRR, stored as 32-bit values); qint32 for the
// controller's scroll values and window positions (twips).

// Block A.
struct DataFoldersBlock {
    QString FareDataFolder;
    QString TapeDataFolder;
};

// Block B: 34 fixed bytes, then three strings.
struct PanelSettingsBlock {
    qint16 AutoTicketNumbers = 1;
    std::uint32_t TicketNumberColorOff = 0xFFFFFF;
    std::uint32_t TicketNumberColorOn1 = 0xC0FFC0;
    std::uint32_t TicketNumberColorOn2 = 0x80C0FF;
    qint16 TicketNumberStyle = 0;
    qint16 TicketNumberZeroPad = 0;
    qint16 PanelAuto = -1;
    qint16 PanelPerImage = 0;
    qint16 PanelOffBuiltIn = -1;
    qint16 PanelOffUser = 0;
    qint16 PanelOn1BuiltIn = -1;
    qint16 PanelOn1User = 0;
    qint16 PanelOn2BuiltIn = -1;
    qint16 PanelOn2User = 0;
    QString PanelOffImage;
    QString PanelOn1Image;
    QString PanelOn2Image;
};

// Block C: 32 bytes.
struct DigitSettingsBlock {
    std::uint32_t DigitBackColor = 0x808080;
    std::uint32_t DigitUnlitColor = 0x969696;
    std::uint32_t DigitLitColor = 0x72D2F8;
    qint16 InfoStopOrderShow = 0;
    qint16 InfoStopOrderCell = 0;
    qint16 InfoStopOrderFromZero = 0;
    qint16 InfoTicketNumberShow = 0;
    qint16 InfoTicketNumberCell = 0;
    qint16 InfoRouteNumberShow = 0;
    qint16 InfoRouteNumberCell = 0;
    qint16 InfoDataColumnShow = 0;
    qint16 InfoDataColumn = 0;
    qint16 InfoDataColumnCell = 0;
};

// Block D: 12 bytes.
struct StopNameSettingsBlock {
    std::uint32_t StopNameBackColor = 0x808080;
    std::uint32_t StopNameForeColor = 0x00FFFF;
    qint16 StopNameFontMode = -1;
    qint16 StopNameBold = 0;
};

// Block E: 18 fixed bytes among ten strings.
struct SoundSettingsBlock {
    QString RouteSetSound;
    QString ResetSound;
    qint16 StepSoundAlways = -1;
    qint16 StepSoundByColumn = 0;
    qint16 StepSoundSync = 0;
    qint16 StepSoundAsync = -1;
    QString StepSoundFixed;
    qint16 StepSoundColumn = 0;
    QString StepSound1;
    QString StepSound2;
    QString StepSound3;
    qint16 PreAnnounceAlways = -1;
    qint16 PreAnnounceByFlag = 0;
    qint16 PreAnnounceSync = -1;
    qint16 PreAnnounceAsync = 0;
    QString PreAnnounceFixed;
    QString PreAnnounceSound1;
    QString PreAnnounceSound2;
    QString PreAnnounceSound3;
};

// Today's date as the ticket date dialog writes it: "yyyy/mm/dd".
QString todayDateText();

// Block F.
struct TicketSettingsBlock {
    qint16 UseTicketPreview = 0;
    QString TicketPluginPath;
    qint16 TicketDateOnPrint = -1;
    qint16 TicketDateOnRouteSet = 0;
    qint16 TicketDateFixed = 0;
    QString TicketFixedDate = todayDateText();
};

// Block G: 22 bytes, the controller window's state.
struct ControllerStateBlock {
    qint16 HiddenEntryPanel = 0;
    qint32 StopNameSpeed = 0;
    qint32 StopNameStartWait = 0;
    qint16 LateNightFare = 0;
    qint16 PreviewOpen = 0;
    qint32 ControllerLeft = 0;
    qint32 ControllerTop = 0;
};

// Block H: 8 bytes, the board window's position.
struct BoardPositionBlock {
    qint32 BoardLeft = 0;
    qint32 BoardTop = 0;
};

// One element of block K: the format of one fare display.
struct DigitFormat {
    qint16 Shift = 0;
    qint16 ZeroMode = 0;
    qint16 FillZero = 0;
    bool operator==(const DigitFormat&) const = default;
};

struct SettingsRecord {
    static constexpr int CustomColorCount = 17;
    static constexpr int DigitFormatCount = 50;
    // The int16 stored between blocks I and K; any value read there is ignored.
    static constexpr qint16 DigitFormatMarker = 50;

    DataFoldersBlock DataFolders;           // A
    PanelSettingsBlock PanelSettings;       // B
    DigitSettingsBlock DigitSettings;       // C
    StopNameSettingsBlock StopNameSettings; // D
    SoundSettingsBlock SoundSettings;       // E
    TicketSettingsBlock TicketSettings;     // F
    ControllerStateBlock ControllerState;   // G
    BoardPositionBlock BoardPosition;       // H
    // Block I: the colour dialog's custom colours (16 colours and one value the
    // dialog keeps for itself). Kept as read and written back unchanged.
    std::array<std::uint32_t, CustomColorCount> CustomColors{};
    // Block K: element 0 is fare display 1, element 49 fare display 50.
    std::array<DigitFormat, DigitFormatCount> DigitFormats{};
};

// The longest text a string field can hold, in cp932 bytes. The byte count is stored
// in 16 bits and kept within the signed range so that every reader of the file agrees
// on it. The settings refuse a longer text where it is set (LiveSettings::setText),
// and a save refuses a record that still holds one (mdlIniIo::settingsFileBytes).
constexpr int MaxStoredTextBytes = 32767;

// The settings file's bytes for a record. A text longer than MaxStoredTextBytes is cut
// at the last whole character that fits, and its field named in `truncatedFields` when
// given; a save asks for the names and writes nothing when there are any.
QByteArray writeSettings(const SettingsRecord& record, QStringList* truncatedFields = nullptr);

enum class ReadStatus {
    Complete,  // every field was present
    Truncated, // the data ended early; the fields after `fieldsRead` keep their defaults
};

struct ReadResult {
    SettingsRecord record;
    ReadStatus status = ReadStatus::Complete;
    int fieldsRead = 0;      // fields taken from the data (the marker before block K counts as one)
    qsizetype bytesUsed = 0; // bytes of the data that were used
};

// Reads the settings file's bytes. Never fails: a field whose bytes are not all present
// (for a string: its count or any of its text bytes) and every field after it keep the
// record's defaults. The option buttons of one group are taken together or not at all,
// so a cut file never leaves a group half read. Bytes after block K are ignored.
ReadResult readSettings(const QByteArray& data);
// The same, with the fields the data lacks taken from `base` (the values a first start
// has) instead of the record's defaults.
ReadResult readSettings(const QByteArray& data, const SettingsRecord& base);

// The number of fields in the file, the marker before block K included.
int settingsFieldCount();
