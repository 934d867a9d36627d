#pragma once

#include <QByteArray>
#include <QString>

// The one codec for the Japanese ANSI code page (cp932, Shift_JIS) used by every
// file format and every byte-wise text function of the program.
namespace cp932 {

// Encodes text to cp932. A character that cp932 cannot hold becomes "?".
QByteArray encode(const QString& text);

// Decodes cp932 bytes. A byte sequence that is not valid cp932 becomes U+FFFD per
// offending byte, so decoding never fails and never drops the rest of the text.
QString decode(const QByteArray& bytes);

// True when every character of the text can be written in cp932.
bool canEncode(const QString& text);

// The characters of the text that cp932 cannot hold, each once, in order of first
// appearance; "" when the whole text can be written.
QString unencodable(const QString& text);

} // namespace cp932
