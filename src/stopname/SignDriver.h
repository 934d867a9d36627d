#pragma once

#include "stopname/ScrollMotion.h"
#include "stopname/SignLayout.h"

#include <array>
#include <vector>

// One clock for all the destination signs: which language they show, the scrolling of
// every text too long for its sign, and the dots each sign shows at a given time.
// Display-free: its owner feeds it the time (milliseconds on any steady clock) and
// paints the dots of the signs that changed.
namespace signs {

struct SignSettings {
    static constexpr int kDefaultAlternate = 3;
    static constexpr qint16 kDefaultSpeed = 16;
    static constexpr qint32 kDefaultPause = 1500;

    int alternate = kDefaultAlternate; // seconds of each language; 0 = Japanese only
    qint16 speed = kDefaultSpeed;      // a scrolling text moves speed / 400 dots a millisecond
    qint32 pause = kDefaultPause;      // ms before each pass of a scrolling text
    bool fillBox = false;              // the number box's inside lit (a full-colour sign)
    bool operator==(const SignSettings&) const = default;
};

// The time one pass of a scrolling text takes: the pause, then the text comes in at
// the right of its area, leaves at the left and a further area's width of blank
// passes (the stop-name strip's cycle, sideways; a dot is two of the strip's pixels).
qint64 passMs(int areaDots, int textDots, const SignSettings& settings);

// How long the signs of `signMask` (bit 1 << int(kind) for each) show a language: the
// alternate time, or one pass of the longest of their scrolling texts when that is
// longer.
qint64 languageMs(const SignText& text, Lang lang, const SignSettings& settings, chimei::GlyphSource& glyphs,
                  int signMask);

// Japanese, then English, then Japanese again... Each language lasts the alternate
// time, or longer while one of its texts has not scrolled through once.
class AlternationClock {
public:
    // Starts with Japanese at `nowMs`; an English time of 0 keeps Japanese.
    void start(qint64 nowMs, qint64 japaneseMs, qint64 englishMs);
    Lang langAt(qint64 nowMs) const;
    // The first switch after `nowMs`; -1 when the language never switches.
    qint64 nextSwitchMs(qint64 nowMs) const;
    qint64 startMs() const { return m_start; }
    qint64 japaneseMs() const { return m_japanese; }
    qint64 englishMs() const { return m_english; }

private:
    qint64 m_start = 0;
    qint64 m_japanese = 0;
    qint64 m_english = 0;
};

class SignDriver {
public:
    explicit SignDriver(chimei::GlyphSource& glyphs) : m_glyphs(glyphs) {}

    // Each change lays the signs out afresh and starts them, in Japanese, at `nowMs`.
    void setText(const SignText& text, qint64 nowMs);
    void setSettings(const SignSettings& settings, qint64 nowMs);
    void setOpen(SignKind kind, bool open, qint64 nowMs);

    const SignText& text() const { return m_text; }
    const SignSettings& settings() const { return m_settings; }
    bool isOpen(SignKind kind) const { return m_signs[index(kind)].open; }
    // The language the signs show (English only where it is known).
    Lang lang() const { return m_lang; }

    // Runs everything due by `nowMs`: a switch of language, the scrolling. Returns the
    // signs whose dots changed, bit 1 << int(kind) for each.
    int advance(qint64 nowMs);
    // When something changes next without a call: the next step of a scrolling text
    // or the next switch; -1 when nothing will.
    qint64 nextEventMs() const;
    // True while a text scrolls (the owner then calls often).
    bool scrolling() const;
    // The one clock of the signs: when it last started again with Japanese (a change
    // of text, settings or open signs) and how long each language stays. The times are
    // those of every sign, open or not (a view elsewhere may show any of them).
    const AlternationClock& clock() const { return m_clock; }

    const DotImage& dots(SignKind kind) const { return m_signs[index(kind)].dots; }

private:
    struct Line {
        chimei::ScrollMotion motion;
        int offset = 0;
    };
    struct Sign {
        bool open = false;
        SignLayout layout;
        std::vector<Line> lines;
        DotImage dots;
    };
    static size_t index(SignKind kind) { return size_t(kind); }
    void restart(qint64 nowMs);
    void show(Lang lang, qint64 nowMs);

    chimei::GlyphSource& m_glyphs;
    SignText m_text;
    SignSettings m_settings;
    Lang m_lang = Lang::Japanese;
    AlternationClock m_clock;
    qint64 m_lastAdvance = 0; // the latest time advanced to
    std::array<Sign, kSignKinds> m_signs;
};

} // namespace signs
