#include "board/TicketNumbers.h"

#include <QStringList>

namespace ticketnumbers {

QStringList variantNames() {
    static const char* const fixed[kVariants] = {
        "1,2,3...",           "0,1,2...",           "「なし」、1,2...",   "「なし」、2,3...",
        "「無券」、1,2...",   "「無券」、2,3...",   "「券なし」、1,2...", "「券なし」、2,3...",
        "「券無し」、1,2...", "「券無し」、2,3...", "(無地)、1,2...",     "(無地)、2,3...",
    };
    QStringList names;
    for (int i = 0; i < kVariants; ++i) {
        // Variants starting at 1 under a fixed first label, and variant 1, end at 49.
        const bool endsAt49 = i == 1 || (i >= 2 && i % 2 == 0);
        QString name = QString::fromUtf8(fixed[i]) + QLatin1Char(' ') + QString::number(endsAt49 ? 49 : 50);
        if (i == 0)
            name += QStringLiteral(" （既定の表示）");
        names << name;
    }
    return names;
}

QString fullWidth(int n, bool zeroPad) {
    QString digits = zeroPad ? QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')) : QString::number(n);
    QString out;
    for (const QChar c : digits)
        out += c.isDigit() ? QChar(0xFF10 + c.digitValue()) : (c == QLatin1Char('-') ? QChar(0xFF0D) : c);
    return out;
}

Layout layout(int style, bool zeroPad) {
    Layout l;
    QString fixed;
    switch (style) {
    case 2:
    case 3:
        fixed = QStringLiteral("な し");
        break;
    case 4:
    case 5:
        fixed = QStringLiteral("無 券");
        break;
    case 6:
    case 7:
        fixed = QStringLiteral("券なし");
        break;
    case 8:
    case 9:
        fixed = QStringLiteral("券無し");
        break;
    default:
        break;
    }
    if (style >= 2) {
        l.label1FontSize = 10;
        l.captions.insert(1, fixed);
    } else {
        l.label1FontSize = 11;
    }
    switch (style) {
    case 0:
        for (int n = 1; n <= 50; ++n)
            l.captions.insert(n, fullWidth(n, zeroPad));
        break;
    case 1:
        for (int n = 0; n <= 49; ++n)
            l.captions.insert(n + 1, fullWidth(n, zeroPad));
        break;
    case 3:
    case 5:
    case 7:
    case 9:
    case 11:
        for (int n = 2; n <= 50; ++n)
            l.captions.insert(n, fullWidth(n, zeroPad));
        break;
    case 2:
    case 4:
    case 6:
    case 8:
    case 10:
        for (int n = 1; n <= 49; ++n)
            l.captions.insert(n + 1, fullWidth(n, zeroPad));
        break;
    default:
        break;
    }
    return l;
}

} // namespace ticketnumbers
