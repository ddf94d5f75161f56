// Pictures on a screen of two device pixels per pixel: the picture keeps the pixels it has
// at one, and the screen shows the same drawing at its own resolution.

#include "toolkit/Canvas.h"
#include "toolkit/Widgets.h"

#include <QtTest>

namespace {

// What the windows draw: a fill, a closed one-pixel outline flooded inside, a two-pixel
// line, a single pixel and text on the brush colour.
void Draw(toolkit::TCanvas& canvas) {
    canvas.BrushColor = Qt::white;
    canvas.FillRect(0, 0, 60, 40);
    canvas.MoveTo(5, 5);
    for (QPoint p : {QPoint(30, 5), QPoint(30, 30), QPoint(5, 30), QPoint(5, 5)})
        canvas.LineTo(p.x(), p.y());
    canvas.BrushColor = Qt::gray;
    canvas.FloodFill(10, 10, Qt::white);
    canvas.PenWidth = 2;
    canvas.MoveTo(40, 5);
    canvas.LineTo(55, 15);
    canvas.SetPixel(50, 30, Qt::red);
    canvas.BrushColor = Qt::yellow;
    canvas.TextOut(34, 20, QStringLiteral("40"));
}

QImage Blank() {
    QImage image(60, 40, QImage::Format_RGB32);
    image.fill(Qt::black);
    return image;
}

// What the screen shows, in its own pixels.
QImage Shown(toolkit::TImage& image) {
    QImage shown = image.grab().toImage().convertToFormat(QImage::Format_RGB32);
    shown.setDevicePixelRatio(1);
    return shown;
}

} // namespace

class TestSharpPictures : public QObject {
    Q_OBJECT

private slots:
    void drawnAtTheScreensResolution() {
        toolkit::TImage image;
        image.resize(60, 40);
        QCOMPARE(image.devicePixelRatioF(), 2.0);
        image.SetPicture(Blank());
        toolkit::TCanvas canvas(image);
        Draw(canvas);

        // The picture has exactly the pixels of the same drawing at one pixel per pixel.
        QImage plain = Blank();
        toolkit::TCanvas plainCanvas(plain);
        Draw(plainCanvas);
        QCOMPARE(image.Picture(), plain);

        // The screen shows each pixel's colour over its 2 x 2 device pixels...
        const QImage shown = Shown(image);
        QCOMPARE(shown.size(), QSize(120, 80));
        const struct {
            QPoint at;
            QColor colour;
        } pixels[] = {{{0, 0}, Qt::white},   {{5, 5}, Qt::black}, {{17, 5}, Qt::black},
                      {{30, 30}, Qt::black}, {{6, 6}, Qt::gray},  {{29, 29}, Qt::gray},
                      {{31, 10}, Qt::white}, {{50, 30}, Qt::red}, {{40, 5}, Qt::black}};
        for (const auto& p : pixels)
            for (QPoint d : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(1, 1)})
                QCOMPARE(QColor(shown.pixel(p.at * 2 + d)), p.colour);
        // ...but the text in finer detail than the picture scaled up.
        const QRect text(2 * 34, 2 * 20, 2 * canvas.TextWidth("40"), 2 * canvas.TextHeight("40"));
        QVERIFY(shown.copy(text) != plain.scaled(120, 80).copy(text));
    }

    void otherChangesShowThePictureItself() {
        toolkit::TImage image;
        image.resize(60, 40);
        image.SetPicture(Blank());
        toolkit::TCanvas canvas(image);
        Draw(canvas);
        // The same picture again (a window's activation) keeps the sharp copy.
        image.SetPicture(image.Picture().copy());
        QVERIFY(image.ShowsSharp());
        // A change past the canvas: the screen shows the picture, scaled up.
        image.Picture().setPixel(0, 0, qRgb(0, 0, 255));
        QVERIFY(!image.ShowsSharp());
        QCOMPARE(Shown(image), image.Picture().scaled(120, 80));
        // The next canvas starts its sharp copy from the picture as it is.
        toolkit::TCanvas next(image);
        next.SetPixel(1, 0, Qt::red);
        QVERIFY(image.ShowsSharp());
        QCOMPARE(QColor(Shown(image).pixel(1, 1)), QColor(Qt::blue));
    }
};

int main(int argc, char* argv[]) {
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    TestSharpPictures test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_sharp.moc"
