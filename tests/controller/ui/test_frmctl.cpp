#include "board/ui/Form1.h"
#include "controller/ConsoleModel.h"
#include "controller/ui/frmCtl.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/ModalDialogs.h"
#include "platform/ui/Shell.h"
#include "settings/SettingViews.h"
#include "settings/ui/frmOption.h"
#include "sound/SpeechEngine.h"
#include "sound/mdlM_Tape.h"
#include "stopname/ui/ChimeiCtl_B.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <functional>
#include <gtest/gtest.h>

namespace {

class ControllerWindow : public ::testing::Test {
protected:
    void SetUp() override {
        msgbox::setRecording(true);
        msgbox::takeRecorded();
        QObject::connect(&model, &ConsoleModel::frameChanged, &ctl, &frmCtl::showTicket);
        QObject::connect(&model, &ConsoleModel::frameChanged, &board, &Form1::showFrame);
        QObject::connect(&model, &ConsoleModel::backlightChanged, [this](int state) {
            board.applyBacklight(state, settings_views::backlightLook(options.live(), state));
        });
        QObject::connect(&options, &frmOption::settingsApplied, [this] {
            board.applyLook(settings_views::boardLook(options.live(), model.backlight()));
        });
    }
    void TearDown() override {
        msgbox::setRecording(false);
        modal::setHandler({});
    }
    Form1 board;
    frmOption options;
    ConsoleModel model{options.live()};
    frmCtl ctl{board, options, model};
};

TEST_F(ControllerWindow, AnsweringNoToTheCloseQuestionChangesNothing) {
    ctl.Form_Load();
    board.ChimeiCtl()->SetChimei(QStringLiteral("駅前"));
    EXPECT_FALSE(ctl.QueryUnload());
    const auto asked = msgbox::takeRecorded();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].text, QStringLiteral("Corvaneを終了しますか？"));
    EXPECT_EQ(asked[0].title, QStringLiteral("Corvaneの終了確認"));
    EXPECT_EQ(asked[0].icon, msgbox::Icon::Question);
    EXPECT_EQ(asked[0].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(board.ChimeiCtl()->stopName(), QStringLiteral("駅前"));
    EXPECT_FALSE(ctl.CommandButton1[5]->mask().isEmpty());
}

TEST_F(ControllerWindow, AnsweringYesBlanksTheStripAndEnds) {
    ctl.Form_Load();
    QSignalSpy ending(&ctl, &frmCtl::aboutToEnd);
    board.ChimeiCtl()->SetChimei(QStringLiteral("駅前"));
    msgbox::setNextAnswer(QMessageBox::Yes);
    EXPECT_TRUE(ctl.QueryUnload());
    EXPECT_EQ(board.ChimeiCtl()->stopName(), QString());
    EXPECT_TRUE(ctl.CommandButton1[5]->mask().isEmpty());
    EXPECT_EQ(ending.count(), 1) << "the settings are saved";
}

TEST_F(ControllerWindow, LoadNamesTheBoardAndShapesTheKeys) {
    ctl.Form_Load();
    EXPECT_TRUE(board.windowTitle().startsWith(QStringLiteral("Corvane - 型番:")));
    const QRegion key = ctl.KeypadRegions[0];
    EXPECT_TRUE(key.contains(QPoint(10, 10)));
    EXPECT_FALSE(key.contains(QPoint(1, 1)));
    EXPECT_FALSE(key.contains(QPoint(28, 25)));
    EXPECT_TRUE(key.contains(QPoint(27, 24)) || key.contains(QPoint(26, 23)));
}

TEST_F(ControllerWindow, KeypadFillsTheRouteAndSectionDisplays) {
    for (int k : {10, 1, 2, 3, 4, 5, 6, 11, 9, 9, 9, 9})
        ctl.CommandButton1_Click(k);
    EXPECT_EQ(ctl.Label2[0]->text(), QStringLiteral("12345"));
    EXPECT_EQ(ctl.Label2[2]->text(), QStringLiteral("999"));
    ctl.CommandButton1_Click(10);
    EXPECT_EQ(ctl.Label2[0]->text(), QString());
    EXPECT_EQ(ctl.Label2[2]->text(), QStringLiteral("999"));
}

