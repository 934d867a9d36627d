#include "controller/ui/frmCtl.h"

#include "board/ui/Form1.h"
#include "board/ui/PanelSwitch.h"
#include "controller/AboutText.h"
#include "controller/ConsoleModel.h"
#include "controller/UserGuide.h"
#include "controller/ui/DigitWheel.h"
#include "platform/BlockingWait.h"
#include "platform/Cp932.h"
#include "platform/Twips.h"
#include "platform/ui/DesignWidgets.h"
#include "platform/ui/Fonts.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/ModalDialogs.h"
#include "platform/ui/Shell.h"
#include "reslib/ui/AboutDialog.h"
#include "reslib/ui/TicketPlugins.h"
#include "route/DataIo.h"
#include "route/RouteOperation.h"
#include "settings/SettingViews.h"
#include "settings/ui/frmOption.h"
#include "sound/mdlM_Tape.h"
#include "sound/mdlSndAPI.h"
#include "sound/ui/VoiceDialog.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <cmath>
#include <functional>

namespace {

constexpr int kClientHeightTwips = 2595;
constexpr int kFoldedWidthTwips = 5385;
constexpr int kOpenWidthTwips = 9000;
constexpr int kBorderTwips = 90; // the window's frame, outside its inner area

void place(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(
        QRect(twips::toPixels(left), twips::toPixels(top), twips::toPixels(width), twips::toPixels(height)));
}

QGroupBox* frame(QWidget* parent, const char* name, const QString& caption) {
    auto* f = new QGroupBox(caption, parent);
    f->setObjectName(QString::fromLatin1(name));
    return f;
}

QPushButton* button(QWidget* parent, const QString& name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

QLabel* label(QWidget* parent, const QString& name, const QString& caption) {
    auto* l = new QLabel(caption, parent);
    l->setObjectName(name);
    return l;
}

QListWidget* wheel(QWidget* parent, const QString& name) {
    auto* list = new DigitWheel(parent);
    list->setObjectName(name);
    return list;
}

QString selectedItem(const QListWidget* list) {
    const QList<QListWidgetItem*> items = list->selectedItems();
    return items.isEmpty() ? QString() : items.first()->text();
}

} // namespace

PreviewPicture::PreviewPicture(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PreviewPicture::clear() {
    m_image.fill(Qt::white);
    update();
}

void PreviewPicture::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, m_image);
}

void PreviewPicture::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_image = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    m_image.fill(Qt::white);
}

void PreviewPicture::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton)
        emit rightPressed(event->globalPosition().toPoint());
    QWidget::mousePressEvent(event);
}

frmCtl::frmCtl(Form1& board, frmOption& options, ConsoleModel& model, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      m_board(board), m_options(options), m_model(model) {
    setObjectName(QStringLiteral("frmCtl"));
    setWindowTitle(tr("集中操作盤"));
    setFont(fonts::uiFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));
    buildControls();
    setUpKeys();
    setFolded(true);
}

frmCtl::~frmCtl() = default;

