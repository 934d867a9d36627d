#include "stopname/ui/SignWindow.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWindow>

namespace {

constexpr int kMargin = 2; // dots of dark around the matrix

} // namespace

SignWindow::SignWindow(signs::SignKind kind, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_kind(kind) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setObjectName(QStringLiteral("Sign_") + signs::kindName(kind));
    const QString titles[] = {tr("前面行先表示器"), tr("側面行先表示器"), tr("後面行先表示器")};
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
    if (dots.width() != m_dots.width() || dots.height() != m_dots.height()) {
        m_dots = dots;
        render();
        return;
    }
    // Only the dots that changed are drawn again, and only their part of the window is
    // repainted: a scrolling line costs its own rows, not the whole sign.
    const QRect changed = dots.changedArea(m_dots);
    if (changed.isEmpty())
        return;
    m_dots = dots;
    drawDots(changed);
    const int p = m_dotPixels;
    update(QRect((changed.x() + kMargin) * p, (changed.y() + kMargin) * p, changed.width() * p,
                 changed.height() * p));
}

void SignWindow::render() {
    // Each dot a square with a pixel of dark to its right and below; the picture is
    // drawn here when the dots change, and painted as it is.
    const QSize size = sizeHint();
    if (m_picture.size() != size)
        m_picture = QImage(size, QImage::Format_RGB32);
    m_picture.fill(QColor::fromRgb(signs::kSignBackColour));
    drawDots(QRect(QPoint(0, 0), signs::signSize(m_kind)));
    update();
}

void SignWindow::drawDots(const QRect& area) {
    const int p = m_dotPixels;
    const int lit = p - 1;
    const QRect grid = area & QRect(QPoint(0, 0), signs::signSize(m_kind));
    QRgb colours[5];
    for (int i = 0; i < 5; ++i)
        colours[i] = 0xFF000000u | signs::inkColour(m_colour, signs::Ink(i));
    // The picture's pixels are reached once (each scanLine() call would check that the
    // picture is not shared).
    uchar* bits = m_picture.bits();
    const qsizetype stride = m_picture.bytesPerLine();
    for (int y = grid.top(); y <= grid.bottom(); ++y) {
        for (int x = grid.left(); x <= grid.right(); ++x) {
            const QRgb c = colours[int(m_dots.at(x, y))];
            const int left = (x + kMargin) * p;
            const int top = (y + kMargin) * p;
            for (int yy = 0; yy < lit; ++yy) {
                auto* line = reinterpret_cast<QRgb*>(bits + (top + yy) * stride) + left;
                std::fill(line, line + lit, c);
            }
        }
    }
}

void SignWindow::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect r = event->rect();
    painter.drawImage(r.topLeft(), m_picture, r);
}

void SignWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && windowHandle()) {
        m_dragged = true;
        windowHandle()->startSystemMove();
    }
}

void SignWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (m_dragged)
        emit moved(pos());
}

void SignWindow::closeEvent(QCloseEvent* event) {
    // The window system's close (a key or a panel's button) is the owner's to carry out;
    // the program's own (its end closes every window) is taken at once.
    if (!event->spontaneous()) {
        QWidget::closeEvent(event);
        return;
    }
    event->ignore();
    emit closeRequested();
}

void SignWindow::contextMenuEvent(QContextMenuEvent* event) {
    emit menuRequested(event->globalPos());
}
