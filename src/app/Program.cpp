#include "Program.h"

#include "BoardDefaults.h"
#include "ControllerLink.h"
#include "Fonts.h"
#include "Form1.h"
#include "MessageBox.h"
#include "PanelSwitch.h"
#include "SettingsWindows.h"
#include "frmOption.h"
#include "mdl508_000.h"

#include <QGuiApplication>
#include <QScreen>

#ifndef CORVANE_VERSION
#define CORVANE_VERSION "0.0.0"
#endif

QString programVersion() {
    return QStringLiteral(CORVANE_VERSION);
}

namespace {

// Keeps the controller's saved state and shows the OFF backlight until the
// controller window takes over.
class BoardOnlyController : public ControllerLink {
public:
    BoardOnlyController(Form1& board, frmOption& options) : m_board(board), m_options(options) {}
    void GetCtrlDataInfo(ControllerStateBlock& state) override { state = m_state; }
    void SetCtrlDataInfo(const ControllerStateBlock& state) override { m_state = state; }
    int backlightIndex() const override { return 0; }
    void Option4_Click(int index) override {
        panelswitch::showBacklight(m_board, index, m_options.backlightLook(index));
    }

private:
    Form1& m_board;
    frmOption& m_options;
    ControllerStateBlock m_state;
};

} // namespace

Program::Program() : Program(Options{}) {}

Program::Program(const Options& options) : m_startOptions(options) {}

Program::~Program() = default;

void Program::start() {
    QString problem;
    if (!fonts::registerDigitFonts(&problem))
        msgbox::show(nullptr, problem, QString(), msgbox::Icon::Exclamation);

    m_board = std::make_unique<Form1>(m_startOptions.designPath);
    Form1& board = *m_board;
    m_optionsDialog = std::make_unique<frmOption>(board);
    m_options = m_optionsDialog.get();
    m_controller = std::make_unique<BoardOnlyController>(board, *m_options);
    m_options->setController(m_controller.get());

    // 1. The fare displays start in digit style 1, blank.
    mdl508_000::InitFareDegits(board);
    // 2. The option defaults and the built-in panel pictures, applied to the board.
    mdl508_000::InitBoardDefaults(board, *m_options);
    // 5. The board goes to the screen's top-left corner.
    board.move(0, 0);
    // 7-8. Cut to its rounded outline and repainted.
    board.shapeWindow();
    board.Timer1().start();
    board.show();
    // 9. The settings file.
    if (m_startOptions.loadSettings)
        loadSettings();
}

bool Program::loadSettings(const QString& path) {
    return mdlIniIo::LoadIni(mdlIniIo::Windows{*m_board, *m_options, *m_controller}, path);
}

bool Program::saveSettings(const QString& path) {
    return mdlIniIo::SaveIni(mdlIniIo::Windows{*m_board, *m_options, *m_controller}, path);
}
