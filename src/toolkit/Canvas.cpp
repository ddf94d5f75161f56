#include "toolkit/Canvas.h"

#include "toolkit/Widgets.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cmath>
#include <vector>

namespace toolkit {

namespace {

constexpr QRgb RgbMask = 0x00FFFFFF;

bool Is32Bit(const QImage& image) {
    const QImage::Format f = image.format();
    return f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 ||
           f == QImage::Format_ARGB32_Premultiplied;
}

// The canvas writes pixels directly; other formats are converted once, in place.
void Ensure32Bit(QImage& image) {
    if (!image.isNull() && !Is32Bit(image)) image = image.convertToFormat(QImage::Format_RGB32);
}

// A painter for one drawing operation: no antialiasing, so every pixel is either the
// colour asked for or untouched.
void PreparePainter(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing, false);
}

void FillArea(QImage& image, const QRect& area, QRgb value) {
    for (int y = area.top(); y <= area.bottom(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        std::fill(line + area.left(), line + area.right() + 1, value);
    }
}

// The pixels of a sharp copy (of device pixel ratio r) that cover the picture's pixels
// in area: each pixel of the copy belongs to the picture's pixel that holds its centre,
// as when lines and text are drawn on the copy. At a fractional ratio the copy is
// rounded up to whole pixels, so its last column and row reach past the picture's last
// pixel scaled by r: the picture's right and bottom edges map to the copy's, and no
// pixel at the edge stays undrawn.
QRect SharpArea(const QImage& sharp, const QSize& picture, const QRect& area) {
    const qreal r = sharp.devicePixelRatio();
    auto edge = [r](int x, int end, int sharpEnd) {
        return x >= end ? sharpEnd : static_cast<int>(std::ceil(x * r - 0.5));
    };
    const int w = picture.width(), h = picture.height();
    const int sw = sharp.width(), sh = sharp.height();
    return QRect(QPoint(edge(area.left(), w, sw), edge(area.top(), h, sh)),
                 QPoint(edge(area.right() + 1, w, sw) - 1, edge(area.bottom() + 1, h, sh) - 1))
        .intersected(sharp.rect());
}

// Writes text with its top-left corner at (x, y), in the font colour on the brush colour,
// without antialiasing: a painter on a sharp copy draws the glyphs at its resolution.
void DrawText(QImage& image, int x, int y, const QString& text, QFont font, QColor colour,
              QColor background) {
    QPainter painter(&image);
    PreparePainter(painter);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    font.setStyleStrategy(QFont::NoAntialias); // text pixels are font or brush colour only
    painter.setFont(font);
    painter.setPen(colour);
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(background);
    // (x, y) is the top-left corner of the text; Qt places text by its baseline.
    painter.drawText(x, y + QFontMetrics(font).ascent(), text);
}

// Replaces the 4-connected area of pixels of colour target (red, green and blue) that
// contains (x, y) by fill; (x, y) must be inside and of colour target.
void FillConnected(QImage& image, int x, int y, QRgb target, QRgb fill) {
    const int width = image.width();
    const int height = image.height();
    auto line = [&image](int row) { return reinterpret_cast<QRgb*>(image.scanLine(row)); };
    auto matches = [target](QRgb pixel) { return (pixel & RgbMask) == target; };

    // Scan-line fill with an explicit stack of seed points: each seed is widened to its
    // whole run of matching pixels on its row, the run is filled, and the rows above and
    // below get one seed per run of matching pixels touching it. Filled pixels no longer
    // match, so every pixel is filled once and the loop ends.
    std::vector<QPoint> seeds;
    seeds.push_back(QPoint(x, y));
    while (!seeds.empty()) {
        const QPoint seed = seeds.back();
        seeds.pop_back();
        QRgb* row = line(seed.y());
        if (!matches(row[seed.x()])) continue; // filled since it was pushed
        int left = seed.x();
        while (left > 0 && matches(row[left - 1]))
            --left;
        int right = seed.x();
        while (right + 1 < width && matches(row[right + 1]))
            ++right;
        std::fill(row + left, row + right + 1, fill);

        for (int ny : {seed.y() - 1, seed.y() + 1}) {
            if (ny < 0 || ny >= height) continue;
            const QRgb* next = line(ny);
            bool inRun = false;
            for (int nx = left; nx <= right; ++nx) {
                const bool m = matches(next[nx]);
                if (m && !inRun) seeds.push_back(QPoint(nx, ny));
                inRun = m;
            }
        }
    }
}

} // namespace

QFont FixedFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

TCanvas::TCanvas(QImage& image) : image_(&image) {
    Ensure32Bit(*image_);
}

TCanvas::TCanvas(TImage& image) : TCanvas(image.Picture()) {
    owner_ = &image;
    sharp_ = image.SharpPicture();
}

void TCanvas::SharpDrawn() {
    if (sharp_ != nullptr) owner_->SharpDrawn();
}

void TCanvas::FillRect(const QRect& rect) {
    const QRect area = rect.normalized().intersected(image_->rect());
    if (area.isEmpty()) return;
    Ensure32Bit(*image_);
    FillArea(*image_, area, BrushColor.rgb());
    if (sharp_ != nullptr)
        FillArea(*sharp_, SharpArea(*sharp_, image_->size(), area), BrushColor.rgb());
    SharpDrawn();
}

void TCanvas::FillRect(int left, int top, int right, int bottom) {
    if (right <= left || bottom <= top) return; // empty in the classic sense
    FillRect(QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)));
}

