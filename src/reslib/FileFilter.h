#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// The filter of the library's file dialog: pairs of a description and a pattern,
// each text ended by a NUL, the whole ended by one more NUL, in cp932
// ("Waveサウンド(*.wav)\0*.wav\0MP3サウンド(*.mp3)\0*.mp3\0\0").
struct FileFilterEntry {
    QString description;
    QString pattern; // one or more patterns separated by ";" ("*.bmp;*.dib")
    bool operator==(const FileFilterEntry&) const = default;
};

namespace filefilter {

// The bytes of a filter made of these pairs.
QByteArray make(const QVector<FileFilterEntry>& entries);

// The pairs of a filter. Reading stops at the empty text that ends it (or at the end
// of the bytes); a description without its pattern is dropped.
QVector<FileFilterEntry> parse(const QByteArray& filter);

// The name filters of a file chooser for these pairs: "description (pattern pattern)".
QStringList nameFilters(const QVector<FileFilterEntry>& entries);

} // namespace filefilter
