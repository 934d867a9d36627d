#include "platform/Cp932.h"

#include <cerrno>
#include <iconv.h>
#include <mutex>

namespace cp932 {
namespace {

// iconv descriptors are not thread-safe; the program is single-threaded in its UI,
// but the codec may also be used from tools and tests, so guard the shared state.
struct Converter {
    iconv_t cd;
    std::mutex lock;
    Converter(const char* to, const char* from) : cd(iconv_open(to, from)) {}
    ~Converter() {
        if (cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(cd);
    }
    bool valid() const { return cd != reinterpret_cast<iconv_t>(-1); }
};

Converter& toCp932() {
    static Converter c("CP932", "UTF-8");
    return c;
}

Converter& fromCp932() {
    static Converter c("UTF-8", "CP932");
    return c;
}

// Converts one chunk; returns false when iconv refused part of the input.
// On return `consumed` holds how many input bytes were converted.
bool convert(Converter& c, const char* in, size_t inLen, QByteArray& out, size_t& consumed) {
    iconv(c.cd, nullptr, nullptr, nullptr, nullptr);
    char* inPtr = const_cast<char*>(in);
    size_t inLeft = inLen;
    QByteArray buf(static_cast<qsizetype>(inLen * 4 + 8), '\0');
    char* outPtr = buf.data();
    size_t outLeft = static_cast<size_t>(buf.size());
    size_t rc = iconv(c.cd, &inPtr, &inLeft, &outPtr, &outLeft);
    buf.truncate(buf.size() - static_cast<qsizetype>(outLeft));
    out += buf;
    consumed = inLen - inLeft;
    return rc != static_cast<size_t>(-1);
}

} // namespace

QByteArray encode(const QString& text) {
    Converter& c = toCp932();
    if (text.isEmpty())
        return {};
    std::lock_guard guard(c.lock);
    if (!c.valid())
        return text.toLatin1();
    QByteArray out;
    // Convert character by character only when the whole string fails, so that the
    // common case stays one iconv call.
    const QByteArray utf8 = text.toUtf8();
    size_t consumed = 0;
    QByteArray whole;
    if (convert(c, utf8.constData(), static_cast<size_t>(utf8.size()), whole, consumed))
        return whole;
    for (qsizetype i = 0; i < text.size();) {
        qsizetype len = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const QByteArray one = text.mid(i, len).toUtf8();
        QByteArray piece;
        if (convert(c, one.constData(), static_cast<size_t>(one.size()), piece, consumed))
            out += piece;
        else
            out += '?';
        i += len;
    }
    return out;
}

QString decode(const QByteArray& bytes) {
    Converter& c = fromCp932();
    if (bytes.isEmpty())
        return {};
    std::lock_guard guard(c.lock);
    if (!c.valid())
        return QString::fromLatin1(bytes);
    QByteArray out;
    size_t pos = 0;
    const size_t total = static_cast<size_t>(bytes.size());
    while (pos < total) {
        size_t consumed = 0;
        if (convert(c, bytes.constData() + pos, total - pos, out, consumed))
            break;
        pos += consumed;
        // Skip the offending byte and mark it.
        out += "\xEF\xBF\xBD";
        pos += 1;
    }
    return QString::fromUtf8(out);
}

bool canEncode(const QString& text) {
    Converter& c = toCp932();
    if (text.isEmpty())
        return true;
    std::lock_guard guard(c.lock);
    if (!c.valid())
        return false;
    const QByteArray utf8 = text.toUtf8();
    QByteArray out;
    size_t consumed = 0;
    return convert(c, utf8.constData(), static_cast<size_t>(utf8.size()), out, consumed);
}

QString unencodable(const QString& text) {
    QString out;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype width = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(i, width);
        if (!canEncode(character) && !out.contains(character))
            out += character;
        i += width;
    }
    return out;
}

} // namespace cp932
