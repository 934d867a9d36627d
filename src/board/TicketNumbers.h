#pragma once

#include <QMap>
#include <QString>

// The ticket-number labels above the fare displays, for one numbering variant.
namespace ticketnumbers {

inline constexpr int kVariants = 12;

// The numbering list as the options show it, index 0..11.
QStringList variantNames();

// A number in full-width digits; with zero padding at least two digits (0 -> ００).
QString fullWidth(int n, bool zeroPad);

struct Layout {
    // Label 1's font size (10 pt under a fixed text, 11 pt otherwise).
    double label1FontSize = 11;
    // The captions to write, by label 1..50; labels not listed keep theirs.
    QMap<int, QString> captions;
};

Layout layout(int style, bool zeroPad);

} // namespace ticketnumbers
