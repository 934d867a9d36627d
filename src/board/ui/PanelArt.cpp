#include "board/ui/PanelArt.h"

#include <QBuffer>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRegularExpression>
#include <QSvgGenerator>

namespace panelart {

namespace {

constexpr int kDigitLeft[10] = {1425, 2295, 3150, 4020, 4890, 5745, 6615, 7485, 8340, 9210};
constexpr int kLabelLeft[10] = {1425, 2295, 3150, 4020, 4875, 5745, 6600, 7470, 8325, 9195};
constexpr int kDigitTop[5] = {600, 1170, 1740, 2280, 2835};
constexpr int kLabelTop[5] = {375, 945, 1500, 2055, 2610};
// The vertical legend 「整理券番号」「運賃」 stands in x 78..90; the rules start after it.
constexpr int kRuleLeft = 93;

int px(int twips) {
    return twips / 15;
}

void bevel(QPainter& p, const QRect& r, const QColor& light, const QColor& dark) {
    p.setPen(light);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(dark);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
}

} // namespace

void paint(QPainter& p, int backlight) {
    // How much the backlight adds to the lit parts, 0..1.
    const double glow = backlight <= 0 ? 0.0 : backlight == 1 ? 0.45 : 1.0;
    const auto lit = [glow](const QColor& dark, const QColor& bright) {
        return QColor::fromRgbF(static_cast<float>(dark.redF() + (bright.redF() - dark.redF()) * glow),
                                static_cast<float>(dark.greenF() + (bright.greenF() - dark.greenF()) * glow),
                                static_cast<float>(dark.blueF() + (bright.blueF() - dark.blueF()) * glow));
    };

    const QRect img(0, 0, kWidth, kHeight);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);

    // Housing: dark grey metal, lighter at the top edge.
    QLinearGradient housing(0, 0, 0, 307);
    housing.setColorAt(0.0, QColor(70, 72, 76));
    housing.setColorAt(0.06, QColor(46, 47, 51));
    housing.setColorAt(0.94, QColor(32, 33, 36));
    housing.setColorAt(1.0, QColor(18, 18, 20));
    p.fillRect(img, housing);
    p.setRenderHint(QPainter::Antialiasing, false);
    bevel(p, img.adjusted(0, 0, -1, -1), QColor(110, 112, 118), QColor(10, 10, 12));
    bevel(p, img.adjusted(1, 1, -2, -2), QColor(84, 86, 90), QColor(22, 22, 24));

    // Smoked acrylic face.
    const QRect face(12, 10, 666, 287);
    p.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath facePath;
    facePath.addRoundedRect(QRectF(face), 6, 6);
    QLinearGradient glass(0, face.top(), 0, face.bottom());
    glass.setColorAt(0.0, lit(QColor(24, 22, 22), QColor(70, 62, 48)));
    glass.setColorAt(0.5, lit(QColor(12, 11, 11), QColor(48, 42, 32)));
    glass.setColorAt(1.0, lit(QColor(6, 6, 6), QColor(30, 26, 20)));
    p.fillPath(facePath, glass);
    p.setPen(QPen(QColor(90, 92, 96), 1));
    p.drawPath(facePath);
    p.setRenderHint(QPainter::Antialiasing, false);

    // The fare grid: one recessed window per display, a band per label.
    for (int r = 0; r < 5; ++r) {
        for (int c = 0; c < 10; ++c) {
            const QRect label(px(kLabelLeft[c]) + 2, px(kLabelTop[r]) + 1, px(780) - 4, px(240) - 2);
            // The label band is a translucent strip lit from behind.
            QLinearGradient band(0, label.top(), 0, label.bottom());
            band.setColorAt(0.0, lit(QColor(30, 34, 44), QColor(150, 138, 104)));
            band.setColorAt(0.5, lit(QColor(30, 34, 44), QColor(190, 176, 132)));
            band.setColorAt(1.0, lit(QColor(30, 34, 44), QColor(150, 138, 104)));
            p.fillRect(label, band);
            bevel(p, label, QColor(16, 18, 24), lit(QColor(52, 58, 72), QColor(220, 206, 160)));
            const QRect digit(px(kDigitLeft[c]) - 2, px(kDigitTop[r]) - 2, px(780) + 3, px(300) + 3);
            p.fillRect(digit, QColor(0, 0, 0));
            bevel(p, digit, QColor(8, 8, 8), QColor(64, 64, 68));
        }
    }
    // Separating rules between the rows, from after the vertical legend to the face's edge.
    for (int r = 1; r < 5; ++r) {
        const int y = px(kLabelTop[r]) - 3;
        p.fillRect(QRect(kRuleLeft, y, 675 - kRuleLeft, 1), QColor(48, 48, 52));
    }

