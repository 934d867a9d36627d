#pragma once

#include "platform/PropertyBag.h"

#include <QLabel>
#include <cstdint>

// A caption on a window: its text, font (by its design name), colour and
// alignment. The background is transparent, so the window's picture shows through.
class Label : public QLabel {
    Q_OBJECT
public:
    explicit Label(QWidget* parent = nullptr);

    void ReadProperties(const PropertyBag& bag);

    QString Caption() const { return text(); }
    void setCaption(const QString& caption) { setText(caption); }
    QString FontName() const { return m_fontName; }
    void setFontName(const QString& name);
    double FontSize() const { return m_fontSize; }
    void setFontSize(double points);
    bool FontBold() const { return m_fontBold; }
    void setFontBold(bool bold);
    std::uint32_t ForeColor() const { return m_foreColor; }
    // Drawn larger for a big screen: the font's size times `scale`.
    void setScale(double scale);
    void setForeColor(std::uint32_t color);
    // The text's ink (not its line box) centred in the label's tile: the label inset
    // by `inset` pixels at 1x, as the panel's band under a ticket number is.
    void setInkCentred(const QMargins& inset);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void applyFont();

    QString m_fontName = QStringLiteral("ＭＳ Ｐゴシック");
    double m_fontSize = 9;
    double m_scale = 1.0;
    bool m_fontBold = false;
    std::uint32_t m_foreColor = 0;
    bool m_inkCentred = false;
    QMargins m_inset;
};