void frmCtl::buildControls() {
    // Entry panels: the digit wheels (0) and the keypad (1) lie on top of each other.
    for (int i = 0; i < 2; ++i) {
        Frame1[i] = frame(this, i == 0 ? "Frame1(0)" : "Frame1(1)", QString());
        place(Frame1[i], 30, 0, 1995, 2565);
        // The panels lie on top of each other: the one in front hides the other.
        Frame1[i]->setAutoFillBackground(true);
        Frame1[i]->installEventFilter(this);
    }
    QGroupBox* wheels = Frame1[0];
    QGroupBox* keypad = Frame1[1];

    auto* title = label(wheels, QStringLiteral("Label5"), tr("系統設定"));
    title->setAlignment(Qt::AlignCenter);
    place(title, 225, 195, 1530, 375);
    place(label(wheels, QStringLiteral("Label6"), tr("系　統")), 240, 645, 705, 240);
    place(label(wheels, QStringLiteral("Label7"), tr("区間")), 1425, 645, 360, 240);
    for (int k = 0; k < 5; ++k) {
        List2[k] = wheel(wheels, QStringLiteral("List2(%1)").arg(k));
        place(List2[k], 105 + k * 240, 900, 225, 480);
        connect(List2[k], &QListWidget::itemClicked, this, [this, k] { List2_Click(k); });
    }
    for (int k = 0; k < 3; ++k) {
        List3[k] = wheel(wheels, QStringLiteral("List3(%1)").arg(k));
        place(List3[k], 1275 + k * 225, 900, 210, 480);
        connect(List3[k], &QListWidget::itemClicked, this, [this, k] { List3_Click(k); });
    }
    Command1[0] = button(wheels, QStringLiteral("Command1(0)"), tr("リセット"));
    place(Command1[0], 105, 1455 - 60, 1845, 315);

    Label2[0] = label(keypad, QStringLiteral("Label2(0)"), QString());
    Label2[1] = label(keypad, QStringLiteral("Label2(1)"), QStringLiteral("-"));
    Label2[2] = label(keypad, QStringLiteral("Label2(2)"), QString());
    place(Label2[0], 225, 120, 810, 315);
    place(Label2[1], 1125, 120, 150, 150);
    place(Label2[2], 1290, 120, 465, 270);
    for (int i : {0, 2}) {
        Label2[i]->setAutoFillBackground(true);
        Label2[i]->setFrameShape(QFrame::Panel);
        Label2[i]->setFrameShadow(QFrame::Sunken);
        Label2[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        QPalette pal = Label2[i]->palette();
        pal.setColor(QPalette::Window, Qt::black);
        pal.setColor(QPalette::WindowText, QColor(255, 160, 0));
        Label2[i]->setPalette(pal);
    }
    const int columns[3] = {330, 810, 1290};
    const int rows[4] = {570, 975, 1395, 1815};
    const int layout[4][3] = {{7, 8, 9}, {4, 5, 6}, {1, 2, 3}, {0, 10, 11}};
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 3; ++c) {
            const int k = layout[r][c];
            const QString caption = k == 10 ? tr("系統") : (k == 11 ? tr("区間") : QString::number(k));
            CommandButton1[k] = button(keypad, QStringLiteral("CommandButton1(%1)").arg(k), caption);
            place(CommandButton1[k], columns[c], rows[r] - 60, 450, 390);
            connect(CommandButton1[k], &QPushButton::clicked, this, [this, k] { CommandButton1_Click(k); });
        }
    }
    Command1[1] = button(keypad, QStringLiteral("Command1(1)"), tr("リセット"));
    place(Command1[1], 330, 2250 - 60, 1380, 315);
    for (int i = 0; i < 2; ++i)
        connect(Command1[i], &QPushButton::clicked, this, [this, i] { SetRoute(i); });

    Check1 = new QCheckBox(tr("表示消去"), this);
    Check1->setObjectName(QStringLiteral("Check1"));
    place(Check1, 2130, 75, 1275, 375);
    connect(Check1, &QCheckBox::clicked, this, &frmCtl::Check1_Click);

    Command2[0] = new WrapPushButton(tr("データ戻し"), this);
    Command2[1] = new WrapPushButton(tr("データ送り"), this);
    Command2[0]->setObjectName(QStringLiteral("Command2(0)"));
    Command2[1]->setObjectName(QStringLiteral("Command2(1)"));
    place(Command2[0], 2070, 495, 645, 750);
    place(Command2[1], 2730, 495, 690, 750);
    connect(Command2[0], &QPushButton::clicked, this, [this] { StepStop(0); });
    connect(Command2[1], &QPushButton::clicked, this, [this] { StepStop(1); });

    grpM_Tape = frame(this, "grpM_Tape", tr("音合使用不可"));
    place(grpM_Tape, 2085, 1260, 1290, 1275);
    cmdTapeBack = button(grpM_Tape, QStringLiteral("cmdTapeBack"), tr("戻し"));
    cmdTapeNext = button(grpM_Tape, QStringLiteral("cmdTapeNext"), tr("送り"));
    cmdTapeStop = button(grpM_Tape, QStringLiteral("cmdTapeStop"), QStringLiteral("■"));
    cmdTapeSet = button(grpM_Tape, QStringLiteral("cmdTapeSet"), tr("調整"));
    place(cmdTapeBack, 75, 225, 585, 690);
    place(cmdTapeNext, 660, 225, 570, 690);
    place(cmdTapeStop, 75, 930, 585, 300);
    place(cmdTapeSet, 660, 930, 570, 300);
    connect(cmdTapeBack, &QPushButton::clicked, this, &frmCtl::cmdTapeBack_Click);
    connect(cmdTapeNext, &QPushButton::clicked, this, &frmCtl::cmdTapeNext_Click);
    connect(cmdTapeStop, &QPushButton::clicked, this, &frmCtl::cmdTapeStop_Click);
    connect(cmdTapeSet, &QPushButton::clicked, this, &frmCtl::cmdTapeSet_Click);

    Frame2 = frame(this, "Frame2", tr("バックライト"));
    place(Frame2, 3465, 60, 1695, 720);
    const char* const lights[3] = {"OFF", "ON1", "ON2"};
    const int lightLeft[3] = {75, 615, 1140};
    for (int i = 0; i < 3; ++i) {
        // A row of latching switches: pressing one releases the others.
        Option4[i] = new QPushButton(QString::fromLatin1(lights[i]), Frame2);
        Option4[i]->setCheckable(true);
        Option4[i]->setAutoExclusive(true);
        Option4[i]->setObjectName(QStringLiteral("Option4(%1)").arg(i));
        place(Option4[i], lightLeft[i], 330, 510, 330);
        connect(Option4[i], &QPushButton::clicked, this, [this, i] { Option4_Click(i); });
    }
    Option4[0]->setChecked(true);

    Frame6 = frame(this, "Frame6", QString());
    place(Frame6, 3450, 780, 1725, 1410);
    Label3[0] = label(Frame6, QStringLiteral("Label3(0)"), tr("ｽｸﾛｰﾙ速度"));
    Label1[0] = label(Frame6, QStringLiteral("Label1(0)"), QString());
    HScroll1[0] = new QScrollBar(Qt::Horizontal, Frame6);
    place(Label3[0], 60, 150, 975, 210);
    place(Label1[0], 1050, 135, 570, 240);
    place(HScroll1[0], 120, 405, 1440, 180);
    Label3[1] = label(Frame6, QStringLiteral("Label3(1)"), tr("ｽｸﾛｰﾙ間隔"));
    Label1[1] = label(Frame6, QStringLiteral("Label1(1)"), QString());
    HScroll1[1] = new QScrollBar(Qt::Horizontal, Frame6);
    place(Label3[1], 60, 645, 960, 210);
    place(Label1[1], 1050, 615, 570, 240);
    place(HScroll1[1], 135, 900, 1410, 180);
    HScroll1[0]->setObjectName(QStringLiteral("HScroll1(0)"));
    HScroll1[1]->setObjectName(QStringLiteral("HScroll1(1)"));
    HScroll1[0]->setRange(1, 2000);
    HScroll1[1]->setRange(0, 3000);
    // The bars start where the stop-name strip starts, so that what they show is what
    // the strip does from the first start on.
    HScroll1[0]->setValue(m_board.stopNameSpeed());
    HScroll1[1]->setValue(m_board.stopNameStartWait());
    for (int i = 0; i < 2; ++i)
        Label1[i]->setText(QString::number(HScroll1[i]->value()));
    HScroll1[1]->setPageStep(100);
    HScroll1[0]->setPageStep(50);
    for (int i = 0; i < 2; ++i) {
        Label1[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        connect(HScroll1[i], &QScrollBar::valueChanged, this, [this, i] { HScroll1_Change(i); });
    }
    Check2 = new QCheckBox(tr("深夜料金"), Frame6);
    Check2->setObjectName(QStringLiteral("Check2"));
    place(Check2, 105, 1125, 1515, 270);
    connect(Check2, &QCheckBox::toggled, this, [this](bool on) { m_model.setLateNight(on); });
    // A route set makes stepping and clearing possible.
    connect(&m_model, &ConsoleModel::consoleChanged, this, [this] {
        if (!m_model.routeSet() || m_model.displayCleared())
            return;
        Command2[0]->setEnabled(true);
        Command2[1]->setEnabled(true);
        Check1->setEnabled(true);
    });

    Command4 = button(this, QStringLiteral("Command4"), tr("設定..."));
    Command8 = button(this, QStringLiteral("Command8"), tr("ﾊﾞｰｼﾞｮﾝ"));
    place(Command4, 3450, 2250, 840, 300);
    place(Command8, 4290, 2250, 870, 300);
    connect(Command4, &QPushButton::clicked, this, &frmCtl::Command4_Click);
    connect(Command8, &QPushButton::clicked, this, &frmCtl::Command8_Click);

    Check4 = button(this, QStringLiteral("Check4"), QStringLiteral(">>"));
    Check4->setCheckable(true);
    Check4->setToolTip(tr("整理券プレビューを開きます"));
    place(Check4, 4935, 45, 330, 300);
    connect(Check4, &QPushButton::clicked, this, [this] {
        Check4_Click();
        // Opened by the operator at the screen's right edge, the console moves left so
        // that the preview stays on the screen. (A position restored from the settings
        // is kept as saved; the start-up brings a window back onto the screen.)
        if (Check4->isChecked())
            keepRightEdgeOnScreen();
    });

    Label4 = label(this, QStringLiteral("Label4"), tr("整理券プレビュー"));
    place(Label4, 5370, 135, 1350, 225);
    picSeirikenPrev = new PreviewPicture(this);
    picSeirikenPrev->setObjectName(QStringLiteral("picSeirikenPrev"));
    place(picSeirikenPrev, 5415, 390, 3300, 1395);
    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    place(Combo1, 5430, 2160, 3000, 300);

    MnuHide = new QMenu(this);
    MnuHideCopy = MnuHide->addAction(tr("コピー(&C)"));
    connect(MnuHideCopy, &QAction::triggered, this, &frmCtl::MnuHideCopy_Click);
    connect(picSeirikenPrev, &PreviewPicture::rightPressed, this,
            [this](const QPoint& at) { MnuHide->popup(at); });

    // Until a route is set nothing can be stepped or cleared.
    Command2[0]->setEnabled(false);
    Command2[1]->setEnabled(false);
    Check1->setEnabled(false);
}

