#include "platform/BlockingWait.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace blocking {
namespace {
bool g_skip = false;
}

void wait(int milliseconds) {
    if (g_skip || milliseconds <= 0)
        return;
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

void setSkipWaits(bool skip) {
    g_skip = skip;
}
bool skipWaits() {
    return g_skip;
}

} // namespace blocking
