#include "plugins/TicketFormat.h"

#include <QStringList>

namespace plugins {
namespace {

// A format split into literal runs and placeholders (the text between braces).
struct Piece {
    bool placeholder = false;
    QString text;
};

bool split(const QString& format, QList<Piece>& pieces, QString* why) {
    QString literal;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('{')) {
            if (i + 1 < format.size() && format.at(i + 1) == QLatin1Char('{')) {
                literal += c;
                ++i;
                continue;
            }
            const qsizetype close = format.indexOf(QLatin1Char('}'), i + 1);
            if (close < 0) {
                if (why)
                    *why = QStringLiteral("a \"{\" is not closed");
                return false;
            }
            if (!literal.isEmpty())
                pieces.append({false, literal});
            literal.clear();
            pieces.append({true, format.mid(i + 1, close - i - 1)});
            i = close;
        } else if (c == QLatin1Char('}')) {
            if (i + 1 < format.size() && format.at(i + 1) == QLatin1Char('}')) {
                literal += c;
                ++i;
                continue;
            }
            if (why)
                *why = QStringLiteral("a \"}\" has no \"{\" (write \"}}\" for a brace)");
            return false;
        } else {
            literal += c;
        }
    }
    if (!literal.isEmpty())
        pieces.append({false, literal});
    return true;
}

bool isZeros(const QString& s) {
    if (s.isEmpty() || s.size() > 9)
        return false;
    for (QChar c : s) {
        if (c != QLatin1Char('0'))
            return false;
    }
    return true;
}

const QStringList& dateTokens() {
    static const QStringList t = {QStringLiteral(""),   QStringLiteral("yyyy"), QStringLiteral("yy"),
                                  QStringLiteral("MM"), QStringLiteral("M"),    QStringLiteral("dd"),
                                  QStringLiteral("d")};
    return t;
}

const QStringList& timeTokens() {
    static const QStringList t = {QStringLiteral(""),   QStringLiteral("HH"), QStringLiteral("H"),
                                  QStringLiteral("mm"), QStringLiteral("m"),  QStringLiteral("ss"),
                                  QStringLiteral("s")};
    return t;
}

QString allowedText(ItemKind kind) {
    switch (kind) {
    case ItemKind::Number:
    case ItemKind::Row:
    case ItemKind::Route:
        return QStringLiteral("{} or {000}");
    case ItemKind::Date:
        return QStringLiteral("{}, {yyyy}, {yy}, {MM}, {M}, {dd}, {d}");
    case ItemKind::Time:
        return QStringLiteral("{}, {HH}, {H}, {mm}, {m}, {ss}, {s}");
    default:
        return QStringLiteral("{}");
    }
}

bool placeholderFits(ItemKind kind, const QString& p) {
    switch (kind) {
    case ItemKind::Number:
    case ItemKind::Row:
    case ItemKind::Route:
        return p.isEmpty() || isZeros(p);
    case ItemKind::Date:
        return dateTokens().contains(p);
    case ItemKind::Time:
        return timeTokens().contains(p);
    case ItemKind::Stop:
    case ItemKind::Company:
        return p.isEmpty();
    default:
        return false;
    }
}

QString padded(qint64 n, int width) {
    QString digits = QString::number(n < 0 ? -n : n);
    if (digits.size() < width)
        digits.prepend(QString(width - digits.size(), QLatin1Char('0')));
    return n < 0 ? QLatin1Char('-') + digits : digits;
}

int twoDigits(const QString& s, qsizetype at) {
    const QChar a = s.at(at), b = s.at(at + 1);
    if (!a.isDigit() || !b.isDigit() || a.unicode() > '9' || b.unicode() > '9')
        return -1;
    return (a.unicode() - '0') * 10 + (b.unicode() - '0');
}

} // namespace

QString defaultFormat(ItemKind kind) {
    switch (kind) {
    case ItemKind::Date:
        return QStringLiteral("{yyyy}/{MM}/{dd}");
    case ItemKind::Time:
        return QStringLiteral("{HH}:{mm}");
    default:
        return QStringLiteral("{}");
    }
}

