#include "app/Program.h"

#include "app/BoardDefaults.h"
#include "app/SettingsWindows.h"
#include "board/ui/Form1.h"
#include "board/ui/mdl508_000.h"
#include "controller/ConsoleModel.h"
#include "controller/ui/frmCtl.h"
#include "platform/ui/Fonts.h"
#include "platform/ui/MessageBox.h"
#include "settings/SettingViews.h"
#include "settings/ui/frmOption.h"

#include <QGuiApplication>
#include <QScreen>

#ifndef CORVANE_VERSION
#define CORVANE_VERSION "0.0.0"
#endif

QString programVersion() {
    return QStringLiteral(CORVANE_VERSION);
}

void keepOnScreen(QWidget& window) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    const QRect outer = window.frameGeometry();
    if (area.contains(outer))
        return;
    const int x = qBound(area.left(), outer.x(), qMax(area.left(), area.right() + 1 - outer.width()));
    const int y = qBound(area.top(), outer.y(), qMax(area.top(), area.bottom() + 1 - outer.height()));
    window.move(window.pos() + QPoint(x - outer.x(), y - outer.y()));
}

Program::Program() : Program(Options{}) {}

Program::Program(const Options& options) : m_startOptions(options) {}

Program::~Program() = default;

void Program::start() {
    QString problem;
    if (!fonts::registerDigitFonts(&problem))
        msgbox::show(nullptr, problem, QString(), msgbox::Icon::Exclamation);

    m_board = std::make_unique<Form1>(m_startOptions.designPath);
    Form1& board = *m_board;
    m_optionsDialog = std::make_unique<frmOption>();
    m_options = m_optionsDialog.get();
    m_console = std::make_unique<ConsoleModel>(m_options->live());
    m_controller = std::make_unique<frmCtl>(board, *m_options, *m_console);
    // The ticket preview, then the board, show each frame of the console's model.
    QObject::connect(m_console.get(), &ConsoleModel::frameChanged, m_controller.get(), &frmCtl::showTicket);
    QObject::connect(m_console.get(), &ConsoleModel::frameChanged, m_board.get(), &Form1::showFrame);
    // Confirmed at the console, the end saves the settings.
    QObject::connect(m_controller.get(), &frmCtl::aboutToEnd, m_controller.get(), [this] { saveSettings(); });
    QObject::connect(m_board.get(), &Form1::displayFormatChosen, m_console.get(),
                     &ConsoleModel::setAllDisplayFormats);
    // The board's look: all of it when the settings are applied, the panel when the
    // backlight is switched or the panel settings are restored.
    const LiveSettings& live = m_options->live();
    ConsoleModel& console = *m_console;
    QObject::connect(m_options, &frmOption::settingsApplied, &board, [&board, &live, &console] {
        board.applyLook(settings_views::boardLook(live, console.backlight()));
    });
    const auto showPanel = [&board, &live, &console] {
        board.applyBacklight(console.backlight(), settings_views::backlightLook(live, console.backlight()));
    };
    QObject::connect(m_console.get(), &ConsoleModel::backlightChanged, &board, showPanel);
    QObject::connect(m_options, &frmOption::panelSettingsRestored, &board, showPanel);
    m_options->setTicketPreviewHost(m_controller.get());
    board.setControllerWindow(m_controller.get());

    // 1. The fare displays start in digit style 1, blank.
    mdl508_000::InitFareDegits(board);
    // 2. The option defaults and the built-in panel pictures, applied to the board.
    mdl508_000::InitBoardDefaults(board, *m_options);
    // 3. The options dialog is loaded hidden (above). 4. The controller is shown and
    // raised.
    frmCtl& controller = *m_controller;
    controller.Form_Load();
    controller.show();
    controller.raise();
    controller.activateWindow();
    // 5-6. The board goes to the screen's top-left corner, the controller to the
    // bottom-right one.
    board.move(0, 0);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        const QSize outer = controller.frameGeometry().size();
        controller.move(area.x() + area.width() - outer.width(), area.y() + area.height() - outer.height());
    }
    // 7-8. Cut to its rounded outline and repainted.
    board.shapeWindow();
    board.startClock();
    // 9. The settings file.
    m_firstStart = mdlIniIo::currentRecord(mdlIniIo::Windows{board, *m_options, controller, *m_console});
    if (m_startOptions.loadSettings) {
        loadSettings();
        // A position saved on a larger screen would leave a window out of reach.
        keepOnScreen(controller);
        keepOnScreen(board);
    }
    if (m_startOptions.display != DisplayConfig{})
        board.applyDisplay(m_startOptions.display);
    if (m_startOptions.display.fullScreen)
        board.showFullScreen();
    else
        board.show();
}

bool Program::loadSettings(const QString& path) {
    return mdlIniIo::LoadIni(mdlIniIo::Windows{*m_board, *m_options, *m_controller, *m_console}, path,
                             m_firstStart);
}

bool Program::saveSettings(const QString& path, QString* failure) {
    return mdlIniIo::SaveIni(mdlIniIo::Windows{*m_board, *m_options, *m_controller, *m_console}, path,
                             failure);
}
