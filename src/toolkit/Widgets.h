#pragma once
// Small widgets the windows share: an image that shows its picture at the top-left
// corner without stretching, and a filled shape.

#include <QColor>
#include <QImage>
#include <QWidget>

namespace toolkit {

// Holds a picture (a QImage) and only copies it to the screen in paintEvent.
//
// On a screen with more than one device pixel per pixel, a TCanvas of the TImage draws on
// a sharp copy of the picture at the screen's resolution as well, and paintEvent shows
// that copy for as long as it shows the picture as it is: a change made to Picture() in
// another way shows the picture itself, scaled up.
class TImage : public QWidget {
    Q_OBJECT
public:
    explicit TImage(QWidget* parent = nullptr);
    QImage& Picture() { return picture_; }
    const QImage& Picture() const { return picture_; }
    // Replaces the picture by a copy of image. The same picture again keeps the sharp copy.
    void SetPicture(const QImage& image);
    // Draws image onto the picture at (x, y), creating the picture at the widget's size
    // first if it has none.
    void DrawOnPicture(int x, int y, const QImage& image);
    // Schedules a repaint after the picture was drawn on directly.
    void Changed() { update(); }

    // The sharp copy for a canvas to draw on, made from the picture when it is missing or
    // no longer shows the picture; none at one device pixel per pixel.
    QImage* SharpPicture();
    // The canvas has drawn the same on both: the sharp copy shows the picture.
    void SharpDrawn() { sharpOf_ = picture_.cacheKey(); }
    // Whether paintEvent shows the sharp copy.
    bool ShowsSharp() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
    QImage sharp_;
    qint64 sharpOf_ = 0; // the cache key of the picture the sharp copy shows
};

enum class ShapeType { Rectangle, RoundRect, Circle };

class TShape : public QWidget {
    Q_OBJECT
public:
    explicit TShape(ShapeType type, QWidget* parent = nullptr);
    void SetBrushColor(QColor color);
    void SetPenColor(QColor color);
    QColor BrushColor() const { return brush_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ShapeType type_;
    QColor brush_ = Qt::white;
    QColor pen_ = Qt::black;
};

} // namespace toolkit
