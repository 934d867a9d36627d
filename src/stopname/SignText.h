#pragma once

#include <QString>

// What the destination signs of a route show: the number box, the destination and
// the way (経由), in Japanese and, when known, in English.
struct SignText {
    QString number;        // what the number box shows ("12", "循環")
    QString destination;   // 行先
    QString via;           // 経由, "" when the sign has none
    QString destinationEn; // the same in English, "" when not known
    QString viaEn;

    // English is known: the signs show it in turn with the Japanese.
    bool hasEnglish() const { return !destinationEn.isEmpty(); }
    bool isEmpty() const { return number.isEmpty() && destination.isEmpty(); }
    bool operator==(const SignText&) const = default;
};
