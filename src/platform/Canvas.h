#pragma once
// A drawing canvas over a QImage without antialiasing: pen and brush colours, pen
// width, rectangle fill, move-to/line-to, single pixels, text on the brush colour,
// text extents and the flood fill of a connected one-colour area.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

namespace platform {

// The fixed font used for plot and scale labels, so that text extents do not depend
// on the desktop.
QFont FixedFont();

class TCanvas {
public:
    explicit TCanvas(QImage& image);

    QColor PenColor = Qt::black;
    int PenWidth = 1;
    QColor BrushColor = Qt::white;
    QFont Font = FixedFont();

    QImage& Image() { return *image_; }

    // Fills left <= x < right, top <= y < bottom with the brush colour.
    void FillRect(const QRect& rect);
    void MoveTo(int x, int y);
    // Draws from the pen position to (x, y) with the pen and moves the pen there.
    void LineTo(int x, int y);
    QPoint PenPos() const { return pen_; }
    // Outside the image: no effect.
    void SetPixel(int x, int y, QColor color);
    QColor Pixel(int x, int y) const;
    // Writes text with its top-left corner at (x, y) on an opaque brush-colour background.
    void TextOut(int x, int y, const QString& text);
    int TextWidth(const QString& text) const;
    int TextHeight(const QString& text) const;
    // Replaces the 4-connected area of pixels of colour `surface` that contains (x, y)
    // by the brush colour. Nothing happens when (x, y) is outside or of another colour.
    void FloodFill(int x, int y, QColor surface);

private:
    QImage* image_;
    QPoint pen_;
};

} // namespace platform
