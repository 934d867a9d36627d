#include "stopname/SignDriver.h"

#include <algorithm>
#include <cmath>

namespace signs {
namespace {

chimei::ScrollInputs inputsFor(const TextArea& t, const SignSettings& s) {
    chimei::ScrollInputs in;
    in.speed = s.speed;
    in.startWait = s.pause;
    // The strip's rules in its pixels: one dot is two pixels.
    in.frameHeight = 2.0 * t.area.width();
    in.stripHeight = 2.0 * t.text.width();
    return in;
}

} // namespace

qint64 passMs(int areaDots, int textDots, const SignSettings& settings) {
    const qint64 pixels = 2LL * (2 * areaDots + textDots);
    const qint64 speed = std::max<qint64>(1, settings.speed);
    return std::max<qint32>(0, settings.pause) + (pixels * 200 + speed - 1) / speed;
}

qint64 languageMs(const SignText& text, Lang lang, const SignSettings& settings, chimei::GlyphSource& glyphs,
                  int signMask) {
    qint64 longest = qint64(settings.alternate) * 1000;
    for (SignKind kind : kAllSigns) {
        if (!(signMask & (1 << int(kind))))
            continue;
        const SignLayout l = layoutSign(kind, text, lang, glyphs, settings.fillBox);
        for (const TextArea& t : l.lines) {
            if (t.scrolls())
                longest = std::max(longest, passMs(t.area.width(), t.text.width(), settings));
        }
    }
    return longest;
}

void AlternationClock::start(qint64 nowMs, qint64 japaneseMs, qint64 englishMs) {
    m_start = nowMs;
    m_japanese = std::max<qint64>(1, japaneseMs);
    m_english = std::max<qint64>(0, englishMs);
}

Lang AlternationClock::langAt(qint64 nowMs) const {
    if (m_english == 0 || nowMs < m_start)
        return Lang::Japanese;
    return (nowMs - m_start) % (m_japanese + m_english) < m_japanese ? Lang::Japanese : Lang::English;
}

qint64 AlternationClock::nextSwitchMs(qint64 nowMs) const {
    if (m_english == 0)
        return -1;
    const qint64 cycle = m_japanese + m_english;
    const qint64 t = std::max<qint64>(0, nowMs - m_start);
    const qint64 begin = m_start + t / cycle * cycle;
    return t % cycle < m_japanese ? begin + m_japanese : begin + cycle;
}

void SignDriver::setText(const SignText& text, qint64 nowMs) {
    m_text = text;
    restart(nowMs);
}

void SignDriver::setSettings(const SignSettings& settings, qint64 nowMs) {
    m_settings = settings;
    m_settings.speed = std::clamp<qint16>(m_settings.speed, 1, 2000);
    m_settings.alternate = std::clamp(m_settings.alternate, 0, 3600);
    restart(nowMs);
}

void SignDriver::setOpen(SignKind kind, bool open, qint64 nowMs) {
    m_signs[index(kind)].open = open;
    restart(nowMs);
}

void SignDriver::restart(qint64 nowMs) {
    const qint64 alternate = qint64(m_settings.alternate) * 1000;
    const bool english = alternate > 0 && m_text.hasEnglish();
    // Every sign counts, open or not: a view elsewhere may show any of them.
    const int every = (1 << kSignKinds) - 1;
    const qint64 ja = languageMs(m_text, Lang::Japanese, m_settings, m_glyphs, every);
    const qint64 en = english ? languageMs(m_text, Lang::English, m_settings, m_glyphs, every) : 0;
    m_clock.start(nowMs, ja, en);
    m_lastAdvance = nowMs;
    show(Lang::Japanese, nowMs);
}

void SignDriver::show(Lang lang, qint64 nowMs) {
    m_lang = lang;
    for (SignKind kind : kAllSigns) {
        Sign& s = m_signs[index(kind)];
        s.lines.clear();
        if (!s.open) {
            s.layout = SignLayout{};
            s.dots = DotImage();
            continue;
        }
        s.layout = layoutSign(kind, m_text, lang, m_glyphs, m_settings.fillBox);
        std::vector<int> offsets;
        for (const TextArea& t : s.layout.lines) {
            Line line;
            // A scrolling text starts with the pause, right of its area.
            line.offset = t.area.width();
            if (t.scrolls())
                line.motion.start(nowMs, m_settings.pause);
            offsets.push_back(line.offset);
            s.lines.push_back(line);
        }
        s.dots = compose(s.layout, offsets);
    }
}

int SignDriver::advance(qint64 nowMs) {
    int changed = 0;
    // Each switch due by now, in order, starting the signs afresh at its time.
    // The last switch due by now starts the signs afresh at its time (earlier ones
    // would be overwritten at once).
    qint64 at = m_clock.nextSwitchMs(m_lastAdvance);
    if (at >= 0 && at <= nowMs) {
        for (qint64 next = m_clock.nextSwitchMs(at); next >= 0 && next <= nowMs;
             next = m_clock.nextSwitchMs(at))
            at = next;
        show(m_clock.langAt(at), at);
        for (SignKind kind : kAllSigns)
            changed |= m_signs[index(kind)].open ? 1 << int(kind) : 0;
    }
    m_lastAdvance = std::max(m_lastAdvance, nowMs);
    for (SignKind kind : kAllSigns) {
        Sign& s = m_signs[index(kind)];
        bool moved = false;
        std::vector<int> offsets;
        for (size_t i = 0; i < s.lines.size(); ++i) {
            Line& line = s.lines[i];
            if (line.motion.isActive()) {
                chimei::ScrollInputs in = inputsFor(s.layout.lines[i], m_settings);
                if (line.motion.advance(nowMs, in).moved) {
                    const int offset = int(std::floor(line.motion.top() / 2.0));
                    moved |= offset != line.offset;
                    line.offset = offset;
                }
            }
            offsets.push_back(line.offset);
        }
        if (moved) {
            s.dots = compose(s.layout, offsets);
            changed |= 1 << int(kind);
        }
    }
    return changed;
}

bool SignDriver::scrolling() const {
    for (const Sign& s : m_signs) {
        for (const Line& l : s.lines) {
            if (l.motion.phase() == chimei::ScrollMotion::Phase::Running)
                return true;
        }
    }
    return false;
}

qint64 SignDriver::nextEventMs() const {
    qint64 next = -1;
    const auto take = [&next](qint64 t) {
        if (t >= 0 && (next < 0 || t < next))
            next = t;
    };
    for (const Sign& s : m_signs) {
        for (const Line& l : s.lines) {
            if (l.motion.isActive())
                take(l.motion.nextEventMs());
        }
    }
    // The clock's next switch after the last time it was asked about.
    take(m_clock.nextSwitchMs(m_lastAdvance));
    return next;
}

} // namespace signs
