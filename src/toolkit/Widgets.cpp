#include "toolkit/Widgets.h"

#include <QAccessibleWidget>
#include <QPaintEvent>
#include <QPainter>
#include <QtMath>
#include <algorithm>

namespace toolkit {

namespace {

// Pictures and shapes are graphics to a screen reader (a plain widget would be a pane):
// their names and descriptions are the windows' to set.
QAccessibleInterface* GraphicInterface(const QString& className, QObject* object) {
    if (className != QLatin1String("toolkit::TImage") &&
        className != QLatin1String("toolkit::TShape"))
        return nullptr;
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Graphic);
}

void InstallGraphicInterface() {
    static const bool installed = [] {
        QAccessible::installFactory(GraphicInterface);
        return true;
    }();
    (void)installed;
}

} // namespace

TImage::TImage(QWidget* parent) : QWidget(parent) {
    InstallGraphicInterface();
    // No background of its own: where the picture does not reach, whatever lies beneath
    // (the parent or a sibling) shows through.
    setAutoFillBackground(false);
}

void TImage::SetPicture(const QImage& image) {
    const bool keepSharp = ShowsSharp() && image == picture_;
    picture_ = image.convertToFormat(QImage::Format_RGB32);
    if (keepSharp) SharpDrawn();
    update();
}

QImage* TImage::SharpPicture() {
    const qreal ratio = devicePixelRatioF();
    if (ratio <= 1 || picture_.isNull()) {
        sharp_ = QImage();
        return nullptr;
    }
    if (!ShowsSharp()) {
        const QSize size(qCeil(picture_.width() * ratio), qCeil(picture_.height() * ratio));
        sharp_ = picture_.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                     .convertToFormat(QImage::Format_RGB32);
        sharp_.setDevicePixelRatio(ratio);
        SharpDrawn();
    }
    return &sharp_;
}

bool TImage::ShowsSharp() const {
    return !sharp_.isNull() && sharpOf_ == picture_.cacheKey() &&
           sharp_.devicePixelRatio() == devicePixelRatioF();
}

void TImage::DrawOnPicture(int x, int y, const QImage& image) {
    if (picture_.isNull()) {
        if (width() <= 0 || height() <= 0) return;
        picture_ = QImage(size(), QImage::Format_RGB32);
        picture_.fill(Qt::white);
    }
    QPainter painter(&picture_);
    painter.drawImage(x, y, image);
    painter.end();
    update();
}

void TImage::paintEvent(QPaintEvent* event) {
    if (picture_.isNull()) return;
    QPainter painter(this);
    // Unscaled at the top-left corner, only the part that needs repainting.
    const QRect area = event->rect().intersected(picture_.rect());
    if (area.isEmpty()) return;
    if (ShowsSharp()) {
        const qreal r = sharp_.devicePixelRatio();
        painter.drawImage(QRectF(area), sharp_,
                          QRectF(area.x() * r, area.y() * r, area.width() * r, area.height() * r));
    } else {
        painter.drawImage(area.topLeft(), picture_, area);
    }
}

TShape::TShape(ShapeType type, QWidget* parent) : QWidget(parent), type_(type) {
    InstallGraphicInterface();
    setAutoFillBackground(false);
}

void TShape::SetBrushColor(QColor color) {
    brush_ = color;
    update();
}

void TShape::SetPenColor(QColor color) {
    pen_ = color;
    update();
}

void TShape::paintEvent(QPaintEvent* /*event*/) {
    // The shape keeps its colours when disabled: it is a picture, not a control.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QRect area = rect();
    if (area.isEmpty()) return;
    switch (type_) {
    case ShapeType::Rectangle:
        // A one-pixel pen frame inside the widget and the brush within it; a shape one or
        // two pixels wide is all frame.
        painter.fillRect(area, pen_);
        if (const QRect inner = area.adjusted(1, 1, -1, -1); !inner.isEmpty())
            painter.fillRect(inner, brush_);
        break;
    case ShapeType::RoundRect: {
        painter.setPen(pen_);
        painter.setBrush(brush_);
        // Corners are quarter ellipses a quarter of the shorter side across.
        const int radius = std::min(area.width(), area.height()) / 8;
        painter.drawRoundedRect(area.adjusted(0, 0, -1, -1), radius, radius);
        break;
    }
    case ShapeType::Circle: {
        // The largest circle that fits, centred in the widget.
        const int d = std::min(area.width(), area.height());
        const QRect box((area.width() - d) / 2, (area.height() - d) / 2, d, d);
        painter.setPen(pen_);
        painter.setBrush(brush_);
        painter.drawEllipse(box.adjusted(0, 0, -1, -1));
        break;
    }
    }
}

} // namespace toolkit
