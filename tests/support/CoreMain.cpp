// Runs GoogleTest inside a QCoreApplication, for rules tests that need an event loop
// (timers, sound channels, processes) but no widgets.
#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("508"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
