#include "app/Program.h"

#include "app/BoardDefaults.h"
#include "app/SettingsWindows.h"
#include "app/SignSet.h"
#include "board/ui/Form1.h"
#include "board/ui/mdl508_000.h"
#include "controller/ConsoleModel.h"
#include "controller/ui/frmCtl.h"
#include "platform/ui/Fonts.h"
#include "platform/WindowPlacement.h"
#include "platform/ui/MessageBox.h"
#include "settings/SettingViews.h"
#include "settings/ui/frmOption.h"

#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>

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
    // The destination signs follow the same frames; the board's menu opens them.
    m_signs = std::make_unique<SignSet>(*m_console, m_startOptions.display, m_startOptions.loadSettings);
    board.setMenuExtension([this](QMenu& menu) { m_signs->addMenu(menu); });

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
    // A board on the whole screen or fitted to it leaves room for the console.
    board.setConsoleRoom(controller.frameGeometry().size());
    if (m_startOptions.display != DisplayConfig{})
        board.applyDisplay(m_startOptions.display);
    if (m_startOptions.display.fullScreen)
        board.showFullScreen();
    else
        board.show();
    // Over a board drawn larger than designed, the console opens where it leaves the
    // board in view (at 1x the saved places stand as saved).
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen && (board.scale() > 1.0 || board.display().fullScreen)) {
        const QRect outer = controller.frameGeometry();
        const QPoint at =
            placement::beside(screen->geometry(), board.drawnArea(), outer.size(), outer.topLeft());
        controller.move(controller.pos() + (at - outer.topLeft()));
    }
    controller.raise();
    controller.activateWindow();
    startExtraBoards();
    m_signs->start(board.frameGeometry().bottomLeft() + QPoint(0, 16));
}

Form1& Program::board(int number) {
    if (number >= 2 && number <= boardCount())
        return *m_extraBoards[size_t(number - 2)];
    return *m_board;
}

void Program::startExtraBoards() {
    const DisplayConfig& display = m_startOptions.display;
    const LiveSettings& live = m_options->live();
    ConsoleModel& console = *m_console;
    for (int number = 2; number <= display.boards; ++number) {
        auto extra = std::make_unique<Form1>(m_startOptions.designPath);
        Form1& b = *extra;
        mdl508_000::InitFareDegits(b);
        b.setPicture(b.imgRes(0), QStringLiteral("builtin"));
        b.imgRes(1) = b.imgRes(0).copy();
        b.imgRes(2) = b.imgRes(0).copy();
        b.setControllerWindow(m_controller.get());
        b.setMenuExtension([this](QMenu& menu) { m_signs->addMenu(menu); });
        b.applyLook(settings_views::boardLook(live, console.backlight()));
        b.setStopNameScroll(m_board->stopNameSpeed(), m_board->stopNameStartWait());
        // The console's scroll bars set the first board's strip; the others follow it.
        for (QScrollBar* bar : {m_controller->HScroll1[0], m_controller->HScroll1[1]})
            QObject::connect(bar, &QScrollBar::valueChanged, &b, [this, &b] {
                b.setStopNameScroll(m_board->stopNameSpeed(), m_board->stopNameStartWait());
            });
        QObject::connect(m_console.get(), &ConsoleModel::frameChanged, &b, &Form1::showFrame);
        QObject::connect(&b, &Form1::displayFormatChosen, m_console.get(), &ConsoleModel::setAllDisplayFormats);
        QObject::connect(m_options, &frmOption::settingsApplied, &b,
                         [&b, &live, &console] { b.applyLook(settings_views::boardLook(live, console.backlight())); });
        QObject::connect(m_console.get(), &ConsoleModel::backlightChanged, &b, [&b, &live, &console] {
            b.applyBacklight(console.backlight(), settings_views::backlightLook(live, console.backlight()));
        });
        b.shapeWindow();
        b.startClock();
        b.showFrame(console.frame());
        DisplayConfig own = display;
        own.fullScreen = false; // only the first board fills its monitor
        if (own != DisplayConfig{})
            b.applyDisplay(own);
        // Where it was left, else right of the board before it.
        const std::optional<QPoint>& at = display.boardPositions[size_t(number - 1)];
        b.move(at ? *at : board(number - 1).frameGeometry().topRight() + QPoint(16, 0));
        b.show();
        if (m_startOptions.loadSettings)
            keepOnScreen(b);
        m_extraBoards.push_back(std::move(extra));
    }
    if (!m_extraBoards.empty() && m_startOptions.loadSettings)
        QObject::connect(m_controller.get(), &frmCtl::aboutToEnd, m_controller.get(),
                         [this] { saveExtraBoardPositions(); });
}

void Program::saveExtraBoardPositions() {
    DisplayConfig kept = DisplayConfig::load();
    for (int number = 2; number <= boardCount(); ++number)
        kept.boardPositions[size_t(number - 1)] = board(number).pos();
    kept.save();
}

bool Program::loadSettings(const QString& path) {
    return mdlIniIo::LoadIni(mdlIniIo::Windows{*m_board, *m_options, *m_controller, *m_console}, path,
                             m_firstStart);
}

bool Program::saveSettings(const QString& path, QString* failure) {
    return mdlIniIo::SaveIni(mdlIniIo::Windows{*m_board, *m_options, *m_controller, *m_console}, path,
                             failure);
}
