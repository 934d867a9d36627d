#pragma once

#include "settings/SettingsRecord.h"

#include "board/DisplayConfig.h"

#include <QString>
#include <memory>
#include <vector>

class ConsoleModel;
class Form1;
class frmCtl;
class frmOption;
class QWidget;
class SignSet;

// One running instance of the simulator: its windows and the order in which they
// start and end. The program `508` and the automation tool both start it this way.
class Program {
public:
    struct Options {
        QString designPath;       // the board design; the built-in one when empty
        bool loadSettings = true; // read the settings file at the end of start-up
        DisplayConfig display;    // how the board is shown (scale, full screen, dots)
    };

    Program();
    explicit Program(const Options& options);
    ~Program();

    // The start-up sequence of the board window's load, then the board is shown.
    void start();

    // Loads or writes a settings file (the program's own when `path` is empty).
    bool loadSettings(const QString& path = QString());
    // A failed save is reported in a message box; `failure` (when given) gets its text.
    bool saveSettings(const QString& path = QString(), QString* failure = nullptr);

    Form1& board() { return *m_board; }
    frmOption& options() { return *m_options; }
    frmCtl& controller() { return *m_controller; }
    // The console's state and what the board shows.
    ConsoleModel& console() { return *m_console; }
    // The destination signs.
    SignSet& signs() { return *m_signs; }
    // The fare boards shown (1..4): board 1 is board(), the others show the same frames.
    int boardCount() const { return 1 + int(m_extraBoards.size()); }
    Form1& board(int number);

private:
    Options m_startOptions;
    // The windows' values before any settings file is read: what a short file's
    // missing values become.
    SettingsRecord m_firstStart;
    std::unique_ptr<Form1> m_board;
    std::unique_ptr<frmOption> m_optionsDialog;
    frmOption* m_options = nullptr; // the options dialog
    std::unique_ptr<ConsoleModel> m_console;
    std::unique_ptr<frmCtl> m_controller;
    std::unique_ptr<SignSet> m_signs;
    std::vector<std::unique_ptr<Form1>> m_extraBoards; // boards 2..4
    void startExtraBoards();
    void saveExtraBoardPositions();
};

// Moves a window that lies partly off the screen back onto it.
void keepOnScreen(QWidget& window);

// The program's version, from the build.
QString programVersion();
