#include "stopname/ScrollMotion.h"

#include <algorithm>

namespace chimei {

bool stripHasLeftFrame(float top, double stripHeight, double frameHeight) {
    const float bottom = static_cast<float>(static_cast<double>(top) + stripHeight);
    return bottom <= static_cast<float>(-frameHeight);
}

void ScrollMotion::start(qint64 nowMs, qint32 startWait) {
    m_phase = Phase::StartPause;
    m_pauseEnd = nowMs + std::max<qint32>(startWait, 0);
    m_origin = nowMs;
    m_passesDone = 0;
}

ScrollMotion::Result ScrollMotion::advance(qint64 nowMs, ScrollInputs& in) {
    Result r;
    for (;;) {
        switch (m_phase) {
        case Phase::Stopped:
            return r;
        case Phase::StartPause:
            if (nowMs < m_pauseEnd)
                return r;
            if (in.speed == 0) {
                in.speed = 1;
                r.speedStoredBack = true;
            }
            m_p = in.frameHeight;
            m_top = static_cast<float>(m_p);
            r.moved = true;
            m_phase = Phase::Running;
            m_origin = m_pauseEnd;
            m_passesDone = 0;
            break;
        case Phase::WrapPause:
            if (nowMs < m_pauseEnd)
                return r;
            m_phase = Phase::Running;
            m_origin = m_pauseEnd;
            m_passesDone = 0;
            break;
        case Phase::Running: {
            qint64 due = (nowMs - m_origin) * kPassesPerSecond / 1000;
            if (due - m_passesDone > kMaxCatchUpPasses) {
                // Drop the time that cannot be caught up: continue from here.
                const qint64 dropped = due - m_passesDone - kMaxCatchUpPasses;
                m_origin += dropped * 1000 / kPassesPerSecond;
                due = (nowMs - m_origin) * kPassesPerSecond / 1000;
            }
            while (m_passesDone < due) {
                ++m_passesDone;
                ++r.passes;
                m_p -= in.speed / 200.0;
                m_top = static_cast<float>(m_p);
                r.moved = true;
                if (stripHasLeftFrame(m_top, in.stripHeight, in.frameHeight)) {
                    m_p = in.frameHeight;
                    m_top = static_cast<float>(m_p);
                    ++r.wraps;
                    m_pauseEnd = passTime(m_passesDone) + std::max<qint32>(in.startWait, 0);
                    m_phase = Phase::WrapPause;
                    break;
                }
            }
            if (m_phase == Phase::Running)
                return r;
            break;
        }
        }
    }
}

qint64 ScrollMotion::nextEventMs() const {
    switch (m_phase) {
    case Phase::StartPause:
    case Phase::WrapPause:
        return m_pauseEnd;
    case Phase::Running:
        return passTime(m_passesDone + 1);
    case Phase::Stopped:
        break;
    }
    return 0;
}

} // namespace chimei
