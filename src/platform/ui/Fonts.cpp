#include "platform/ui/Fonts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFontDatabase>
#include <QHash>

namespace fonts {
namespace {

struct FaceFiles {
    const char* regular;
    const char* bold;
};

constexpr FaceFiles kFaceFiles[] = {
    {"DSEG7Classic-Regular.ttf", "DSEG7Classic-Bold.ttf"},
    {"DSEG7Modern-Regular.ttf", "DSEG7Modern-Bold.ttf"},
    {"DSEG7ClassicMini-Regular.ttf", "DSEG7ClassicMini-Bold.ttf"},
};

QString g_dir = QStringLiteral("/usr/share/fonts/truetype/dseg");
bool g_registered = false;
bool g_available = false;
QString g_family[3];

int faceIndex(DigitFace face) {
    return static_cast<int>(face);
}

} // namespace

DigitFace digitFaceByName(const QString& name) {
    if (name == QLatin1String("M_DegitB"))
        return DigitFace::B;
    if (name == QLatin1String("M_DegitC"))
        return DigitFace::C;
    return DigitFace::A;
}

QString digitFaceName(DigitFace face) {
    switch (face) {
    case DigitFace::B:
        return QStringLiteral("M_DegitB");
    case DigitFace::C:
        return QStringLiteral("M_DegitC");
    case DigitFace::A:
        break;
    }
    return QStringLiteral("M_DegitA");
}

void setDigitFontDirectory(const QString& dir) {
    g_dir = dir;
    g_registered = false;
    g_available = false;
}

QString digitFontDirectory() {
    return g_dir;
}

bool registerDigitFonts(QString* problem) {
    if (g_registered) {
        if (!g_available && problem)
            *problem =
                QCoreApplication::translate("Fonts", "7セグメント表示用のフォント(DSEG)が見つかりません。\n"
                                                     "fonts-dseg をインストールしてください。\n場所: %1")
                    .arg(g_dir);
        return g_available;
    }
    g_registered = true;
    g_available = true;
    const QDir dir(g_dir);
    for (int i = 0; i < 3; ++i) {
        g_family[i].clear();
        for (const char* file : {kFaceFiles[i].regular, kFaceFiles[i].bold}) {
            const QString path = dir.filePath(QString::fromLatin1(file));
            const int id = QFile::exists(path) ? QFontDatabase::addApplicationFont(path) : -1;
            if (id < 0) {
                g_available = false;
                continue;
            }
            const QStringList families = QFontDatabase::applicationFontFamilies(id);
            if (!families.isEmpty() && g_family[i].isEmpty())
                g_family[i] = families.first();
        }
    }
    return registerDigitFonts(problem);
}

bool digitFontsAvailable() {
    return g_registered && g_available;
}

QFont digitFont(DigitFace face, bool bold, int pixelSize) {
    QFont font;
    const QString& family = g_family[faceIndex(face)];
    if (g_available && !family.isEmpty()) {
        font.setFamily(family);
    } else {
        font.setFamily(QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
        font.setStyleHint(QFont::Monospace);
    }
    font.setPixelSize(qMax(1, pixelSize));
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoFontMerging));
    font.setKerning(false);
    return font;
}

QString uiFamily(const QString& designName) {
    static const QHash<QString, QString> map = {
        {QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic")},
        {QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic")},
        {QStringLiteral("ＭＳ 明朝"), QStringLiteral("IPAMincho")},
        {QStringLiteral("ＭＳ Ｐ明朝"), QStringLiteral("IPAPMincho")},
    };
    return map.value(designName, designName);
}

QFont uiFont(const QString& designName, double pointSize, bool bold) {
    QFont font(uiFamily(designName));
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

} // namespace fonts
