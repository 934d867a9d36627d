#include "app/Program.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("508"));
    QApplication::setApplicationVersion(programVersion());
    Program program;
    program.start();
    return QApplication::exec();
}
