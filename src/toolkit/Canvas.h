#pragma once
// A drawing canvas over a QImage without antialiasing: pen and brush colours, pen
// width, rectangle fill, move-to/line-to, single pixels, text on the brush colour,
// text extents and the flood fill of a connected one-colour area.
//
// The canvas works on 32-bit images (QImage::Format_RGB32 is the one to use); colours
// are compared by their red, green and blue parts only.
//
// A canvas of a TImage also draws every operation on the image's sharp copy when the
// screen has more than one device pixel per pixel: the picture keeps its pixels, and the
// copy shows the same drawing at the screen's resolution.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

namespace toolkit {

class TImage;

// The fixed font used for plot and scale labels ("DejaVu Sans", 11 pixels), so that text
// extents do not depend on the desktop.
QFont FixedFont();

class TCanvas {
public:
    explicit TCanvas(QImage& image);
    // Draws on image.Picture() and, on a high-DPI screen, on its sharp copy too.
    explicit TCanvas(TImage& image);

    QColor PenColor = Qt::black;
    int PenWidth = 1;
    QColor BrushColor = Qt::white;
    // Text is written in the font colour, on the brush colour.
    QColor FontColor = Qt::black;
    QFont Font = FixedFont();

    QImage& Image() { return *image_; }
    // The drawing area: the whole image.
    QRect ClipRect() const { return image_->rect(); }

    // Fills the pixels of rect as Qt counts them, rect.left() <= x <= rect.right() and
    // rect.top() <= y <= rect.bottom(), with the brush colour. For the classic corner
    // pair (left, top, right, bottom) with right and bottom excluded, build the rect as
    // QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)), or use the overload below.
    void FillRect(const QRect& rect);
    // Fills left <= x < right, top <= y < bottom with the brush colour.
    void FillRect(int left, int top, int right, int bottom);
    void MoveTo(int x, int y);
    // Draws from the pen position to (x, y) with the pen and moves the pen there. Both end
    // points are drawn.
    void LineTo(int x, int y);
    QPoint PenPos() const { return pen_; }
    // Outside the image: no effect. Fast: no painter is involved.
    void SetPixel(int x, int y, QColor color);
    // The colour at (x, y); an invalid QColor outside the image.
    QColor Pixel(int x, int y) const;
    // Writes text in the font colour with its top-left corner at (x, y) on an opaque
    // brush-colour background.
    void TextOut(int x, int y, const QString& text);
    int TextWidth(const QString& text) const;
    int TextHeight(const QString& text) const;
    // Replaces the 4-connected area of pixels of colour `surface` that contains (x, y)
    // by the brush colour. Nothing happens when (x, y) is outside or of another colour,
    // or when the brush colour is `surface` itself.
    void FloodFill(int x, int y, QColor surface);

private:
    // After an operation: the sharp copy shows the picture as it now is.
    void SharpDrawn();

    QImage* image_;
    TImage* owner_ = nullptr;
    QImage* sharp_ = nullptr; // the owner's sharp copy, or none
    QPoint pen_;
};

} // namespace toolkit