void frmCtl::setUpKeys() {
    // Each key clicks its control: a disabled control (no route yet, the board
    // cleared, a dialog open) ignores its key as it ignores the mouse.
    const auto bind = [this](QAbstractButton* control, const QString& tip, const QString& keyName,
                             std::initializer_list<int> keys, std::function<void()> before = {}) {
        control->setToolTip(tr("%1（キー: %2）").arg(tip, keyName));
        for (int key : keys) {
            auto* shortcut = new QShortcut(QKeySequence(key), this);
            shortcut->setAutoRepeat(false);
            connect(shortcut, &QShortcut::activated, control, [control, before] {
                if (!control->isEnabled())
                    return;
                if (before)
                    before();
                control->click();
            });
        }
    };
    // The keypad's keys bring its panel to the front, so that what is typed is seen.
    const auto keypadInFront = [this] {
        if (HiddenEntryPanel == 1)
            Frame1_DblClick(0);
    };
    for (int k = 0; k <= 9; ++k)
        bind(CommandButton1[k], tr("数字を入力します"), QString::number(k), {Qt::Key_0 + k}, keypadInFront);
    bind(CommandButton1[10], tr("系統番号を入力します"), QStringLiteral("R"), {Qt::Key_R}, keypadInFront);
    bind(CommandButton1[11], tr("区間を入力します"), QStringLiteral("S"), {Qt::Key_S}, keypadInFront);
    bind(Command1[1], tr("入力した系統と区間を設定します"), QStringLiteral("Enter"),
         {Qt::Key_Return, Qt::Key_Enter}, keypadInFront);
    Command1[0]->setToolTip(tr("選んだ系統と区間を設定します"));
    bind(Command2[0], tr("一つ前の停留所に戻ります"), QStringLiteral("PageUp"), {Qt::Key_PageUp});
    bind(Command2[1], tr("次の停留所に進みます"), QStringLiteral("PageDown"), {Qt::Key_PageDown});
    bind(cmdTapeNext, tr("次の放送を流します"), QStringLiteral("Space"), {Qt::Key_Space});
    bind(cmdTapeBack, tr("前の放送に戻ります"), QStringLiteral("Backspace"), {Qt::Key_Backspace});
    bind(cmdTapeStop, tr("放送を止めます"), QStringLiteral("Esc"), {Qt::Key_Escape});
    cmdTapeSet->setToolTip(tr("声の速さや高さを調節します"));
    bind(Check2, tr("深夜料金を表示します"), QStringLiteral("N"), {Qt::Key_N});
    Check1->setToolTip(tr("表示を消し、操作盤を止めます"));
    Command4->setToolTip(tr("オプションを設定します"));
    Command8->setToolTip(tr("バージョン情報を表示します（F1 キーで使い方ガイドを開きます）"));
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    help->setAutoRepeat(false);
    connect(help, &QShortcut::activated, this, &frmCtl::openGuide);
}