TEST_F(ControllerWindow, SavedStateComesBack) {
    ControllerStateBlock saved;
    saved.HiddenEntryPanel = 1;
    saved.StopNameSpeed = 40;
    saved.StopNameStartWait = 700;
    saved.LateNightFare = 1;
    saved.PreviewOpen = 1;
    saved.ControllerLeft = 1500;
    saved.ControllerTop = 3000;
    ctl.SetCtrlDataInfo(saved);
    EXPECT_EQ(ctl.HScroll1[0]->value(), 40);
    EXPECT_EQ(ctl.Label1[1]->text(), QStringLiteral("700"));
    EXPECT_EQ(board.ChimeiCtl()->Speed(), 40);
    EXPECT_EQ(board.ChimeiCtl()->ScrollStartWait(), 700);
    EXPECT_EQ(ctl.width(), (9000 - 90) / 15);
    EXPECT_EQ(ctl.Check4->text(), QStringLiteral("<<"));
    EXPECT_EQ(ctl.Check4->toolTip(), QStringLiteral("整理券プレビューを隠します"));
    // Panel 1 went behind: the digit-wheel panel is in front.
    const QList<QObject*> order = ctl.children();
    EXPECT_LT(order.indexOf(ctl.Frame1[1]), order.indexOf(ctl.Frame1[0]));

    ControllerStateBlock back;
    ctl.GetCtrlDataInfo(back);
    EXPECT_EQ(back.HiddenEntryPanel, 1);
    EXPECT_EQ(back.StopNameSpeed, 40);
    EXPECT_EQ(back.StopNameStartWait, 700);
    EXPECT_EQ(back.LateNightFare, 1);
    EXPECT_EQ(back.PreviewOpen, 1);
    EXPECT_EQ(back.ControllerLeft, 1500);
    EXPECT_EQ(back.ControllerTop, 3000);
}

TEST_F(ControllerWindow, ScrollBarsStartWhereTheStripStarts) {
    EXPECT_EQ(ctl.HScroll1[0]->value(), board.ChimeiCtl()->Speed());
    EXPECT_EQ(ctl.HScroll1[1]->value(), board.ChimeiCtl()->ScrollStartWait());
    EXPECT_EQ(ctl.Label1[0]->text(), QStringLiteral("5"));
    EXPECT_EQ(ctl.Label1[1]->text(), QStringLiteral("1500"));
}

TEST_F(ControllerWindow, EitherScrollBarSendsBothValues) {
    ctl.HScroll1[1]->setValue(250);
    EXPECT_EQ(board.ChimeiCtl()->Speed(), 5);
    EXPECT_EQ(board.ChimeiCtl()->ScrollStartWait(), 250);
    ctl.HScroll1[0]->setValue(9);
    EXPECT_EQ(board.ChimeiCtl()->Speed(), 9);
    EXPECT_EQ(board.ChimeiCtl()->ScrollStartWait(), 250);
}

TEST_F(ControllerWindow, PreviewFoldsOutAndIn) {
    EXPECT_EQ(ctl.width(), (5385 - 90) / 15);
    ctl.Check4->click();
    EXPECT_EQ(ctl.width(), (9000 - 90) / 15);
    ctl.Check4->click();
    EXPECT_EQ(ctl.width(), (5385 - 90) / 15);
    EXPECT_EQ(ctl.Check4->text(), QStringLiteral(">>"));
    EXPECT_EQ(ctl.Check4->toolTip(), QStringLiteral("整理券プレビューを開きます"));
}

TEST_F(ControllerWindow, OpenedPreviewKeepsTheWindowOnTheScreen) {
    ctl.show();
    const QRect area = ctl.screen()->availableGeometry();
    for (int left : {area.right() + 1 - ctl.frameGeometry().width(), area.left() + 10}) {
        ctl.move(left, area.bottom() + 1 - ctl.frameGeometry().height());
        ctl.Check4->click();
        EXPECT_TRUE(area.contains(ctl.frameGeometry())) << left;
        EXPECT_EQ(ctl.frameGeometry().left(), qMin(left, area.right() + 1 - ctl.frameGeometry().width()));
        ctl.Check4->click();
    }
}

