// Pictures on screens of more than one device pixel per pixel: the picture keeps the
// pixels it has at one, and the screen shows the same drawing at its own resolution. The
// offscreen platform gets one screen per ratio (2, 1.25 and 1.5), each a row of the
// table tests.

#include "toolkit/Canvas.h"
#include "toolkit/Widgets.h"

#include <QScreen>
#include <QTemporaryDir>
#include <QWindow>
#include <QtTest>

namespace {

// The device pixel ratios of the screens, in the order of the platform's screen list.
const double Ratios[] = {2, 1.25, 1.5};

// One offscreen screen per ratio, side by side: a ratio is the screen's logical dots per
// inch over the base of 96.
QByteArray ScreenConfiguration() {
    QByteArray screens;
    int x = 0;
    for (double ratio : Ratios) {
        if (!screens.isEmpty()) screens += ',';
        screens += QStringLiteral(R"({"name": "r%1", "x": %2, "y": 0, "width": 1000,
            "height": 800, "logicalDpi": %3, "logicalBaseDpi": 96})")
                       .arg(ratio)
                       .arg(x)
                       .arg(96 * ratio)
                       .toUtf8();
        x += 1000;
    }
    return R"({"synchronousWindowSystemEvents": true, "screens": [)" + screens + "]}";
}

// A ratio row for each screen.
void RatioRows() {
    QTest::addColumn<int>("screen");
    for (int i = 0; i < int(std::size(Ratios)); ++i)
        QTest::newRow(qPrintable(QString::number(Ratios[i]))) << i;
}

// An image on the screen of the row, at the screen's ratio.
void PutOnScreen(toolkit::TImage& image, int screen) {
    const auto screens = QGuiApplication::screens();
    const auto target = std::find_if(screens.begin(), screens.end(), [screen](QScreen* s) {
        return s->devicePixelRatio() == Ratios[screen];
    });
    QVERIFY(target != screens.end());
    image.winId(); // the native window, which gives the widget its screen's ratio
    image.windowHandle()->setScreen(*target);
}

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
    void drawnAtTheScreensResolution_data() { RatioRows(); }
    void drawnAtTheScreensResolution() {
        QFETCH(int, screen);
        const double r = Ratios[screen];
        toolkit::TImage image;
        image.resize(60, 40);
        PutOnScreen(image, screen);
        QCOMPARE(image.devicePixelRatioF(), r);
        image.SetPicture(Blank());
        toolkit::TCanvas canvas(image);
        Draw(canvas);

        // The picture has exactly the pixels of the same drawing at one pixel per pixel.
        QImage plain = Blank();
        toolkit::TCanvas plainCanvas(plain);
        Draw(plainCanvas);
        QCOMPARE(image.Picture(), plain);

        // The screen shows each pixel's colour on every device pixel whose centre lies
        // inside it (at ratio 2 its 2 x 2 device pixels)...
        const QImage shown = Shown(image);
        QCOMPARE(shown.size(), QSize(qRound(60 * r), qRound(40 * r)));
        const struct {
            QPoint at;
            QColor colour;
        } pixels[] = {{{0, 0}, Qt::white},   {{5, 5}, Qt::black}, {{17, 5}, Qt::black},
                      {{30, 30}, Qt::black}, {{6, 6}, Qt::gray},  {{29, 29}, Qt::gray},
                      {{31, 10}, Qt::white}, {{50, 30}, Qt::red}, {{40, 5}, Qt::black}};
        const auto inPixel = [r](int device, int pixel) {
            const double centre = (device + 0.5) / r; // on an edge it may show either side
            return pixel < centre && centre < pixel + 1;
        };
        for (const auto& p : pixels)
            for (int y = int(p.at.y() * r) - 1; y <= int((p.at.y() + 1) * r); ++y)
                for (int x = int(p.at.x() * r) - 1; x <= int((p.at.x() + 1) * r); ++x)
                    if (inPixel(x, p.at.x()) && inPixel(y, p.at.y()))
                        QCOMPARE(QColor(shown.pixel(x, y)), p.colour);
        // ...but the text in finer detail than the picture scaled up.
        const QRect text(int(r * 34), int(r * 20), int(r * canvas.TextWidth("40")),
                         int(r * canvas.TextHeight("40")));
        QVERIFY(shown.copy(text) != plain.scaled(shown.size()).copy(text));
    }

    // A picture of the bench's size (449 x 124): at 1.25 and 1.5 its width is no whole
    // number of device pixels, and the sharp copy's last column is only partly under the
    // picture's last pixel. Filled, outlined and flooded as the bench is, no pixel of the
    // copy keeps what it held before: the right edge and the bottom row are white.
    void everyEdgePixelIsDrawn_data() { RatioRows(); }
    void everyEdgePixelIsDrawn() {
        QFETCH(int, screen);
        toolkit::TImage image;
        image.resize(449, 124);
        PutOnScreen(image, screen);
        QImage blank(449, 124, QImage::Format_RGB32);
        blank.fill(Qt::black); // what the copy would show where it is not drawn
        image.SetPicture(blank);
        toolkit::TCanvas canvas(image);
        const QColor lightYellow(255, 255, 192);
        canvas.BrushColor = lightYellow;
        canvas.FillRect(0, 0, 449, 124);
        canvas.MoveTo(16, 109);
        canvas.LineTo(435, 109);
        canvas.BrushColor = Qt::white;
        canvas.FloodFill(0, 0, lightYellow);

        const QImage* sharp = image.SharpPicture();
        QVERIFY(sharp != nullptr);
        QCOMPARE(sharp->size(), QSize(qCeil(449 * Ratios[screen]), qCeil(124 * Ratios[screen])));
        for (int y = 0; y < sharp->height(); ++y)
            QVERIFY2(IsWhite(*sharp, sharp->width() - 1, y), qPrintable(QString::number(y)));
        for (int x = 0; x < sharp->width(); ++x)
            QVERIFY2(IsWhite(*sharp, x, sharp->height() - 1), qPrintable(QString::number(x)));
        const QImage shown = Shown(image);
        for (int y = 0; y < shown.height(); ++y)
            QVERIFY2(IsWhite(shown, shown.width() - 1, y), qPrintable(QString::number(y)));
    }

    void otherChangesShowThePictureItself() {
        toolkit::TImage image;
        image.resize(60, 40);
        PutOnScreen(image, 0); // ratio 2
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

private:
    static bool IsWhite(const QImage& image, int x, int y) {
        return (image.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF;
    }
};

int main(int argc, char* argv[]) {
    // The screens must be known before the application starts.
#ifdef _WIN32
    // The platform's arguments are separated by ':', so the file is named without its
    // drive: in the working folder, by a relative name.
    QTemporaryDir dir(QStringLiteral("screens-XXXXXX"));
#else
    QTemporaryDir dir;
#endif
    QFile config(dir.filePath(QStringLiteral("screens.json")));
    if (!config.open(QIODevice::WriteOnly) || config.write(ScreenConfiguration()) < 0) return 1;
    config.close();
#ifdef _WIN32
    const QString name = QDir::current().relativeFilePath(config.fileName());
#else
    const QString name = config.fileName();
#endif
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(name));
    qunsetenv("QT_SCALE_FACTOR");
    QApplication app(argc, argv);
    TestSharpPictures test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_sharp.moc"
