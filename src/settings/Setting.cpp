#include "settings/Setting.h"

#include <QHash>
#include <algorithm>
#include <array>
#include <vector>

namespace settings_names {
namespace {

const std::array<const char*, count()> kNames = {
#define CORVANE_SETTING_NAME(name) #name,
    CORVANE_SETTINGS(CORVANE_SETTING_NAME)
#undef CORVANE_SETTING_NAME
};

// Edits (insertions, deletions, substitutions) between two names, ignoring case.
int distance(const QString& a, const QString& b) {
    const QString x = a.toLower();
    const QString y = b.toLower();
    std::vector<int> row(static_cast<size_t>(y.size()) + 1);
    for (size_t j = 0; j < row.size(); ++j)
        row[j] = static_cast<int>(j);
    for (qsizetype i = 1; i <= x.size(); ++i) {
        int diagonal = row[0];
        row[0] = static_cast<int>(i);
        for (qsizetype j = 1; j <= y.size(); ++j) {
            const int above = row[static_cast<size_t>(j)];
            const int cost = x.at(i - 1) == y.at(j - 1) ? 0 : 1;
            row[static_cast<size_t>(j)] =
                std::min({above + 1, row[static_cast<size_t>(j - 1)] + 1, diagonal + cost});
            diagonal = above;
        }
    }
    return row.back();
}

} // namespace

QString name(Setting setting) {
    const int i = static_cast<int>(setting);
    return i >= 0 && i < count() ? QString::fromLatin1(kNames[static_cast<size_t>(i)]) : QString();
}

std::optional<Setting> byName(const QString& name) {
    static const QHash<QString, int> index = [] {
        QHash<QString, int> h;
        for (int i = 0; i < count(); ++i)
            h.insert(QString::fromLatin1(kNames[static_cast<size_t>(i)]), i);
        return h;
    }();
    const auto it = index.constFind(name);
    if (it == index.constEnd())
        return std::nullopt;
    return static_cast<Setting>(*it);
}

QStringList closest(const QString& name, int limit) {
    std::vector<std::pair<int, int>> ranked; // distance, index
    for (int i = 0; i < count(); ++i)
        ranked.emplace_back(distance(name, QString::fromLatin1(kNames[static_cast<size_t>(i)])), i);
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QStringList out;
    for (const auto& [d, i] : ranked) {
        if (static_cast<int>(out.size()) >= limit)
            break;
        out << QString::fromLatin1(kNames[static_cast<size_t>(i)]);
    }
    return out;
}

} // namespace settings_names