TEST_F(ControllerWindow, DigitWheelsTurnByClicksWheelAndKeys) {
    ctl.show();
    QListWidget* w = ctl.List2[4];
    QSignalSpy clicked(w, &QListWidget::itemClicked);
    const auto selected = [&] {
        return w->selectedItems().isEmpty() ? QString() : w->selectedItems().first()->text();
    };
    const auto roll = [&](int delta) {
        const QPointF at(w->width() / 2.0, w->height() / 2.0);
        QWheelEvent e(at, w->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(w->viewport(), &e);
    };
    const QPoint upper(w->viewport()->width() / 2, 2);
    const QPoint lower(w->viewport()->width() / 2, w->viewport()->height() - 3);
    // Until it is used a wheel selects nothing.
    EXPECT_EQ(selected(), QString());
    const struct {
        std::function<void()> action;
        const char* digit;
    } steps[] = {
        {[&] { QTest::mouseClick(w->viewport(), Qt::LeftButton, {}, lower); }, "0"},
        {[&] { QTest::mouseClick(w->viewport(), Qt::LeftButton, {}, lower); }, "1"},
        {[&] { QTest::mouseClick(w->viewport(), Qt::LeftButton, {}, upper); }, "0"},
        {[&] { QTest::mouseClick(w->viewport(), Qt::LeftButton, {}, upper); }, "9"},
        {[&] { roll(-120); }, "0"},
        {[&] { roll(-240); }, "2"},
        {[&] { roll(120); }, "1"},
        {[&] { QTest::keyClick(w, Qt::Key_Down); }, "2"},
        {[&] { QTest::keyClick(w, Qt::Key_Up); }, "1"},
    };
    int n = 0;
    for (const auto& s : steps) {
        s.action();
        EXPECT_EQ(selected(), QString::fromLatin1(s.digit)) << "step " << n;
        ++n;
    }
    // Each click and each notch is a click on the new digit (its sound plays).
    EXPECT_EQ(clicked.size(), 8);
}

TEST_F(ControllerWindow, AboutBoxHoldsBackTheBoard) {
    bool boardEnabled = true;
    QString shown;
    QString credits;
    modal::setHandler([&](QDialog& d) {
        boardEnabled = board.isEnabled();
        shown = d.findChild<QLabel*>(QStringLiteral("text"))->text();
        credits = d.findChild<QLabel*>(QStringLiteral("credits"))->text();
        return 1;
    });
    ctl.Command8_Click();
    EXPECT_FALSE(boardEnabled);
    EXPECT_TRUE(board.isEnabled());
    EXPECT_TRUE(shown.startsWith(QStringLiteral("型番：")));
    EXPECT_EQ(shown.count(QLatin1Char('\n')), 5); // the five lines stay as they are
    for (const char* credit : {"MIT", "むろらんオープンデータライブラリ", "OpenStreetMap", "CC BY-SA 3.0"})
        EXPECT_TRUE(credits.contains(QString::fromUtf8(credit))) << credit;
}

TEST_F(ControllerWindow, SettingsButtonHoldsBothWindowsAndRedrawsTheName) {
    bool enabledDuring = true;
    modal::setHandler([&](QDialog&) {
        enabledDuring = board.isEnabled() || ctl.isEnabled();
        return 1;
    });
    ctl.Command4_Click();
    EXPECT_FALSE(enabledDuring);
    EXPECT_TRUE(board.isEnabled());
    EXPECT_TRUE(ctl.isEnabled());
}

// Another chime before the announcements: the tape asks its engine again, so that what
// was made ready with the old chime is dropped.
TEST_F(ControllerWindow, ChimeSettingsAskTheTapeToPrepareAgain) {
    class Asked : public SpeechEngine {
    public:
        int requests = 0;
        void stop() override {}
        qint32 status() const override { return 0; }
        bool isSpeaking() const override { return false; }
        void prepare(const QList<UpcomingAnnouncement>&) override { ++requests; }

    protected:
        void doSpeak(const QString&) override {}
    };
    Asked* engine = nullptr;
    mdlM_Tape::setSpeechFactory([&engine]() -> SpeechEngine* { return engine = new Asked; });
    ctl.Form_Load();
    ASSERT_NE(engine, nullptr);
    const int before = engine->requests;
    for (const char* name :
         {"PreAnnounceFixed", "PreAnnounceSound1", "PreAnnounceSound2", "PreAnnounceSound3"})
        options.live().set(QString::fromLatin1(name), QStringLiteral("chime.wav"));
    options.live().set(QStringLiteral("RouteSetSound"), QStringLiteral("route.wav"));
    EXPECT_EQ(engine->requests, before + 4) << "four chimes, and a sound that is not one";
    mdlM_Tape::ReleaseTape();
    mdlM_Tape::setSpeechFactory({});
}

// Each key clicks its control, whichever control has the focus (a digit wheel here),
// and the control's tool tip names the key.
TEST_F(ControllerWindow, EachKeyClicksItsControl) {
    ctl.show();
    ctl.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&ctl));
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        QAbstractButton* control;
        const char* name;
    } keys[] = {
        {Qt::Key_7, Qt::NoModifier, ctl.CommandButton1[7], "7"},
        {Qt::Key_0, Qt::KeypadModifier, ctl.CommandButton1[0], "0"},
        {Qt::Key_R, Qt::NoModifier, ctl.CommandButton1[10], "R"},
        {Qt::Key_S, Qt::NoModifier, ctl.CommandButton1[11], "S"},
        {Qt::Key_Return, Qt::NoModifier, ctl.Command1[1], "Enter"},
        {Qt::Key_Enter, Qt::KeypadModifier, ctl.Command1[1], "Enter"},
        {Qt::Key_PageUp, Qt::NoModifier, ctl.Command2[0], "PageUp"},
        {Qt::Key_PageDown, Qt::NoModifier, ctl.Command2[1], "PageDown"},
        {Qt::Key_Space, Qt::NoModifier, ctl.cmdTapeNext, "Space"},
        {Qt::Key_Backspace, Qt::NoModifier, ctl.cmdTapeBack, "Backspace"},
        {Qt::Key_Escape, Qt::NoModifier, ctl.cmdTapeStop, "Esc"},
        {Qt::Key_N, Qt::NoModifier, ctl.Check2, "N"},
    };
    // Only which control a key clicks is looked at here: the handlers stay out.
    for (const auto& k : keys) {
        k.control->setEnabled(true);
        QObject::disconnect(k.control, nullptr, &ctl, nullptr);
    }
    ctl.List2[0]->setFocus();
    for (const auto& k : keys) {
        QSignalSpy clicked(k.control, &QAbstractButton::clicked);
        QTest::keyClick(ctl.List2[0], k.key, k.modifiers);
        EXPECT_EQ(clicked.size(), 1) << k.name;
        EXPECT_TRUE(k.control->toolTip().endsWith(QStringLiteral("（キー: %1）").arg(QLatin1String(k.name))))
            << k.control->toolTip().toStdString();
    }
}

