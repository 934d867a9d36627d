#include "Program.h"

#include "Fonts.h"
#include "Form1.h"
#include "MessageBox.h"
#include "mdl508_000.h"

#include <QGuiApplication>
#include <QScreen>

#ifndef CORVANE_VERSION
#define CORVANE_VERSION "0.0.0"
#endif

QString programVersion() {
    return QStringLiteral(CORVANE_VERSION);
}

Program::Program() : Program(Options{}) {}

Program::Program(const Options& options) : m_options(options) {}

Program::~Program() = default;

void Program::start() {
    QString problem;
    if (!fonts::registerDigitFonts(&problem))
        msgbox::show(nullptr, problem, QString(), msgbox::Icon::Exclamation);

    m_board = std::make_unique<Form1>(m_options.designPath);
    Form1& board = *m_board;

    // 1. The fare displays start in digit style 1, blank.
    mdl508_000::InitFareDegits(board);
    // 2. The built-in panel picture and its copies for the lit states.
    board.setPicture(board.imgRes(0), QStringLiteral("builtin"));
    board.imgRes(1) = board.imgRes(0).copy();
    board.imgRes(2) = board.imgRes(0).copy();
    // 5. The board goes to the screen's top-left corner.
    board.move(0, 0);
    // 7-8. Cut to its rounded outline and repainted.
    board.shapeWindow();
    board.Timer1().start();
    board.show();
}