bool checkFormat(ItemKind kind, const QString& format, QString* why) {
    QList<Piece> pieces;
    if (!split(format, pieces, why))
        return false;
    bool any = false;
    for (const Piece& p : pieces) {
        if (!p.placeholder)
            continue;
        if (!placeholderFits(kind, p.text)) {
            if (why)
                *why = QStringLiteral("{%1} is not a placeholder of [%2] (use %3)")
                           .arg(p.text, kindName(kind), allowedText(kind));
            return false;
        }
        any = true;
    }
    if (!any) {
        if (why)
            *why = QStringLiteral("has no placeholder (use %1)").arg(allowedText(kind));
        return false;
    }
    return true;
}

QDate parseTicketDate(const QString& text) {
    if (text.size() != 10)
        return {};
    int y = 0, m = 0, d = 0;
    if (text.at(2) == QLatin1Char('-') && text.at(5) == QLatin1Char('-')) {
        m = twoDigits(text, 0);
        d = twoDigits(text, 3);
        const int hi = twoDigits(text, 6), lo = twoDigits(text, 8);
        y = hi < 0 || lo < 0 ? -1 : hi * 100 + lo;
    } else if (text.at(4) == QLatin1Char('/') && text.at(7) == QLatin1Char('/')) {
        const int hi = twoDigits(text, 0), lo = twoDigits(text, 2);
        y = hi < 0 || lo < 0 ? -1 : hi * 100 + lo;
        m = twoDigits(text, 5);
        d = twoDigits(text, 8);
    } else {
        return {};
    }
    if (y < 1 || m < 1 || d < 1)
        return {};
    return QDate(y, m, d);
}

QTime parseTicketTime(const QString& text) {
    if ((text.size() != 8 && text.size() != 5) || text.at(2) != QLatin1Char(':'))
        return {};
    const int h = twoDigits(text, 0), m = twoDigits(text, 3);
    int s = 0;
    if (text.size() == 8) {
        if (text.at(5) != QLatin1Char(':'))
            return {};
        s = twoDigits(text, 6);
    }
    if (h < 0 || m < 0 || s < 0)
        return {};
    return QTime(h, m, s);
}

QString formatItem(ItemKind kind, const QString& format, const TicketValues& v) {
    QList<Piece> pieces;
    if (!split(format, pieces, nullptr))
        return {};
    QDate date;
    QTime time;
    if (kind == ItemKind::Date) {
        date = parseTicketDate(v.dateText);
        if (!date.isValid())
            return v.dateText;
    } else if (kind == ItemKind::Time) {
        time = parseTicketTime(v.timeText);
        if (!time.isValid())
            return v.timeText;
    }
    QString out;
    for (const Piece& p : pieces) {
        if (!p.placeholder) {
            out += p.text;
            continue;
        }
        const QString& t = p.text;
        switch (kind) {
        case ItemKind::Number:
            out += padded(v.ticketNumber, int(t.size()));
            break;
        case ItemKind::Row:
            out += padded(v.row, int(t.size()));
            break;
        case ItemKind::Route:
            out += padded(v.routeNumber, int(t.size()));
            break;
        case ItemKind::Stop:
            out += v.stopName;
            break;
        case ItemKind::Company:
            out += v.company;
            break;
        case ItemKind::Date:
            if (t.isEmpty())
                out += v.dateText;
            else if (t == QLatin1String("yyyy"))
                out += padded(date.year(), 4);
            else if (t == QLatin1String("yy"))
                out += padded(date.year() % 100, 2);
            else if (t.startsWith(QLatin1Char('M')))
                out += padded(date.month(), int(t.size()));
            else
                out += padded(date.day(), int(t.size()));
            break;
        case ItemKind::Time:
            if (t.isEmpty())
                out += v.timeText;
            else if (t.startsWith(QLatin1Char('H')))
                out += padded(time.hour(), int(t.size()));
            else if (t.startsWith(QLatin1Char('m')))
                out += padded(time.minute(), int(t.size()));
            else
                out += padded(time.second(), int(t.size()));
            break;
        default:
            break;
        }
    }
    return out;
}

} // namespace plugins
