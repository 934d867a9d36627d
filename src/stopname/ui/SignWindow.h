#pragma once

#include "stopname/SignLayout.h"

#include <QImage>
#include <QWidget>

// A destination sign on the screen: a borderless window that shows a sign's dots as
// LEDs, each dot a square of `dotPixels` pixels with a pixel of dark between. A left
// press moves it; the owner decides what its right-click menu holds.
class SignWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kDefaultDotPixels = 4;

    explicit SignWindow(signs::SignKind kind, QWidget* parent = nullptr);

    signs::SignKind kind() const { return m_kind; }
    void setColour(signs::LedColour colour);
    signs::LedColour colour() const { return m_colour; }
    void setDotPixels(int pixels);
    int dotPixels() const { return m_dotPixels; }

    // Shows these dots (repainted at once when they differ from those shown).
    void showDots(const signs::DotImage& dots);
    const signs::DotImage& shownDots() const { return m_dots; }
    // The sign as it is drawn.
    const QImage& picture() const { return m_picture; }

    QSize sizeHint() const override;

signals:
    // The window was moved by a drag (where the program or the window system placed it
    // at first is not a choice to keep).
    void moved(QPoint position);
    // A right click asks for the menu at this screen position.
    void menuRequested(QPoint globalPos);
    // The window system asked to close the window (it stays until its owner closes it;
    // a close by the program itself, such as its end, is taken at once).
    void closeRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void render();
    void drawDots(const QRect& area); // dots of the grid, into the picture

    signs::SignKind m_kind;
    signs::LedColour m_colour = signs::LedColour::Amber;
    int m_dotPixels = kDefaultDotPixels;
    signs::DotImage m_dots;
    QImage m_picture;
    bool m_dragged = false;
};
