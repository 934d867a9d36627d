#include "stopname/ui/SignWindow.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

namespace {

constexpr int kMargin = 2; // dots of dark around the matrix

} // namespace

SignWindow::SignWindow(signs::SignKind kind, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_kind(kind) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setObjectName(QStringLiteral("Sign_") + signs::kindName(kind));
    const QString titles[] = {QStringLiteral("前面行先表示器"), QStringLiteral("側面行先表示器"),
                              QStringLiteral("後面行先表示器")};
    setWindowTitle(titles[int(kind)]);
    const QSize size = signs::signSize(kind);
    m_dots = signs::DotImage(size.width(), size.height());
    render();
    setFixedSize(sizeHint());
}

QSize SignWindow::sizeHint() const {
    const QSize dots = signs::signSize(m_kind) + QSize(2 * kMargin, 2 * kMargin);
    return dots * m_dotPixels;
}

void SignWindow::setColour(signs::LedColour colour) {
    if (colour == m_colour)
        return;
    m_colour = colour;
    render();
}

void SignWindow::setDotPixels(int pixels) {
    m_dotPixels = qBound(2, pixels, 16);
    setFixedSize(sizeHint());
    render();
}

void SignWindow::showDots(const signs::DotImage& dots) {
    if (dots == m_dots)
        return;
    m_dots = dots;
    render();
}

void SignWindow::render() {
    // Each dot a square with a pixel of dark to its right and below; the picture is
    // drawn here once per change of the dots, and painted as it is.
    const QSize size = sizeHint();
    if (m_picture.size() != size)
        m_picture = QImage(size, QImage::Format_RGB32);
    m_picture.fill(QColor::fromRgb(signs::kSignBackColour));
    const int p = m_dotPixels;
    const int lit = p - 1;
    const QSize grid = signs::signSize(m_kind);
    QRgb colours[5];
    for (int i = 0; i < 5; ++i)
        colours[i] = 0xFF000000u | signs::inkColour(m_colour, signs::Ink(i));
    for (int y = 0; y < grid.height(); ++y) {
        for (int x = 0; x < grid.width(); ++x) {
            const QRgb c = colours[int(m_dots.at(x, y))];
            const int left = (x + kMargin) * p;
            const int top = (y + kMargin) * p;
            for (int yy = 0; yy < lit; ++yy) {
                auto* line = reinterpret_cast<QRgb*>(m_picture.scanLine(top + yy)) + left;
                std::fill(line, line + lit, c);
            }
        }
    }
    update();
}

void SignWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, m_picture);
}

void SignWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && windowHandle())
        windowHandle()->startSystemMove();
}

void SignWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    emit moved(pos());
}

void SignWindow::contextMenuEvent(QContextMenuEvent* event) {
    emit menuRequested(event->globalPos());
}
