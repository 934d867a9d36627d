#pragma once

#include <QtGlobal>

// The movement of a long stop name through the frame, as time passes. A cycle is: a
// pause with the strip below the frame, then the strip rises by Speed / 200 pixels per
// pass, at a nominal 1000 passes per second, until its bottom edge is a full frame
// height above the frame's top; it then goes back below the frame and the next cycle
// starts with the pause again. Display-free: the owner feeds it the time and moves
// the strip to top().
namespace chimei {

// What the motion reads afresh whenever it runs.
struct ScrollInputs {
    qint16 speed = 5;         // the strip rises speed / 200 pixels per pass
    qint32 startWait = 1500;  // ms, the pause before each cycle
    double frameHeight = 192; // height of the visible frame
    double stripHeight = 192; // height of the strip
};

class ScrollMotion {
public:
    enum class Phase { Stopped, StartPause, Running, WrapPause };

    static constexpr qint64 kPassesPerSecond = 1000;
    // Time the owner could not give (a stalled process) is not caught up beyond this
    // many passes.
    static constexpr qint64 kMaxCatchUpPasses = 10000;

    // Begins at `nowMs` with the start pause of `startWait` ms (a negative wait is no
    // wait). The strip is where its owner put it, below the frame.
    void start(qint64 nowMs, qint32 startWait);
    // Ends the motion; the strip is not moved again.
    void stop() { m_phase = Phase::Stopped; }

    struct Result {
        bool moved = false;           // top() was set
        bool speedStoredBack = false; // a speed of 0 was raised to 1 (inputs.speed changed)
        int wraps = 0;                // cycles completed
        qint64 passes = 0;            // passes run
    };
    // Runs everything due by `nowMs`. At the end of the start pause a speed of 0 is
    // stored back into `in.speed` as 1.
    Result advance(qint64 nowMs, ScrollInputs& in);

    Phase phase() const { return m_phase; }
    bool isActive() const { return m_phase != Phase::Stopped; }
    // The running position (double precision) and the strip's top (single precision).
    double position() const { return m_p; }
    float top() const { return m_top; }
    // When the next thing is due: the end of a pause or the next pass. Meaningless
    // while stopped.
    qint64 nextEventMs() const;

private:
    qint64 passTime(qint64 pass) const { return m_origin + pass * 1000 / kPassesPerSecond; }

    Phase m_phase = Phase::Stopped;
    qint64 m_pauseEnd = 0;
    qint64 m_origin = 0;     // when the current run of passes began
    qint64 m_passesDone = 0; // passes run since m_origin
    double m_p = 0;
    float m_top = 0;
};

// The wrap test: the strip's bottom edge is a full frame height above the frame's
// top. Both sides are compared in single precision.
bool stripHasLeftFrame(float top, double stripHeight, double frameHeight);

} // namespace chimei