void TCanvas::MoveTo(int x, int y) {
    pen_ = QPoint(x, y);
}

void TCanvas::LineTo(int x, int y) {
    const QPoint to(x, y);
    if (!image_->isNull()) {
        QPainter painter(image_);
        PreparePainter(painter);
        QPen pen(PenColor);
        // Width 0 is Qt's cosmetic one-pixel pen, which sets both end points. Wider pens
        // get round ends, so that the segments of a polygon join without gaps.
        if (PenWidth <= 1) {
            pen.setWidth(0);
            pen.setCapStyle(Qt::SquareCap);
        } else {
            pen.setWidth(PenWidth);
            pen.setCapStyle(Qt::RoundCap);
            pen.setJoinStyle(Qt::RoundJoin);
        }
        painter.setPen(pen);
        painter.drawLine(pen_, to);
    }
    if (sharp_ != nullptr) {
        // As wide as on the picture, in its pixels. A one-pixel line covers the pixels the
        // picture's line sets: through their centres, with square ends half a pixel out.
        QPainter painter(sharp_);
        PreparePainter(painter);
        QPen pen(PenColor, std::max(PenWidth, 1));
        if (PenWidth <= 1) {
            pen.setCapStyle(Qt::SquareCap);
            painter.setPen(pen);
            painter.drawLine(QPointF(pen_) + QPointF(0.5, 0.5), QPointF(to) + QPointF(0.5, 0.5));
        } else {
            pen.setCapStyle(Qt::RoundCap);
            pen.setJoinStyle(Qt::RoundJoin);
            painter.setPen(pen);
            painter.drawLine(pen_, to);
        }
    }
    pen_ = to;
    SharpDrawn();
}

void TCanvas::SetPixel(int x, int y, QColor color) {
    if (x < 0 || y < 0 || x >= image_->width() || y >= image_->height()) return;
    reinterpret_cast<QRgb*>(image_->scanLine(y))[x] = color.rgb();
    if (sharp_ != nullptr)
        FillArea(*sharp_, SharpArea(*sharp_, image_->size(), QRect(x, y, 1, 1)), color.rgb());
    SharpDrawn();
}

QColor TCanvas::Pixel(int x, int y) const {
    if (!image_->valid(x, y)) return {};
    return QColor(image_->pixel(x, y));
}

void TCanvas::TextOut(int x, int y, const QString& text) {
    if (image_->isNull() || text.isEmpty()) return;
    DrawText(*image_, x, y, text, Font, FontColor, BrushColor);
    if (sharp_ != nullptr) DrawText(*sharp_, x, y, text, Font, FontColor, BrushColor);
    SharpDrawn();
}

int TCanvas::TextWidth(const QString& text) const {
    return QFontMetrics(Font).horizontalAdvance(text);
}

int TCanvas::TextHeight(const QString& /*text*/) const {
    return QFontMetrics(Font).height();
}

void TCanvas::FloodFill(int x, int y, QColor surface) {
    if (!image_->valid(x, y)) return;
    Ensure32Bit(*image_);
    const QRgb target = surface.rgb() & RgbMask;
    const QRgb fill = BrushColor.rgb();
    // Filling with the colour being replaced would find the same pixels again forever.
    if ((fill & RgbMask) == target) return;

    if ((image_->pixel(x, y) & RgbMask) != target) return;
    FillConnected(*image_, x, y, target, fill);
    if (sharp_ != nullptr) {
        // From the middle of the same pixel, in the sharp copy's pixels.
        const qreal r = sharp_->devicePixelRatio();
        const int sx = static_cast<int>(std::floor((x + 0.5) * r));
        const int sy = static_cast<int>(std::floor((y + 0.5) * r));
        if (sharp_->valid(sx, sy) && (sharp_->pixel(sx, sy) & RgbMask) == target)
            FillConnected(*sharp_, sx, sy, target, fill);
    }
    SharpDrawn();
}

} // namespace toolkit
