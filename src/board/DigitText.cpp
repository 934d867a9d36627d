#include "board/DigitText.h"

#include <cmath>

namespace digittext {
namespace {

DigitValue applyZeroRule(const DigitValue& v, int zeroMode) {
    const bool zero = v.isNumber(0);
    const bool emptyText = v.isEmptyText();
    switch (zeroMode) {
    case 0:
        if (zero || emptyText)
            return DigitValue::text(QString());
        break;
    case 1:
        if (zero || emptyText)
            return DigitValue::number(0);
        break;
    case 2:
        if (v.isNumber(-1))
            return DigitValue::number(0);
        if (zero)
            return DigitValue::text(QString());
        break;
    case 3:
        if (v.isNumber(-1) || zero || emptyText)
            return DigitValue::number(0);
        break;
    default:
        break;
    }
    return v;
}

// The number formatted with at least `digits` digits (rounded to a whole number),
// a minus sign in front of the zeros.
QString zeroFilled(double n, int digits) {
    if (!std::isfinite(n))
        return QString();
    const qint64 whole = static_cast<qint64>(std::llround(n));
    QString body = QString::number(whole < 0 ? -whole : whole);
    if (body.size() < digits)
        body.prepend(QString(digits - body.size(), QLatin1Char('0')));
    return whole < 0 ? QLatin1Char('-') + body : body;
}

} // namespace

QString shownText(const DigitValue& value, const DisplayFormat& format) {
    const DigitValue v = applyZeroRule(value, format.zeroMode);
    QString text;
    if (v.isNumber() && format.fillZero > 0)
        text = zeroFilled(v.toNumber(), format.fillZero);
    else
        text = v.toText();
    if (format.shift >= 1)
        text += QString(format.shift, QLatin1Char(' '));
    return text;
}

QString placesOfText(const QString& text, int keta) {
    const int places = qMax(0, keta);
    QString t = text.right(places);
    if (t.size() < places)
        t.prepend(QString(places - t.size(), QLatin1Char(' ')));
    return t;
}

QString places(const DigitValue& value, const DisplayFormat& format) {
    return placesOfText(shownText(value, format), format.keta);
}

} // namespace digittext
