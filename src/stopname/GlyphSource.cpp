#include "stopname/GlyphSource.h"

#include "platform/Cp932.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>

#include <ft2build.h>
#include FT_FREETYPE_H

namespace chimei {
namespace {

// Row of the baseline inside the 16-row cell: every 16-dot glyph has its top at 14.
constexpr int kBaseline = 14;

struct FaceSlot {
    QString path;
    FT_Face face = nullptr;
    bool tried = false;
    bool outline = false; // scalable fallback: sized to 16 pixels on opening
};

QString firstExisting(const QStringList& candidates) {
    for (const QString& c : candidates) {
        if (QFile::exists(c))
            return c;
    }
    return candidates.isEmpty() ? QString() : candidates.first();
}

} // namespace

GlyphFontFiles GlyphFontFiles::systemDefault() {
    GlyphFontFiles f;
    f.bitmapDir = QStringLiteral("/usr/share/fonts/X11/misc");
    f.gothicOutline = firstExisting({QStringLiteral("/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf"),
                                     QStringLiteral("/usr/share/fonts/truetype/fonts-japanese-gothic.ttf")});
    f.minchoOutline = firstExisting({QStringLiteral("/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf"),
                                     QStringLiteral("/usr/share/fonts/truetype/fonts-japanese-mincho.ttf")});
    return f;
}

int sjisToJis(int code) {
    const int s1 = (code >> 8) & 0xFF;
    const int s2 = code & 0xFF;
    if (code < 0 || code > 0xFFFF || !isLeadByte(static_cast<quint8>(s1)) ||
        !isTrailByte(static_cast<quint8>(s2)))
        return -1;
    const int pair = s1 <= 0x9F ? s1 - 0x81 : s1 - 0xC1;
    int ku = 0;
    int ten = 0;
    if (s2 >= 0x9F) {
        ku = 2 * pair + 2;
        ten = s2 - 0x9E;
    } else {
        ku = 2 * pair + 1;
        ten = s2 - 0x3F - (s2 >= 0x80 ? 1 : 0);
    }
    if (ku < 1 || ku > 94 || ten < 1 || ten > 94)
        return -1;
    return ((ku + 0x20) << 8) | (ten + 0x20);
}

struct GlyphSource::Impl {
    enum Slot {
        GothicRegular,
        GothicBold,
        MinchoRegular,
        MinchoBold,
        AsciiRegular,
        AsciiBold,
        KanaRegular,
        KanaBold,
        GothicOutline,
        MinchoOutline,
        SlotCount
    };

    FT_Library library = nullptr;
    FaceSlot faceSlots[SlotCount];
    QHash<quint32, Glyph> cache;
    QSet<quint32> missing;

    explicit Impl(const GlyphFontFiles& files) {
        if (FT_Init_FreeType(&library) != 0)
            library = nullptr;
        const QDir dir(files.bitmapDir);
        const char* names[] = {"shnmk16.pcf.gz",     "shnmk16b.pcf.gz",  "shnmk16min.pcf.gz",
                               "shnmk16minb.pcf.gz", "shnm8x16a.pcf.gz", "shnm8x16ab.pcf.gz",
                               "shnm8x16r.pcf.gz",   "shnm8x16rb.pcf.gz"};
        for (int i = 0; i < GothicOutline; ++i)
            faceSlots[i].path = dir.filePath(QString::fromLatin1(names[i]));
        faceSlots[GothicOutline].path = files.gothicOutline;
        faceSlots[GothicOutline].outline = true;
        faceSlots[MinchoOutline].path = files.minchoOutline;
        faceSlots[MinchoOutline].outline = true;
    }

    ~Impl() {
        for (FaceSlot& s : faceSlots) {
            if (s.face)
                FT_Done_Face(s.face);
        }
        if (library)
            FT_Done_FreeType(library);
    }

    FT_Face face(int slot) {
        FaceSlot& s = faceSlots[slot];
        if (s.tried)
            return s.face;
        s.tried = true;
        if (!library || s.path.isEmpty() || !QFile::exists(s.path))
            return nullptr;
        FT_Face f = nullptr;
        if (FT_New_Face(library, QFile::encodeName(s.path).constData(), 0, &f) != 0)
            return nullptr;
        if (s.outline) {
            if (FT_Set_Pixel_Sizes(f, 0, 16) != 0) {
                FT_Done_Face(f);
                return nullptr;
            }
        } else if (f->num_charmaps > 0) {
            // The bitmap faces select no charmap of their own; their only map holds the
            // raw codes of their character set.
            FT_Set_Charmap(f, f->charmaps[0]);
        }
        s.face = f;
        return f;
    }

