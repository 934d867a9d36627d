#include "controller/UserGuide.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(UserGuide, FoundInstalledThenInTheSourceTree) {
    const struct {
        const char* program;
        std::initializer_list<const char*> pages;
        const char* found; // empty: no guide
    } cases[] = {
        {"usr/bin/508",
         {"usr/share/doc/corvane/docs/guide/README.md"},
         "usr/share/doc/corvane/docs/guide/README.md"},
        {"usr/bin/corvane-board",
         {"usr/share/doc/corvane/docs/guide/README.md", "usr/share/doc/corvane/docs/guide/index.html"},
         "usr/share/doc/corvane/docs/guide/index.html"},
        {"src/build/bin/508", {"src/docs/guide/README.md"}, "src/docs/guide/README.md"},
        {"src/build/bin/508",
         {"src/docs/guide/README.md", "src/build/share/doc/corvane/docs/guide/README.md"},
         "src/build/share/doc/corvane/docs/guide/README.md"},
        {"opt/508", {"opt/guide/README.md"}, ""},
    };
    for (const auto& c : cases) {
        QTemporaryDir root;
        ASSERT_TRUE(root.isValid());
        for (const char* page : c.pages) {
            const QString path = root.filePath(QString::fromLatin1(page));
            QDir().mkpath(QFileInfo(path).absolutePath());
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
        const QString expected = *c.found ? root.filePath(QString::fromLatin1(c.found)) : QString();
        EXPECT_EQ(controller::findGuide(root.filePath(QString::fromLatin1(c.program))), expected)
            << c.program;
    }
}
