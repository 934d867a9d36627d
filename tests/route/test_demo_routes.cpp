// The demo's routes look like a real board's data: a ticket number not yet issued at a
// stop holds 0 (shown blank), never -1, and every fare fits the four-place displays.
#include "route/RouteCheck.h"
#include "route/RouteFile.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

TEST(DemoRoutes, TicketsNotYetIssuedAreZeroAndNothingIsReported) {
    const QDir demo(QStringLiteral(CORVANE_SOURCE_DIR "/data/demo"));
    const QStringList files = demo.entryList({QStringLiteral("*.hy3")}, QDir::Files);
    ASSERT_GE(files.size(), 4);
    for (const QString& name : files) {
        QFile f(demo.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const DataIo::RouteFileContents route = DataIo::parseRouteFile(f.readAll());
        ASSERT_GT(route.records.size(), 1) << name.toStdString();
        for (qsizetype r = 0; r < route.records.size(); ++r) {
            const DataIo::RouteRow& row = route.records.at(r);
            for (int k = 1; k <= DataIo::FareColumnCount; ++k) {
                const qint16 fare = row.DataColumns[k];
                EXPECT_NE(fare, DataIo::NoFare) << name.toStdString() << " record " << r + 1 << " c" << k;
                if (k > row.TicketNumber) {
                    EXPECT_EQ(fare, 0) << name.toStdString() << " record " << r + 1 << " c" << k;
                }
            }
        }
        const DataIo::RouteCheckReport report = DataIo::checkRouteFile(route);
        EXPECT_TRUE(report.problems.isEmpty())
            << name.toStdString() << ": " << report.problems.join('\n').toStdString();
    }
}

} // namespace
