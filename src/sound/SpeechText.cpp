#include "sound/SpeechText.h"

#include <QtEndian>
#include <algorithm>
#include <cstdlib>

namespace speech {
namespace {

bool isEndMark(QChar c) {
    switch (c.unicode()) {
    case 0x3002: // 。
    case 0xFF01: // ！
    case 0xFF1F: // ？
    case 0xFF0E: // ．
    case '!':
    case '?':
    case '.':
        return true;
    default:
        return false;
    }
}

bool isComma(QChar c) {
    return c.unicode() == 0x3001 /* 、 */ || c.unicode() == 0xFF0C /* ， */ || c == QLatin1Char(',');
}

bool isClosing(QChar c) {
    switch (c.unicode()) {
    case 0x300D: // 」
    case 0x300F: // 』
    case 0xFF09: // ）
    case 0x3011: // 】
    case 0x3015: // 〕
    case 0x3009: // 〉
    case 0x300B: // 》
    case 0x201D: // ”
    case 0x2019: // ’
    case ')':
    case ']':
    case '"':
    case '\'':
        return true;
    default:
        return false;
    }
}

bool isLineBreak(QChar c) {
    return c == QLatin1Char('\n') || c == QLatin1Char('\r');
}

// An ASCII '.' or ',' between two digits belongs to a number.
bool insideNumber(const QString& text, qsizetype i) {
    const QChar c = text.at(i);
    if (c != QLatin1Char('.') && c != QLatin1Char(','))
        return false;
    return i > 0 && i + 1 < text.size() && text.at(i - 1).isDigit() && text.at(i + 1).isDigit();
}

// Cuts `text` after each character for which `cutAfter` holds (with the end marks and
// closing brackets that follow it).
template <typename Pred> QStringList cutAfter(const QString& text, Pred cutHere) {
    QStringList out;
    QString current;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (isLineBreak(c)) {
            out << current;
            current.clear();
            continue;
        }
        current += c;
        if (!cutHere(i))
            continue;
        while (i + 1 < text.size() && (isEndMark(text.at(i + 1)) || isClosing(text.at(i + 1)))) {
            ++i;
            current += text.at(i);
        }
        out << current;
        current.clear();
    }
    out << current;
    return out;
}

// Joins the pieces without words to the piece before them (or, at the start, drops
// them: they give no sound) and trims every piece.
QStringList joinWordless(const QStringList& pieces) {
    QStringList out;
    for (const QString& raw : pieces) {
        const QString piece = raw.trimmed();
        if (piece.isEmpty())
            continue;
        if (!hasWords(piece)) {
            if (!out.isEmpty())
                out.last() += piece;
            continue;
        }
        out << piece;
    }
    return out;
}

QStringList phrases(const QString& sentence) {
    return joinWordless(cutAfter(sentence, [&sentence](qsizetype i) {
        return isComma(sentence.at(i)) && !insideNumber(sentence, i);
    }));
}

// Packs phrases greedily into pieces of at most maxChars characters (a longer phrase
// stays whole).
QStringList pack(const QStringList& parts, int maxChars) {
    QStringList out;
    for (const QString& part : parts) {
        if (!out.isEmpty() && out.last().size() + part.size() <= maxChars)
            out.last() += part;
        else
            out << part;
    }
    return out;
}

qint64 readU32(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<quint32>(b.constData() + at);
}

int readU16(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<quint16>(b.constData() + at);
}

} // namespace

bool hasWords(const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetterOrNumber(); });
}

QStringList splitSentences(const QString& text) {
    QStringList sentences =
        cutAfter(text, [&text](qsizetype i) { return isEndMark(text.at(i)) && !insideNumber(text, i); });
    QStringList out;
    for (const QString& s : sentences) {
        const QString t = s.trimmed();
        if (hasWords(t))
            out << t;
    }
    return out;
}

QStringList speechPieces(const QString& text, int maxChars) {
    // Sentences without words still end up after their sentence ("……。」").
    const QStringList sentences = joinWordless(
        cutAfter(text, [&text](qsizetype i) { return isEndMark(text.at(i)) && !insideNumber(text, i); }));
    QStringList out;
    for (qsizetype s = 0; s < sentences.size(); ++s) {
        const QString& sentence = sentences[s];
        if (s > 0 && sentence.size() <= maxChars) {
            out << sentence;
            continue;
        }
        QStringList parts = phrases(sentence);
        if (s == 0 && parts.size() > 1) {
            out << parts.takeFirst();
            const QString rest = parts.join(QString());
            if (rest.size() <= maxChars) {
                out << rest;
                continue;
            }
        }
        out << pack(parts, maxChars);
    }
    return out;
}

QByteArray trimWavSilence(const QByteArray& wav, int keepLeadMs, int keepTailMs, int threshold) {
    if (wav.size() < 12 || !wav.startsWith("RIFF") || wav.mid(8, 4) != "WAVE")
        return {};
    int channels = 0, rate = 0, bits = 0, format = 0;
    qsizetype dataAt = -1;
    qint64 dataSize = 0;
    for (qsizetype p = 12; p + 8 <= wav.size();) {
        const QByteArray id = wav.mid(p, 4);
        qint64 size = readU32(wav, p + 4);
        const qsizetype body = p + 8;
        if (id == "fmt " && body + 16 <= wav.size()) {
            format = readU16(wav, body);
            channels = readU16(wav, body + 2);
            rate = int(readU32(wav, body + 4));
            bits = readU16(wav, body + 14);
        } else if (id == "data") {
            // a writer that could not seek back may leave the size unset
            if (size == 0xffffffff || body + size > wav.size())
                size = wav.size() - body;
            dataAt = body;
            dataSize = size;
            break;
        }
        p = body + size + (size & 1);
    }
    if (dataAt < 0 || format != 1 || bits != 16 || channels <= 0 || rate <= 0)
        return {};

    const qint64 frameBytes = 2 * channels;
    const qint64 frames = dataSize / frameBytes;
    const auto audible = [&](qint64 frame) {
        for (int c = 0; c < channels; ++c) {
            const qint16 v = qFromLittleEndian<qint16>(wav.constData() + dataAt + frame * frameBytes + 2 * c);
            if (std::abs(int(v)) > threshold)
                return true;
        }
        return false;
    };
    qint64 first = 0;
    while (first < frames && !audible(first))
        ++first;
    qint64 last = frames - 1;
    while (last >= first && !audible(last))
        --last;
    qint64 from = 0, to = 0; // frames [from, to)
    if (first <= last) {
        from = std::max<qint64>(0, first - qint64(keepLeadMs) * rate / 1000);
        to = std::min<qint64>(frames, last + 1 + qint64(keepTailMs) * rate / 1000);
    }

    const qint64 bytes = (to - from) * frameBytes;
    QByteArray out(44, '\0');
    const auto put32 = [&out](qsizetype at, quint32 v) { qToLittleEndian<quint32>(v, out.data() + at); };
    const auto put16 = [&out](qsizetype at, quint16 v) { qToLittleEndian<quint16>(v, out.data() + at); };
    out.replace(0, 4, "RIFF");
    put32(4, quint32(36 + bytes));
    out.replace(8, 8, "WAVEfmt ");
    put32(16, 16);
    put16(20, 1);
    put16(22, quint16(channels));
    put32(24, quint32(rate));
    put32(28, quint32(rate * frameBytes));
    put16(32, quint16(frameBytes));
    put16(34, 16);
    out.replace(36, 4, "data");
    put32(40, quint32(bytes));
    out.append(wav.constData() + dataAt + from * frameBytes, bytes);
    return out;
}

} // namespace speech
