// Runs GoogleTest inside a QApplication on Qt's offscreen platform, so that widget
// tests use the real widgets without a screen.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("508"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
