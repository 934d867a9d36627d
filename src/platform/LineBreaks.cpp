#include "platform/LineBreaks.h"

namespace linebreak {
namespace {

bool isSpace(QChar c) {
    return c == QLatin1Char(' ') || c == QChar(0x3000);
}

bool isHiragana(QChar c) {
    return c.unicode() >= 0x3041 && c.unicode() <= 0x309F;
}

bool isKatakana(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 0x30A0 && u <= 0x30FF) || (u >= 0xFF66 && u <= 0xFF9F);
}

bool isKanji(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 0x4E00 && u <= 0x9FFF) || (u >= 0x3400 && u <= 0x4DBF) || u == 0x3005;
}

bool isLetterOrDigit(QChar c) {
    const char16_t u = c.unicode();
    return (u < 0x80 && c.isLetterOrNumber()) || (u >= 0xFF10 && u <= 0xFF5A);
}

bool isParticle(QChar c) {
    return QStringLiteral("はがをにのとでもへや").contains(c);
}

bool opens(QChar c) {
    return QStringLiteral("(（「『【〔［<＜").contains(c);
}

bool closes(QChar c) {
    return QStringLiteral(")）」』】〕］>＞").contains(c);
}

// Characters that never start a line.
bool clingsToThePrevious(QChar c) {
    return closes(c) ||
           QStringLiteral("、。，．,.:;：!?！？ーぁぃぅぇぉっゃゅょァィゥェォッャュョ").contains(c);
}

bool mayBreakBetween(QChar before, QChar after) {
    if (isSpace(after))
        return false;
    if (isSpace(before))
        return true;
    if (clingsToThePrevious(after))
        return false;
    if (opens(after))
        return !opens(before);
    if (closes(before) || before == QChar(0x3001) || before == QChar(0x3002))
        return true;
    if (isParticle(before) && (isKanji(after) || isKatakana(after) || isLetterOrDigit(after)))
        return true;
    return (isKatakana(before) && isKanji(after)) || (isKanji(before) && isKatakana(after));
}

QString trimmedEnd(QString text) {
    while (!text.isEmpty() && isSpace(text.back()))
        text.chop(1);
    return text;
}

QString trimmedStart(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && isSpace(text.at(i)))
        ++i;
    return text.mid(i);
}

} // namespace

QList<qsizetype> opportunities(const QString& text) {
    QList<qsizetype> out;
    for (qsizetype i = 1; i < text.size(); ++i) {
        if (mayBreakBetween(text.at(i - 1), text.at(i)))
            out.append(i);
    }
    return out;
}

QStringList wrap(const QString& text, int width, const std::function<int(const QString&)>& measure) {
    QStringList pieces;
    qsizetype from = 0;
    for (qsizetype at : opportunities(text)) {
        pieces.append(text.mid(from, at - from));
        from = at;
    }
    pieces.append(text.mid(from));

    QStringList lines;
    QString line;
    const auto fits = [&](const QString& t) { return measure(trimmedEnd(t)) <= width; };
    for (const QString& piece : pieces) {
        if (line.isEmpty()) {
            line = trimmedStart(piece);
        } else if (fits(line + piece)) {
            line += piece;
        } else if (fits(trimmedStart(piece))) {
            lines.append(trimmedEnd(line));
            line = trimmedStart(piece);
        } else {
            // A piece wider than a whole line fills this line first.
            line += piece;
        }
        // Wider than a line: broken between characters.
        while (!fits(line)) {
            qsizetype n = 1;
            while (n < line.size() && fits(line.left(n + 1)))
                ++n;
            while (n < line.size() && clingsToThePrevious(line.at(n)))
                ++n;
            if (n >= line.size())
                break;
            lines.append(trimmedEnd(line.left(n)));
            line = trimmedStart(line.mid(n));
        }
    }
    if (!trimmedEnd(line).isEmpty() || lines.isEmpty())
        lines.append(trimmedEnd(line));
    return lines;
}

} // namespace linebreak
