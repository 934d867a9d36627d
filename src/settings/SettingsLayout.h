#pragma once

#include "settings/SettingsRecord.h"

// The settings file's layout as one ordered walk over the record, shared by the file
// reader and writer and by the live settings. The record may be const (writing) or
// not (reading). The visitor receives, in file order:
//   block(letter)                      at the start of each block A..K
//   text(name, QString&)               string field
//   check(name, qint16&)               check box, 0/1
//   option(group, name, qint16&)       option button, 0/-1; a group's buttons are adjacent
//   list(name, qint16&, size)          list index, -1..size-1
//   colour(name, std::uint32_t&)       colour 0x00BBGGRR
//   int16(name, qint16&), int32(name, qint32&) / int32(name, std::uint32_t&)   plain numbers
//   marker()                           the int16 before block K
namespace settings_layout {

// The names of the option groups: buttons that share a frame in the options dialog.
inline constexpr const char* PanelChoiceGroup = "PanelChoice";
inline constexpr const char* PanelOffGroup = "PanelOff";
inline constexpr const char* PanelOn1Group = "PanelOn1";
inline constexpr const char* PanelOn2Group = "PanelOn2";
inline constexpr const char* StepSoundGroup = "StepSound";
inline constexpr const char* StepSoundPlayGroup = "StepSoundPlay";
inline constexpr const char* PreAnnounceGroup = "PreAnnounce";
inline constexpr const char* PreAnnouncePlayGroup = "PreAnnouncePlay";
inline constexpr const char* TicketDateGroup = "TicketDate";

// List sizes of the options dialog's lists.
inline constexpr int TicketNumberStyleCount = 12; // Combo2
inline constexpr int CellCount = 50;              // Combo4(0..3)
inline constexpr int DataColumnCount = 150;       // Combo4(4), Combo1
inline constexpr int FontModeCount = 5;           // Combo3

// Blocks A to F: the settings the options dialog holds.
template <class R, class V> void visitOptionBlocks(R& r, V& v) {
    auto& a = r.DataFolders;
    v.block('A');
    v.text("FareDataFolder", a.FareDataFolder);
    v.text("TapeDataFolder", a.TapeDataFolder);

    auto& b = r.PanelSettings;
    v.block('B');
    v.check("AutoTicketNumbers", b.AutoTicketNumbers);
    v.colour("TicketNumberColorOff", b.TicketNumberColorOff);
    v.colour("TicketNumberColorOn1", b.TicketNumberColorOn1);
    v.colour("TicketNumberColorOn2", b.TicketNumberColorOn2);
    v.list("TicketNumberStyle", b.TicketNumberStyle, TicketNumberStyleCount);
    v.check("TicketNumberZeroPad", b.TicketNumberZeroPad);
    v.option(PanelChoiceGroup, "PanelAuto", b.PanelAuto);
    v.option(PanelChoiceGroup, "PanelPerImage", b.PanelPerImage);
    v.option(PanelOffGroup, "PanelOffBuiltIn", b.PanelOffBuiltIn);
    v.option(PanelOffGroup, "PanelOffUser", b.PanelOffUser);
    v.option(PanelOn1Group, "PanelOn1BuiltIn", b.PanelOn1BuiltIn);
    v.option(PanelOn1Group, "PanelOn1User", b.PanelOn1User);
    v.option(PanelOn2Group, "PanelOn2BuiltIn", b.PanelOn2BuiltIn);
    v.option(PanelOn2Group, "PanelOn2User", b.PanelOn2User);
    v.text("PanelOffImage", b.PanelOffImage);
    v.text("PanelOn1Image", b.PanelOn1Image);
    v.text("PanelOn2Image", b.PanelOn2Image);

    auto& c = r.DigitSettings;
    v.block('C');
    v.colour("DigitBackColor", c.DigitBackColor);
    v.colour("DigitUnlitColor", c.DigitUnlitColor);
    v.colour("DigitLitColor", c.DigitLitColor);
    v.check("InfoStopOrderShow", c.InfoStopOrderShow);
    v.list("InfoStopOrderCell", c.InfoStopOrderCell, CellCount);
    v.check("InfoStopOrderFromZero", c.InfoStopOrderFromZero);
    v.check("InfoTicketNumberShow", c.InfoTicketNumberShow);
    v.list("InfoTicketNumberCell", c.InfoTicketNumberCell, CellCount);
    v.check("InfoRouteNumberShow", c.InfoRouteNumberShow);
    v.list("InfoRouteNumberCell", c.InfoRouteNumberCell, CellCount);
    v.check("InfoDataColumnShow", c.InfoDataColumnShow);
    v.list("InfoDataColumn", c.InfoDataColumn, DataColumnCount);
    v.list("InfoDataColumnCell", c.InfoDataColumnCell, CellCount);

    auto& d = r.StopNameSettings;
    v.block('D');
    v.colour("StopNameBackColor", d.StopNameBackColor);
    v.colour("StopNameForeColor", d.StopNameForeColor);
    v.list("StopNameFontMode", d.StopNameFontMode, FontModeCount);
    v.check("StopNameBold", d.StopNameBold);

    auto& e = r.SoundSettings;
    v.block('E');
    v.text("RouteSetSound", e.RouteSetSound);
    v.text("ResetSound", e.ResetSound);
    v.option(StepSoundGroup, "StepSoundAlways", e.StepSoundAlways);
    v.option(StepSoundGroup, "StepSoundByColumn", e.StepSoundByColumn);
    v.option(StepSoundPlayGroup, "StepSoundSync", e.StepSoundSync);
    v.option(StepSoundPlayGroup, "StepSoundAsync", e.StepSoundAsync);
    v.text("StepSoundFixed", e.StepSoundFixed);
    v.list("StepSoundColumn", e.StepSoundColumn, DataColumnCount);
    v.text("StepSound1", e.StepSound1);
    v.text("StepSound2", e.StepSound2);
    v.text("StepSound3", e.StepSound3);
    v.option(PreAnnounceGroup, "PreAnnounceAlways", e.PreAnnounceAlways);
    v.option(PreAnnounceGroup, "PreAnnounceByFlag", e.PreAnnounceByFlag);
    v.option(PreAnnouncePlayGroup, "PreAnnounceSync", e.PreAnnounceSync);
    v.option(PreAnnouncePlayGroup, "PreAnnounceAsync", e.PreAnnounceAsync);
    v.text("PreAnnounceFixed", e.PreAnnounceFixed);
    v.text("PreAnnounceSound1", e.PreAnnounceSound1);
    v.text("PreAnnounceSound2", e.PreAnnounceSound2);
    v.text("PreAnnounceSound3", e.PreAnnounceSound3);

    auto& f = r.TicketSettings;
    v.block('F');
    v.check("UseTicketPreview", f.UseTicketPreview);
    v.text("TicketPluginPath", f.TicketPluginPath);
    v.option(TicketDateGroup, "TicketDateOnPrint", f.TicketDateOnPrint);
    v.option(TicketDateGroup, "TicketDateOnRouteSet", f.TicketDateOnRouteSet);
    v.option(TicketDateGroup, "TicketDateFixed", f.TicketDateFixed);
    v.text("TicketFixedDate", f.TicketFixedDate);
}

// The whole file: blocks A to K.
template <class R, class V> void visitFile(R& r, V& v) {
    visitOptionBlocks(r, v);

    auto& g = r.ControllerState;
    v.block('G');
    v.int16("HiddenEntryPanel", g.HiddenEntryPanel);
    v.int32("StopNameSpeed", g.StopNameSpeed);
    v.int32("StopNameStartWait", g.StopNameStartWait);
    v.int16("LateNightFare", g.LateNightFare);
    v.int16("PreviewOpen", g.PreviewOpen);
    v.int32("ControllerLeft", g.ControllerLeft);
    v.int32("ControllerTop", g.ControllerTop);

    auto& h = r.BoardPosition;
    v.block('H');
    v.int32("BoardLeft", h.BoardLeft);
    v.int32("BoardTop", h.BoardTop);

    v.block('I');
    for (auto& colour : r.CustomColors)
        v.int32("CustomColors", colour);

    v.block('J');
    v.marker();

    v.block('K');
    for (auto& format : r.DigitFormats) {
        v.int16("Shift", format.Shift);
        v.int16("ZeroMode", format.ZeroMode);
        v.int16("FillZero", format.FillZero);
    }
}

} // namespace settings_layout
