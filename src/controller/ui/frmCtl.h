#pragma once

#include "platform/Twips.h"
#include "settings/SettingsError.h"
#include "settings/SettingsRecord.h"
#include "settings/ui/frmOption.h"

#include <QImage>
#include <QPushButton>
#include <QRegion>
#include <QWidget>
#include <array>

class ConsoleModel;
class Form1;
struct BoardFrame;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QAction;
class QScrollBar;

// The ticket preview: a picture the ticket plug-in draws into.
class PreviewPicture : public QWidget {
    Q_OBJECT
public:
    explicit PreviewPicture(QWidget* parent = nullptr);
    QImage& image() { return m_image; }
    void clear();

signals:
    void rightPressed(const QPoint& globalPos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QImage m_image;
};

// The operator's console ("集中操作盤"): route entry, stepping, the late-night switch,
// the stop-name scroll bars, the backlight, the announcement tape, the settings and
// version buttons and the ticket preview. Closing it ends the program.
class frmCtl : public QWidget, public TicketPreviewHost {
    Q_OBJECT
public:
    frmCtl(Form1& board, frmOption& options, ConsoleModel& model, QWidget* parent = nullptr);
    ~frmCtl() override;

    // The window's load: the board's caption, the keypad keys' outlines, the tape.
    void Form_Load();

    // The console's part of the settings file: its position, the scroll bars, the entry
    // panel in front, the preview and the late-night switch.
    void GetCtrlDataInfo(ControllerStateBlock& state);
    void SetCtrlDataInfo(const ControllerStateBlock& state);
    // Whether the controls can take the saved state: error number 0 when they can.
    SettingsError checkCtrlDataInfo(const ControllerStateBlock& state) const;
    // The backlight option's click: 0 OFF, 1 ON1, 2 ON2.
    void Option4_Click(int index);

    // TicketPreviewHost
    QComboBox* companyList() override { return Combo1; }
    void resizePreview(int widthTwips, int heightTwips) override;

    // Draws the ticket of a board frame into the preview.
    void showTicket(const BoardFrame& frame);
    // Sets the route from an entry panel (0 the digit wheels, 1 the keypad).
    void SetRoute(int panel);
    // One stop back (0) or forward (1).
    void StepStop(int direction);

    void CommandButton1_Click(int index);
    void List2_Click(int index);
    void List3_Click(int index);
    void Frame1_DblClick(int index);
    void Check1_Click();
    void HScroll1_Change(int index);
    void Check4_Click();
    void Command4_Click();
    void Command8_Click();
    void cmdTapeNext_Click();
    void cmdTapeBack_Click();
    void cmdTapeStop_Click();
    void cmdTapeSet_Click();
    void MnuHideCopy_Click();
    // F1: opens the user guide in the desktop's own program, or says where it was
    // looked for.
    void openGuide();

    // The close question and, when confirmed, the shutdown (the settings are saved by
    // whoever listens to aboutToEnd); true when the program ends.
    bool QueryUnload();

    // Controls, by their names.
    std::array<QGroupBox*, 2> Frame1{};
    std::array<QListWidget*, 5> List2{};
    std::array<QListWidget*, 3> List3{};
    std::array<QPushButton*, 2> Command1{};
    std::array<QPushButton*, 12> CommandButton1{};
    std::array<QLabel*, 3> Label2{};
    QCheckBox* Check1 = nullptr;
    std::array<QPushButton*, 2> Command2{};
    QGroupBox* grpM_Tape = nullptr;
    QPushButton* cmdTapeBack = nullptr;
    QPushButton* cmdTapeNext = nullptr;
    QPushButton* cmdTapeStop = nullptr;
    QPushButton* cmdTapeSet = nullptr;
    QGroupBox* Frame2 = nullptr;
    std::array<QPushButton*, 3> Option4{};
    QGroupBox* Frame6 = nullptr;
    std::array<QLabel*, 2> Label3{};
    std::array<QLabel*, 2> Label1{};
    std::array<QScrollBar*, 2> HScroll1{};
    QCheckBox* Check2 = nullptr;
    QPushButton* Command4 = nullptr;
    QPushButton* Command8 = nullptr;
    QPushButton* Check4 = nullptr;
    QLabel* Label4 = nullptr;
    PreviewPicture* picSeirikenPrev = nullptr;
    QComboBox* Combo1 = nullptr;
    QMenu* MnuHide = nullptr;
    QAction* MnuHideCopy = nullptr;

    bool KeypadTarget = false;
    qint16 HiddenEntryPanel = 0;
    std::array<QRegion, 12> KeypadRegions;

signals:
    // The operator confirmed the end: the program saves its settings now.
    void aboutToEnd();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    // The console's keys: each presses its control, so that a locked control stays
    // locked; the key is named in the control's tool tip.
    void setUpKeys();
    void setFolded(bool folded);
    // Moves the window left when its right edge lies beyond the screen's.
    void keepRightEdgeOnScreen();

    Form1& m_board;
    frmOption& m_options;
    ConsoleModel& m_model;
    bool m_ending = false;
    twips::KeptPosition m_savedPosition;
};
