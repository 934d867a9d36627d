#include "controller/AboutText.h"

#include <QStringList>
#include <gtest/gtest.h>

TEST(AboutText, FiveLinesEndedByCrLf) {
    const QString text = controller::aboutText(QStringLiteral("508"), QStringLiteral("4.0.0"), 2031);
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[0], QStringLiteral("型番：508"));
    EXPECT_EQ(lines[1], QStringLiteral("バージョン：4.0.0"));
    EXPECT_EQ(lines[2], QString());
    EXPECT_TRUE(lines[3].startsWith(QStringLiteral("配布元：")));
    EXPECT_TRUE(lines[4].startsWith(QStringLiteral("開  発：")));
    EXPECT_TRUE(lines[4].endsWith(QStringLiteral("-2031")));
    EXPECT_EQ(lines[5], QString());
}

TEST(AboutText, SingleYearWhileTheSpanStartsInIt) {
    const struct {
        int year;
        const char* span;
    } cases[] = {{2026, "2026"}, {2027, "2026-2027"}, {2031, "2026-2031"}, {2020, "2026"}};
    for (const auto& c : cases) {
        EXPECT_EQ(controller::yearSpan(c.year), QString::fromLatin1(c.span)) << c.year;
        const QStringList lines =
            controller::aboutText(QStringLiteral("508"), QStringLiteral("4.0.0"), c.year)
                .split(QStringLiteral("\r\n"));
        EXPECT_TRUE(lines[4].endsWith(QStringLiteral(" ") + QString::fromLatin1(c.span)))
            << lines[4].toStdString();
    }
}
