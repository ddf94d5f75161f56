#pragma once
// Small widgets the windows share: an image that shows its picture at the top-left
// corner without stretching, and a filled shape.

#include <QColor>
#include <QImage>
#include <QWidget>

namespace platform {

// Holds a picture (a QImage) and only copies it to the screen in paintEvent.
class TImage : public QWidget {
    Q_OBJECT
public:
    explicit TImage(QWidget* parent = nullptr);
    QImage& Picture() { return picture_; }
    const QImage& Picture() const { return picture_; }
    // Replaces the picture by a copy of image.
    void SetPicture(const QImage& image);
    // Draws image onto the picture at (x, y), creating the picture at the widget's size
    // first if it has none.
    void DrawOnPicture(int x, int y, const QImage& image);
    // Schedules a repaint after the picture was drawn on directly.
    void Changed() { update(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
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

} // namespace platform