    // Stop-name strip frame (left 480, top 885, 525 x 2880 twips).
    const QRect strip(px(480), px(885), px(525), px(2880));
    p.fillRect(strip.adjusted(-4, -4, 4, 4), QColor(54, 56, 60));
    bevel(p, strip.adjusted(-4, -4, 3, 3), QColor(120, 122, 128), QColor(14, 14, 16));
    bevel(p, strip.adjusted(-1, -1, 0, 0), QColor(10, 10, 10), QColor(90, 92, 96));
    p.fillRect(strip, QColor(0, 0, 0));

    // Captions in white paint, as printed on the housing.
    p.setRenderHint(QPainter::TextAntialiasing, true);
    QFont caption(QStringLiteral("IPAGothic"));
    caption.setPixelSize(11);
    caption.setBold(true);
    p.setFont(caption);
    p.setPen(QColor(226, 226, 220));
    p.drawText(QRect(strip.left() - 8, strip.top() - 30, strip.width() + 16, 13), Qt::AlignCenter,
               QStringLiteral("次は"));
    p.setPen(QColor(200, 200, 196));
    caption.setPixelSize(9);
    p.setFont(caption);
    // Vertical captions between the strip and the grid.
    const QString left = QStringLiteral("整理券番号");
    for (int i = 0; i < left.size(); ++i)
        p.drawText(QRect(78, 44 + i * 12, 12, 12), Qt::AlignCenter, left.mid(i, 1));
    const QString fare = QStringLiteral("運賃");
    for (int i = 0; i < fare.size(); ++i)
        p.drawText(QRect(78, 150 + i * 12, 12, 12), Qt::AlignCenter, fare.mid(i, 1));
    caption.setPixelSize(8);
    caption.setBold(false);
    p.setFont(caption);
    p.setPen(QColor(150, 150, 146));
    p.drawText(QRect(500, 12, 170, 12), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("CORVANE 508  運賃表示器"));
    p.drawText(QRect(95, 12, 200, 12), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("単位：円"));

    // The notice plate under the grid, as printed on the acrylic.
    const QRect plate(px(kDigitLeft[0]) - 4, 222, 690 - px(kDigitLeft[0]) - 20, 62);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(plate, lit(QColor(20, 22, 28), QColor(92, 86, 70)));
    bevel(p, plate, QColor(8, 8, 10), QColor(60, 62, 70));
    p.setRenderHint(QPainter::Antialiasing, true);
    QFont notice(QStringLiteral("IPAGothic"));
    notice.setPixelSize(13);
    notice.setBold(true);
    p.setFont(notice);
    p.setPen(QColor(236, 236, 230));
    p.drawText(plate.adjusted(12, 6, -12, -34), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("ご乗車の際は整理券をお取りください"));
    p.setPen(QColor(250, 214, 120));
    p.drawText(plate.adjusted(12, 30, -12, -8), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("運賃は整理券番号の下の金額です"));
    notice.setPixelSize(10);
    notice.setBold(false);
    p.setFont(notice);
    p.setPen(QColor(180, 180, 176));
    p.drawText(plate.adjusted(12, 6, -12, -34), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("両替は停車中にお願いします"));
    p.drawText(plate.adjusted(12, 30, -12, -8), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("PLEASE TAKE A TICKET"));

    // Fixing screws at the corners.
    p.setRenderHint(QPainter::Antialiasing, true);
    for (const QPoint& at : {QPoint(6, 6), QPoint(683, 6), QPoint(6, 300), QPoint(683, 300)}) {
        QRadialGradient screw(at, 3.5);
        screw.setColorAt(0, QColor(170, 170, 174));
        screw.setColorAt(1, QColor(60, 60, 64));
        p.setBrush(screw);
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(at), 3, 3);
    }
    p.restore();
}

QImage image(int backlight, double scale) {
    QImage img(qRound(kWidth * scale), qRound(kHeight * scale), QImage::Format_RGB32);
    QPainter p(&img);
    p.scale(scale, scale);
    paint(p, backlight);
    p.end();
    return img;
}

QByteArray svg(int backlight) {
    QBuffer buffer;
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(QSize(kWidth, kHeight));
    generator.setViewBox(QRect(0, 0, kWidth, kHeight));
    generator.setTitle(QStringLiteral("Corvane panel"));
    QPainter p(&generator);
    paint(p, backlight);
    p.end();
    // The generator gives the size in millimetres, which readers turn into pixels at
    // their own resolution; the picture's own size is the board's, in pixels.
    QString text = QString::fromUtf8(buffer.data());
    text.replace(QRegularExpression(QStringLiteral("<svg width=\"[0-9.]+mm\" height=\"[0-9.]+mm\"")),
                 QStringLiteral("<svg width=\"%1\" height=\"%2\"").arg(kWidth).arg(kHeight));
    return text.toUtf8();
}

} // namespace panelart
