// Draws the board's panel picture (690 x 307) as the board draws its built-in panel.
//
//   panelart [--backlight off|on1|on2] OUTPUT.png|OUTPUT.svg
//
// With --backlight the panel is drawn as the board looks with its backlight in that
// state (off is the built-in picture): the ticket-number bands, the acrylic face and
// the notice plate glow, dimly for ON1, brightly for ON2. A name ending in .svg gets
// the drawing in shapes and text (a user panel picture that stays sharp at any size);
// the demo ships the three states so.
#include "board/ui/PanelArt.h"

#include <QFile>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    int light = 0; // 0 off, 1 ON1, 2 ON2
    const char* output = nullptr;
    for (int i = 1; i < argc; ++i) {
        const QByteArray a(argv[i]);
        if (a == "--backlight" && i + 1 < argc) {
            const QByteArray v(argv[++i]);
            light = v == "off" ? 0 : v == "on1" ? 1 : v == "on2" ? 2 : -1;
        } else if (!output && !a.startsWith("--")) {
            output = argv[i];
        } else {
            light = -1;
        }
    }
    if (!output || light < 0) {
        std::fprintf(stderr, "usage: panelart [--backlight off|on1|on2] OUTPUT.png|OUTPUT.svg\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(output);
    if (path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) {
        const QByteArray text = panelart::svg(light);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.flush()) {
            std::fprintf(stderr, "panelart: cannot write %s\n", output);
            return 1;
        }
        return 0;
    }
    if (!panelart::image(light).save(path, "PNG")) {
        std::fprintf(stderr, "panelart: cannot write %s\n", output);
        return 1;
    }
    return 0;
}