// Keys take the paths of the clicks: the keypad comes to the front and fills its
// displays, N sets late-night fares, and with the board cleared the locked controls
// ignore their keys.
TEST_F(ControllerWindow, KeysFollowTheConsolesLocks) {
    ctl.show();
    ctl.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&ctl));
    ctl.Frame1_DblClick(1);
    for (Qt::Key key : {Qt::Key_R, Qt::Key_1, Qt::Key_2, Qt::Key_S, Qt::Key_3, Qt::Key_N})
        QTest::keyClick(&ctl, key);
    EXPECT_EQ(ctl.HiddenEntryPanel, 0) << "the keypad came to the front";
    EXPECT_EQ(ctl.Label2[0]->text(), QStringLiteral("12"));
    EXPECT_EQ(ctl.Label2[2]->text(), QStringLiteral("3"));
    EXPECT_TRUE(ctl.Check2->isChecked());
    EXPECT_TRUE(model.lateNight());

    ctl.Check1->setEnabled(true);
    ctl.Check1->click();
    for (Qt::Key key : {Qt::Key_4, Qt::Key_N, Qt::Key_R})
        QTest::keyClick(&ctl, key);
    EXPECT_EQ(ctl.Label2[0]->text(), QStringLiteral("12"));
    EXPECT_EQ(ctl.Label2[2]->text(), QStringLiteral("3"));
    EXPECT_TRUE(ctl.Check2->isChecked());
}

TEST_F(ControllerWindow, F1OpensTheGuideOrSaysWhereItLooked) {
    QStringList opened;
    shell::setHandler([&opened](const QString& path) { opened << path; });
    ctl.show();
    ctl.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&ctl));
    QTest::keyClick(&ctl, Qt::Key_F1);
    shell::setHandler({});
    // The test program's folder holds no guide.
    EXPECT_TRUE(opened.isEmpty());
    const auto shown = msgbox::takeRecorded();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0].title, QStringLiteral("使い方ガイド"));
    EXPECT_TRUE(shown[0].text.contains(QStringLiteral("/docs/guide/README.md")));
}

} // namespace