    // Renders `charCode` of a face into cell rows. False when the face lacks it.
    bool render(int slot, FT_ULong charCode, Glyph& out) {
        FT_Face f = face(slot);
        if (!f)
            return false;
        const FT_UInt index = FT_Get_Char_Index(f, charCode);
        if (index == 0)
            return false;
        if (FT_Load_Glyph(f, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0)
            return false;
        const FT_GlyphSlot g = f->glyph;
        const FT_Bitmap& b = g->bitmap;
        if (b.pixel_mode != FT_PIXEL_MODE_MONO && b.rows > 0 && b.width > 0)
            return false;
        out.rows.fill(0);
        for (unsigned r = 0; r < b.rows; ++r) {
            const int y = kBaseline - g->bitmap_top + static_cast<int>(r);
            if (y < 0 || y >= GlyphSurface::kSize)
                continue;
            const unsigned char* line = b.buffer + static_cast<ptrdiff_t>(r) * b.pitch;
            for (unsigned c = 0; c < b.width; ++c) {
                const int x = g->bitmap_left + static_cast<int>(c);
                if (x < 0 || x >= 32)
                    continue;
                if ((line[c / 8] >> (7 - c % 8)) & 1)
                    out.rows[static_cast<size_t>(y)] |= quint32{1} << x;
            }
        }
        return true;
    }

    bool lookup(int code, GlyphFace gface, bool bold, Glyph& out) {
        const bool mincho = gface == GlyphFace::Mincho;
        if (code > 0xFF) {
            out.advance = 16;
            const int jis = sjisToJis(code);
            const int slot =
                mincho ? (bold ? MinchoBold : MinchoRegular) : (bold ? GothicBold : GothicRegular);
            if (jis > 0 && render(slot, static_cast<FT_ULong>(jis), out))
                return true;
        } else {
            out.advance = 8;
            if (code >= 0x20 && code <= 0x7E) {
                if (render(bold ? AsciiBold : AsciiRegular, static_cast<FT_ULong>(code), out))
                    return true;
            } else if (code >= 0xA1 && code <= 0xDF) {
                if (render(bold ? KanaBold : KanaRegular, static_cast<FT_ULong>(code), out))
                    return true;
            } else {
                return false; // control bytes and bytes that are no character
            }
        }
        return renderOutline(code, mincho, bold, out);
    }

    // The outline fallback: the character decoded from cp932, drawn at 16 pixels.
    bool renderOutline(int code, bool mincho, bool bold, Glyph& out) {
        QByteArray bytes;
        if (code > 0xFF)
            bytes.append(static_cast<char>(code >> 8));
        bytes.append(static_cast<char>(code & 0xFF));
        const QString text = cp932::decode(bytes);
        const QList<uint> ucs = text.toUcs4();
        if (ucs.size() != 1 || ucs.first() == 0xFFFD || ucs.first() < 0x20)
            return false;
        if (!render(mincho ? MinchoOutline : GothicOutline, ucs.first(), out))
            return false;
        if (bold) {
            // Bold by widening every stroke one pixel to the right.
            for (quint32& row : out.rows)
                row |= row << 1;
        }
        return true;
    }
};

GlyphSource& GlyphSource::shared() {
    static GlyphSource source(GlyphFontFiles::systemDefault());
    return source;
}

GlyphSource::GlyphSource(const GlyphFontFiles& files) : d(std::make_unique<Impl>(files)) {}

GlyphSource::~GlyphSource() = default;

bool GlyphSource::glyph(int code, GlyphFace face, bool bold, Glyph& out) {
    if (code < 0 || code > 0xFFFF)
        return false;
    const quint32 key =
        static_cast<quint32>(code) | (face == GlyphFace::Mincho ? 1u << 16 : 0u) | (bold ? 1u << 17 : 0u);
    const auto hit = d->cache.constFind(key);
    if (hit != d->cache.constEnd()) {
        out = hit.value();
        return true;
    }
    if (d->missing.contains(key)) {
        out = Glyph{};
        out.advance = code > 0xFF ? 16 : 8;
        return false;
    }
    Glyph g;
    if (!d->lookup(code, face, bold, g)) {
        d->missing.insert(key);
        out = Glyph{};
        out.advance = code > 0xFF ? 16 : 8;
        return false;
    }
    d->cache.insert(key, g);
    out = g;
    return true;
}

void GlyphSource::printCell(GlyphSurface& surface, const QByteArray& cell, GlyphFace face, bool bold, int dx,
                            int dy) {
    int pen = dx;
    for (qsizetype i = 0; i < cell.size();) {
        const auto b = static_cast<quint8>(cell[i]);
        int code = b;
        int width = 1;
        if (isLeadByte(b)) {
            if (i + 1 < cell.size() && isTrailByte(static_cast<quint8>(cell[i + 1]))) {
                code = (b << 8) | static_cast<quint8>(cell[i + 1]);
                width = 2;
            } else {
                code = -1; // half of a character: nothing to print
            }
        }
        Glyph g;
        if (code >= 0 && glyph(code, face, bold, g))
            surface.blit(g.rows, pen, dy);
        pen += width == 2 ? 16 : 8;
        i += width;
    }
}

bool GlyphSource::hasBitmapFaces() const {
    return d->face(Impl::GothicRegular) && d->face(Impl::MinchoRegular) && d->face(Impl::AsciiRegular) &&
           d->face(Impl::KanaRegular);
}

bool GlyphSource::hasOutline(GlyphFace face) const {
    return d->face(face == GlyphFace::Mincho ? Impl::MinchoOutline : Impl::GothicOutline) != nullptr;
}

} // namespace chimei