void frmCtl::openGuide() {
    const QString program = QCoreApplication::applicationFilePath();
    const QString guide = controller::findGuide(program);
    if (!guide.isEmpty()) {
        shell::open(guide);
        return;
    }
    msgbox::show(this,
                 tr("使い方ガイドが見つかりません。次の場所を探しました：\n%1")
                     .arg(controller::guideCandidates(program).join(QLatin1Char('\n'))),
                 tr("使い方ガイド"), msgbox::Icon::Exclamation);
}

void frmCtl::Form_Load() {
    m_board.setWindowTitle(tr("Corvane - 型番:") +
                           QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
    for (int i = 0; i < 12; ++i) {
        KeypadRegions[i] = roundRectRegion(26, 23, 2, 2).translated(2, 2);
        CommandButton1[i]->setMask(KeypadRegions[i]);
    }

    mdlM_Tape::setTapeFrame(mdlM_Tape::TapeFrame{
        [this](const QString& caption) { grpM_Tape->setTitle(caption); },
        [this](mdlM_Tape::TapeControl control, bool enabled) {
            using C = mdlM_Tape::TapeControl;
            QWidget* const widgets[] = {grpM_Tape, cmdTapeNext, cmdTapeBack, cmdTapeStop, cmdTapeSet};
            static_assert(static_cast<int>(C::cmdTapeSet) == 4);
            widgets[static_cast<int>(control)]->setEnabled(enabled);
        },
        [this](const QString& toolTip) { grpM_Tape->setToolTip(toolTip); }});
    mdlM_Tape::setSettingsSource([this] { return settings_views::tapeSettings(m_options.live()); });
    // Another chime before the announcements: what was prepared with the old one goes.
    connect(&m_options.live(), &LiveSettings::valueChanged, this, [](Setting setting) {
        switch (setting) {
        case Setting::PreAnnounceAlways:
        case Setting::PreAnnounceByFlag:
        case Setting::PreAnnounceFixed:
        case Setting::PreAnnounceSound1:
        case Setting::PreAnnounceSound2:
        case Setting::PreAnnounceSound3:
            mdlM_Tape::PrepareNext();
            break;
        default:
            break;
        }
    });
    mdlM_Tape::InitTape();
}

void frmCtl::setFolded(bool folded) {
    const int widthTwips = (folded ? kFoldedWidthTwips : kOpenWidthTwips) - kBorderTwips;
    setFixedSize(twips::toPixels(widthTwips), twips::toPixels(kClientHeightTwips));
}

void frmCtl::keepRightEdgeOnScreen() {
    const QScreen* shownOn = screen();
    if (!shownOn)
        return;
    const QRect area = shownOn->availableGeometry();
    const QRect outer = frameGeometry();
    // The window grew to the right: it moves left as far as needed, never past the
    // screen's left edge.
    const int dx = qMax(area.left() - outer.left(), qMin(0, area.right() - outer.right()));
    if (dx != 0)
        move(pos() + QPoint(dx, 0));
}

// ---- Saved state ---------------------------------------------------------------

void frmCtl::GetCtrlDataInfo(ControllerStateBlock& state) {
    const QPoint outer = frameGeometry().topLeft();
    state.ControllerLeft = m_savedPosition.leftAt(outer);
    state.ControllerTop = m_savedPosition.topAt(outer);
    state.StopNameSpeed = HScroll1[0]->value();
    state.StopNameStartWait = HScroll1[1]->value();
    state.HiddenEntryPanel = HiddenEntryPanel;
    state.PreviewOpen = Check4->isChecked() ? 1 : 0;
    state.LateNightFare = Check2->isChecked() ? 1 : 0;
}

SettingsError frmCtl::checkCtrlDataInfo(const ControllerStateBlock& state) const {
    // The scroll values are restored as 16-bit numbers into scroll bars with ranges.
    const auto fits16 = [](qint32 v) { return v >= -32768 && v <= 32767; };
    if (!fits16(state.StopNameSpeed) || !fits16(state.StopNameStartWait))
        return SettingsError::make(settings_error::Overflow);
    for (int i = 0; i < 2; ++i) {
        const qint32 v = i == 0 ? state.StopNameSpeed : state.StopNameStartWait;
        if (v < HScroll1[i]->minimum() || v > HScroll1[i]->maximum())
            return SettingsError::make(settings_error::InvalidPropertyValue);
    }
    return SettingsError{};
}

void frmCtl::SetCtrlDataInfo(const ControllerStateBlock& state) {
    move(m_savedPosition.place(state.ControllerLeft, state.ControllerTop));
    HScroll1[0]->setValue(static_cast<qint16>(state.StopNameSpeed));
    HScroll1[1]->setValue(static_cast<qint16>(state.StopNameStartWait));
    HiddenEntryPanel = state.HiddenEntryPanel == 1 ? 1 : 0;
    const bool open = state.PreviewOpen != 0;
    if (Check4->isChecked() != open) {
        Check4->setChecked(open);
        Check4_Click();
    }
    Check2->setChecked(state.LateNightFare != 0);
    Frame1_DblClick(HiddenEntryPanel);
}

// ---- Backlight -----------------------------------------------------------------

void frmCtl::Option4_Click(int index) {
    m_model.setBacklight(index);
}

void frmCtl::resizePreview(int widthTwips, int heightTwips) {
    const QRect g = picSeirikenPrev->geometry();
    picSeirikenPrev->setGeometry(g.x(), g.y(), qMax(1, twips::toPixels(widthTwips)),
                                 qMax(1, twips::toPixels(heightTwips)));
}

// ---- Board update --------------------------------------------------------------

void frmCtl::showTicket(const BoardFrame& frame) {
    if (frame.fares != BoardFrame::Fares::Values || frame.ticket.row < 1)
        return;
    const BoardFrame::Ticket& t = frame.ticket;
    picSeirikenPrev->clear();
    if (!t.shown)
        return;
    QByteArray stopName = t.stopName;
    QByteArray dateText = cp932::encode(t.date);
    Zelk4_DrawSeiriken(m_options.live().text(Setting::TicketPluginPath), picSeirikenPrev->image(), stopName,
                       dateText, t.time, t.routeNumber, t.ticketNumber, t.row,
                       static_cast<qint16>(Combo1->currentIndex()));
    m_model.setStopNameBytes(t.row, stopName);
    picSeirikenPrev->update();
}

// ---- Route setting and stepping --------------------------------------------------

void frmCtl::SetRoute(int panel) {
    QString route;
    QString section;
    if (panel == 1) {
        route = Label2[0]->text();
        section = Label2[2]->text();
    } else {
        QStringList routeDigits;
        for (QListWidget* w : List2)
            routeDigits << selectedItem(w);
        QStringList sectionDigits;
        for (QListWidget* w : List3)
            sectionDigits << selectedItem(w);
        route = routeop::joinWheels(routeDigits);
        section = routeop::joinWheels(sectionDigits);
    }
    const DataIo::LoadResult loaded = m_model.setRoute(route, section);
    if (!loaded.loaded()) {
        msgbox::show(nullptr, loaded.message, QString(), msgbox::Icon::None, QMessageBox::Ok);
        return;
    }
    if (!m_model.signMessage().isEmpty())
        msgbox::show(nullptr, m_model.signMessage(), QString(), msgbox::Icon::Exclamation, QMessageBox::Ok);
}

void frmCtl::StepStop(int direction) {
    m_model.step(direction);
}

void frmCtl::CommandButton1_Click(int index) {
    mdlSndAPI::PlaySnd(m_options.live().text(Setting::ResetSound), QStringLiteral("S1"), 0, 0);
    if (index == 10) {
        KeypadTarget = true;
        Label2[0]->clear();
        return;
    }
    if (index == 11) {
        KeypadTarget = false;
        Label2[2]->clear();
        return;
    }
    QLabel* target = KeypadTarget ? Label2[0] : Label2[2];
    const int maxLength = KeypadTarget ? routeop::kRouteDigits : routeop::kSectionDigits;
    target->setText(routeop::appendDigit(target->text(), maxLength, index));
}

void frmCtl::List2_Click(int) {
    mdlSndAPI::PlaySnd(m_options.live().text(Setting::ResetSound), QStringLiteral("S1"), 0, 0);
}

void frmCtl::List3_Click(int) {
    mdlSndAPI::PlaySnd(m_options.live().text(Setting::RouteSetSound), QStringLiteral("S1"), 0, 0);
}

void frmCtl::Frame1_DblClick(int index) {
    HiddenEntryPanel = static_cast<qint16>(index == 1 ? 1 : 0);
    Frame1[HiddenEntryPanel]->lower();
}

void frmCtl::Check1_Click() {
    const bool on = Check1->isChecked();
    if (on) {
        m_model.setDisplayCleared(true);
        for (QWidget* w : std::initializer_list<QWidget*>{Frame1[0], Frame1[1], Command2[0], Command2[1],
                                                          grpM_Tape, Frame6})
            w->setEnabled(false);
        return;
    }
    for (QWidget* w : std::initializer_list<QWidget*>{Frame1[0], Frame1[1], Command2[0], Command2[1], Frame6})
        w->setEnabled(true);
    grpM_Tape->setEnabled(mdlM_Tape::SpeechReady());
    m_model.setDisplayCleared(false);
}

// ---- Other controls --------------------------------------------------------------

void frmCtl::HScroll1_Change(int index) {
    Label1[index]->setText(QString::number(HScroll1[index]->value()));
    m_board.setStopNameScroll(static_cast<qint16>(HScroll1[0]->value()), HScroll1[1]->value());
}

void frmCtl::Check4_Click() {
    const bool open = Check4->isChecked();
    setFolded(!open);
    Check4->setText(open ? QStringLiteral("<<") : QStringLiteral(">>"));
    Check4->setToolTip(open ? tr("整理券プレビューを隠します") : tr("整理券プレビューを開きます"));
}

void frmCtl::Command4_Click() {
    m_board.setEnabled(false);
    setEnabled(false);
    modal::exec(m_options);
    m_board.setEnabled(true);
    setEnabled(true);
    m_model.showStopName(QString());
    m_model.showStopName(m_model.route().FareTable[m_model.route().CurrentStop + 1].StopName);
}

void frmCtl::Command8_Click() {
    const QString text =
        controller::aboutText(QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName(),
                              QCoreApplication::applicationVersion(), QDate::currentDate().year());
    m_board.setEnabled(false);
    Call_dlg110(this, 1, text, controller::aboutCredits());
    m_board.setEnabled(true);
}

void frmCtl::cmdTapeNext_Click() {
    mdlM_Tape::TapeNextAndStep([this](int direction) { StepStop(direction); });
}

void frmCtl::cmdTapeBack_Click() {
    mdlM_Tape::TapeBackAndStep([this](int direction) { StepStop(direction); });
}

void frmCtl::cmdTapeStop_Click() {
    mdlM_Tape::StopTape();
}

void frmCtl::cmdTapeSet_Click() {
    mdlM_Tape::ShowVoiceDlg(this);
}

void frmCtl::MnuHideCopy_Click() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setImage(picSeirikenPrev->image());
}

// ---- Closing ---------------------------------------------------------------------

bool frmCtl::QueryUnload() {
    if (m_ending)
        return true;
    const auto answer =
        msgbox::show(this, tr("Corvaneを終了しますか？"), tr("Corvaneの終了確認"), msgbox::Icon::Question,
                     QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return false;
    m_ending = true;
    m_model.showStopName(QString());
    m_board.DeleteRgn();
    for (int i = 0; i < 12; ++i) {
        CommandButton1[i]->clearMask();
        KeypadRegions[i] = QRegion();
    }
    mdlSndAPI::CloseAllSnd();
    mdlM_Tape::ReleaseTape();
    emit aboutToEnd();
    // Every window closes with the program.
    QCoreApplication::quit();
    return true;
}

void frmCtl::closeEvent(QCloseEvent* event) {
    if (QueryUnload())
        event->accept();
    else
        event->ignore();
}

bool frmCtl::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        for (int i = 0; i < 2; ++i) {
            if (watched == Frame1[i]) {
                Frame1_DblClick(i);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}
