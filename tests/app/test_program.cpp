#include "app/Program.h"
#include "board/ui/Form1.h"
#include "controller/ui/frmCtl.h"
#include "platform/ui/MessageBox.h"
#include "stopname/ui/ChimeiCtl_B.h"

#include <QGuiApplication>
#include <QScreen>
#include <gtest/gtest.h>

namespace {

TEST(ProgramStart, BoardTopLeftControllerBottomRight) {
    msgbox::setRecording(true);
    Program::Options options;
    options.loadSettings = false;
    Program program(options);
    program.start();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(program.board().pos(), QPoint(0, 0));
    EXPECT_EQ(program.controller().frameGeometry().bottomRight(), screen.bottomRight());
    EXPECT_TRUE(program.board().windowTitle().startsWith(QStringLiteral("Corvane - 型番:")));
    EXPECT_EQ(program.controller().windowTitle(), QStringLiteral("集中操作盤"));
    EXPECT_TRUE(program.board().isVisible());
    EXPECT_TRUE(program.controller().isVisible());
    EXPECT_TRUE(msgbox::takeRecorded().isEmpty());
}

TEST(ProgramStart, WindowsSavedOffTheScreenComeBack) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QWidget w;
    w.resize(100, 80);
    w.move(screen.right() + 500, screen.bottom() + 500);
    keepOnScreen(w);
    EXPECT_TRUE(screen.contains(w.frameGeometry())) << w.x() << "," << w.y();
    w.move(-300, 10);
    keepOnScreen(w);
    EXPECT_EQ(w.frameGeometry().left(), screen.left());
    EXPECT_EQ(w.frameGeometry().top(), 10);
    w.move(20, 30);
    keepOnScreen(w);
    EXPECT_EQ(w.pos(), QPoint(20, 30));
}

} // namespace
