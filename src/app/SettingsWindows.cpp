#include "app/SettingsWindows.h"

#include "board/ui/Form1.h"
#include "controller/ConsoleModel.h"
#include "controller/ui/frmCtl.h"
#include "platform/ui/MessageBox.h"
#include "settings/mdlIniIo.h"
#include "settings/ui/frmOption.h"

#include <QCoreApplication>

namespace mdlIniIo {
namespace {

void report(const QString& text) {
    msgbox::show(nullptr, text, QString(), msgbox::Icon::None, QMessageBox::Ok);
}

} // namespace

bool LoadIni(const Windows& w, const QString& path, const SettingsRecord& firstStart) {
    const LoadResult loaded = path.isEmpty()
                                  ? loadProgramSettings(QCoreApplication::applicationFilePath(),
                                                        QProcessEnvironment::systemEnvironment(), firstStart)
                                  : loadSettingsFile(path, firstStart);
    if (loaded.status == LoadStatus::Missing)
        return false;
    if (loaded.status == LoadStatus::Failed) {
        report(loadErrorMessage(loaded.error));
        return false;
    }
    // A value that a control refuses stops the load before anything is applied.
    SettingsError refused = LiveSettings::validate(loaded.record);
    if (refused.number == 0)
        refused = w.controller.checkCtrlDataInfo(loaded.record.ControllerState);
    if (refused.number != 0) {
        report(loadErrorMessage(refused));
        return false;
    }
    SettingsRecord& record = settingsRecord();
    record = loaded.record;

    // The formats go to the console's model; the colours come with the look that
    // SetProp applies below.
    std::array<DisplayFormat, BoardFrame::kFareDisplays + 1> formats{};
    for (int i = 1; i <= BoardFrame::kFareDisplays; ++i) {
        const DigitFormat& f = record.DigitFormats[static_cast<size_t>(i - 1)];
        formats[size_t(i)] = DisplayFormat{0, f.ZeroMode, f.Shift, f.FillZero};
    }
    w.console.setDisplayFormats(formats);
    w.console.blankFares(QStringLiteral(" "));

    w.options.SetOptionInfo(record);
    w.controller.SetCtrlDataInfo(record.ControllerState);
    w.board.SetFormInfo(BoardPosition{record.BoardPosition.BoardLeft, record.BoardPosition.BoardTop});
    w.options.SetProp();
    return true;
}

SettingsRecord currentRecord(const Windows& w) {
    SettingsRecord record = settingsRecord();
    for (int i = 1; i <= Form1::kFareDisplays; ++i) {
        const DisplayFormat& shown = w.console.frame().formats[size_t(i)];
        DigitFormat& f = record.DigitFormats[static_cast<size_t>(i - 1)];
        f.ZeroMode = static_cast<qint16>(shown.zeroMode);
        f.Shift = static_cast<qint16>(shown.shift);
        f.FillZero = static_cast<qint16>(shown.fillZero);
    }
    w.options.GetOptionInfo(record);
    w.controller.GetCtrlDataInfo(record.ControllerState);
    BoardPosition position;
    w.board.GetFormInfo(position);
    record.BoardPosition.BoardLeft = position.BoardLeft;
    record.BoardPosition.BoardTop = position.BoardTop;
    return record;
}

bool SaveIni(const Windows& w, const QString& path, QString* failure) {
    SettingsRecord& record = settingsRecord();
    record = currentRecord(w);
    QByteArray bytes;
    SettingsError error = settingsFileBytes(record, bytes);
    if (!error.isError())
        error = path.isEmpty() ? saveProgramSettings(QCoreApplication::applicationFilePath(), bytes)
                               : writeSettingsFile(path, bytes);
    if (error.number != 0) {
        report(saveErrorMessage(error));
        if (failure)
            *failure = saveErrorMessage(error);
        return false;
    }
    return true;
}

} // namespace mdlIniIo
