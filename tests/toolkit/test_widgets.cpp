#include "toolkit/Canvas.h"
#include "toolkit/EditHooks.h"
#include "toolkit/UpDown.h"
#include "toolkit/Widgets.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

using toolkit::TCanvas;
using toolkit::TUpDown;
using toolkit::UpDownButton;

namespace {

QImage WhiteImage(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

int CountPixels(const QImage& image, QColor color) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == (color.rgb() & 0xFFFFFF)) ++n;
    return n;
}

// A shown and active window with two edits and a button, for focus tests.
struct FocusWindow {
    QWidget window;
    QLineEdit* first = new QLineEdit(&window);
    QLineEdit* second = new QLineEdit(&window);
    QPushButton* button = new QPushButton("OK", &window);

    FocusWindow() {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(first);
        layout->addWidget(second);
        layout->addWidget(button);
        window.show();
        window.activateWindow();
    }
    bool Ready() {
        if (!QTest::qWaitForWindowActive(&window)) return false;
        first->setFocus(Qt::OtherFocusReason);
        return QTest::qWaitFor([this] { return first->hasFocus(); });
    }
};

} // namespace

class TestWidgets : public QObject {
    Q_OBJECT

private slots:
    // ---- spinner ----
    void spinnerClampsAndWritesBeforeClicked() {
        TUpDown spin(Qt::Vertical);
        QLineEdit edit;
        spin.SetRange(3, 40);
        spin.SetPosition(39);
        spin.SetAssociate(&edit);
        QStringList seen; // the edit's text at the time of each clicked()
        connect(&spin, &TUpDown::clicked, this, [&](UpDownButton b) {
            seen << QString("%1:%2").arg(b == UpDownButton::Up ? "up" : "down", edit.text());
        });
        spin.Click(UpDownButton::Up);
        spin.Click(UpDownButton::Up); // at the limit: stays, still writes and emits
        QCOMPARE(spin.Position(), 40);
        spin.SetPosition(3);
        spin.Click(UpDownButton::Down);
        QCOMPARE(spin.Position(), 3);
        QCOMPARE(seen, (QStringList{"up:40", "up:40", "down:3"}));
    }

    void spinnerSetPositionIsSilentAndClamped() {
        TUpDown spin(Qt::Horizontal);
        QLineEdit edit("unchanged");
        spin.SetAssociate(&edit);
        spin.SetRange(0, 1000);
        QSignalSpy spy(&spin, &TUpDown::clicked);
        spin.SetPosition(5000);
        QCOMPARE(spin.Position(), 1000);
        spin.SetPosition(-7);
        QCOMPARE(spin.Position(), 0);
        spin.SetRange(10, 20); // the position follows a narrowed range
        QCOMPARE(spin.Position(), 10);
        QCOMPARE(spy.count(), 0);
        QCOMPARE(edit.text(), QString("unchanged"));
    }

    void disabledSpinnerDoesNothing() {
        TUpDown spin(Qt::Vertical);
        QLineEdit edit("0");
        spin.SetRange(0, 100);
        spin.SetAssociate(&edit);
        spin.setEnabled(false);
        QSignalSpy spy(&spin, &TUpDown::clicked);
        spin.Click(UpDownButton::Up);
        QCOMPARE(spin.Position(), 0);
        QCOMPARE(edit.text(), QString("0"));
        QCOMPARE(spy.count(), 0);
        // The arrows follow the spinner's enabled state both ways.
        const auto arrows = spin.findChildren<QToolButton*>();
        QCOMPARE(arrows.size(), 2);
        for (const QToolButton* arrow : arrows)
            QVERIFY(!arrow->isEnabled());
        spin.setEnabled(true);
        for (const QToolButton* arrow : arrows)
            QVERIFY(arrow->isEnabled());
    }

    void horizontalArrowsMapRightToUp() {
        TUpDown spin(Qt::Horizontal);
        spin.resize(30, 16);
        spin.SetRange(0, 1000);
        spin.SetPosition(500);
        QSignalSpy spy(&spin, &TUpDown::clicked);
        const auto arrows = spin.findChildren<QToolButton*>();
        QCOMPARE(arrows.size(), 2);
        for (QToolButton* arrow : arrows) {
            QVERIFY(arrow->autoRepeat());
            arrow->click();
        }
        QCOMPARE(spy.count(), 2);
        for (int i = 0; i < 2; ++i) {
            const QToolButton* arrow = arrows[i];
            const auto button = spy[i][0].value<UpDownButton>();
            QCOMPARE(button == UpDownButton::Up, arrow->arrowType() == Qt::RightArrow);
        }
        QCOMPARE(spin.Position(), 500);
    }

    void arrowsStayDarkOnAPanelWithWhiteText() {
        // Spinners sit on teal panels whose text colour is white; the arrows must not
        // take that colour, or they vanish on the light button face.
        QWidget panel;
        QPalette palette = panel.palette();
        palette.setColor(QPalette::Window, QColor(0, 128, 128));
        palette.setColor(QPalette::WindowText, Qt::white);
        panel.setPalette(palette);
        TUpDown spin(Qt::Vertical, &panel);
        spin.setGeometry(0, 0, 20, 33);
        const QImage shot = spin.grab().toImage();
        // Dark grey arrow pixels; the buttons' frames are shades of the teal.
        int dark = 0;
        for (int y = 0; y < shot.height(); ++y) {
            for (int x = 0; x < shot.width(); ++x) {
                const QColor c(shot.pixel(x, y));
                const int spread = std::max({c.red(), c.green(), c.blue()}) -
                                   std::min({c.red(), c.green(), c.blue()});
                if (spread < 24 && qGray(c.rgb()) < 170) ++dark;
            }
        }
        QVERIFY2(dark >= 4, qPrintable(QString("%1 dark arrow pixels").arg(dark)));
    }

    // ---- canvas ----
    void fillRectExcludesRightAndBottom() {
        QImage image = WhiteImage(20, 20);
        TCanvas canvas(image);
        canvas.BrushColor = Qt::blue;
        canvas.FillRect(2, 3, 5, 7); // 3 x 4 pixels
        QCOMPARE(CountPixels(image, Qt::blue), 12);
        QCOMPARE(canvas.Pixel(2, 3), QColor(Qt::blue));
        QCOMPARE(canvas.Pixel(4, 6), QColor(Qt::blue));
        QCOMPARE(canvas.Pixel(5, 6), QColor(Qt::white));
        QCOMPARE(canvas.Pixel(4, 7), QColor(Qt::white));
        // The QRect form fills the rect's own pixels; beyond the image is cut off.
        canvas.BrushColor = Qt::red;
        canvas.FillRect(QRect(QPoint(15, 15), QPoint(30, 30)));
        QCOMPARE(CountPixels(image, Qt::red), 25);
        canvas.FillRect(8, 8, 8, 12); // empty
        QCOMPARE(CountPixels(image, Qt::red), 25);
    }

    void setPixelOutsideHasNoEffect() {
        QImage image = WhiteImage(4, 4);
        TCanvas canvas(image);
        for (QPoint p : {QPoint(-1, 0), QPoint(4, 0), QPoint(0, -1), QPoint(0, 4)})
            canvas.SetPixel(p.x(), p.y(), Qt::black);
        QCOMPARE(CountPixels(image, Qt::white), 16);
        QVERIFY(!canvas.Pixel(4, 4).isValid());
        canvas.SetPixel(3, 3, Qt::black);
        QCOMPARE(canvas.Pixel(3, 3), QColor(Qt::black));
    }

    void linesUseThePen() {
        QImage image = WhiteImage(20, 20);
        TCanvas canvas(image);
        canvas.MoveTo(2, 5);
        canvas.LineTo(8, 5);
        QCOMPARE(CountPixels(image, Qt::black), 7); // both end points
        QCOMPARE(canvas.PenPos(), QPoint(8, 5));
        canvas.PenColor = Qt::red;
        canvas.PenWidth = 2;
        canvas.MoveTo(2, 12);
        canvas.LineTo(12, 12);
        QCOMPARE(canvas.Pixel(7, 12), QColor(Qt::red));
        QVERIFY(CountPixels(image, Qt::red) >= 20); // two pixels thick
        // No antialiasing: only the two pen colours and the background occur.
        QCOMPARE(CountPixels(image, Qt::white) + CountPixels(image, Qt::black) +
                     CountPixels(image, Qt::red),
                 400);
    }

    void floodFillKeepsTheInsideOfARing() {
        QImage image = WhiteImage(60, 60);
        TCanvas canvas(image);
        canvas.PenColor = Qt::black;
        // A closed square ring from 10 to 50.
        canvas.MoveTo(10, 10);
        canvas.LineTo(50, 10);
        canvas.LineTo(50, 50);
        canvas.LineTo(10, 50);
        canvas.LineTo(10, 10);
        const int ring = CountPixels(image, Qt::black);
        canvas.BrushColor = Qt::gray;
        canvas.FloodFill(0, 0, Qt::white);
        QCOMPARE(canvas.Pixel(30, 30), QColor(Qt::white)); // inside untouched
        QCOMPARE(canvas.Pixel(59, 59), QColor(Qt::gray));
        QCOMPARE(CountPixels(image, Qt::white), 39 * 39);
        QCOMPARE(CountPixels(image, Qt::black), ring);
        // Start on another colour, outside, or brush == surface: nothing happens.
        const QImage before = image.copy();
        canvas.BrushColor = Qt::red;
        canvas.FloodFill(10, 10, Qt::white);
        canvas.FloodFill(-1, 5, Qt::gray);
        canvas.FloodFill(60, 5, Qt::gray);
        canvas.BrushColor = Qt::gray;
        canvas.FloodFill(0, 0, Qt::gray);
        QCOMPARE(image, before);
    }

    void floodFillIsFourConnected() {
        QImage image = WhiteImage(10, 10);
        TCanvas canvas(image);
        canvas.PenColor = Qt::black;
        canvas.MoveTo(0, 9); // a diagonal wall from bottom-left to top-right
        canvas.LineTo(9, 0);
        canvas.BrushColor = Qt::green;
        canvas.FloodFill(0, 0, Qt::white);
        QCOMPARE(CountPixels(image, Qt::green), 45); // the upper-left triangle only
        QCOMPARE(canvas.Pixel(9, 9), QColor(Qt::white));
    }

    void floodFillOfALargeSerpentineNeedsNoRecursion() {
        // 2000 x 2000 with walls that make one long winding path: a recursive fill would
        // run out of stack; the iterative one fills every white pixel.
        QImage image = WhiteImage(2000, 2000);
        TCanvas canvas(image);
        canvas.BrushColor = Qt::black;
        for (int y = 1; y < 2000; y += 2) {
            const bool gapRight = (y / 2) % 2 == 0;
            canvas.FillRect(gapRight ? 0 : 1, y, gapRight ? 1999 : 2000, y + 1);
        }
        const int white = CountPixels(image, Qt::white);
        canvas.BrushColor = Qt::blue;
        canvas.FloodFill(0, 0, Qt::white);
        QCOMPARE(CountPixels(image, Qt::blue), white);
        QCOMPARE(CountPixels(image, Qt::white), 0);
    }

    void textOutIsOnTheBrushColour() {
        QImage image = WhiteImage(100, 40);
        TCanvas canvas(image);
        canvas.BrushColor = QColor(0, 128, 128);
        canvas.FontColor = Qt::yellow;
        const QString text = "1000";
        canvas.TextOut(10, 5, text);
        const int w = canvas.TextWidth(text);
        const int h = canvas.TextHeight(text);
        QVERIFY(w > 10 && h > 5);
        QCOMPARE(canvas.Pixel(10, 5), QColor(0, 128, 128)); // top-left is background
        QVERIFY(CountPixels(image, Qt::yellow) > 10);
        // Only font and brush colours in the text box, nothing outside it is touched.
        int other = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 100; ++x) {
                const QColor c = canvas.Pixel(x, y);
                const bool inside = x >= 10 && x < 10 + w && y >= 5 && y < 5 + h;
                if (inside && c != QColor(Qt::yellow) && c != QColor(0, 128, 128)) ++other;
                if (!inside && c != QColor(Qt::white)) ++other;
            }
        QCOMPARE(other, 0);
    }

    // ---- image and shape ----
    void imageShowsItsPictureUnscaledAndLetsTheRestShowThrough() {
        QWidget parent;
        parent.resize(40, 40);
        parent.setAutoFillBackground(true);
        QPalette palette;
        palette.setColor(QPalette::Window, Qt::red);
        parent.setPalette(palette);
        auto* image = new toolkit::TImage(&parent);
        image->setGeometry(0, 0, 40, 40);
        QImage picture(10, 10, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        image->SetPicture(picture);
        const QImage shot = parent.grab().toImage();
        QCOMPARE(QColor(shot.pixel(5, 5)), QColor(Qt::blue));
        QCOMPARE(QColor(shot.pixel(20, 20)), QColor(Qt::red));
    }

    void disabledShapeKeepsItsColours() {
        toolkit::TShape shape(toolkit::ShapeType::Rectangle);
        shape.resize(1, 30);
        shape.SetBrushColor(Qt::yellow);
        shape.SetPenColor(Qt::yellow);
        shape.setEnabled(false);
        const QImage shot = shape.grab().toImage();
        QCOMPARE(QColor(shot.pixel(0, 0)), QColor(Qt::yellow));
        QCOMPARE(QColor(shot.pixel(0, 29)), QColor(Qt::yellow));
    }

    // ---- entry hooks ----
    void exitRunsOnTabButNotOnDeactivation() {
        FocusWindow w;
        QVERIFY(w.Ready());
        int exits = 0;
        toolkit::OnExit(w.first, [&] { ++exits; });
        QTest::keyClick(w.first, Qt::Key_Tab);
        QVERIFY(w.second->hasFocus());
        QCOMPARE(exits, 1);

        w.first->setFocus(Qt::OtherFocusReason);
        QTest::mouseClick(w.button, Qt::LeftButton); // a click elsewhere leaves the field
        QCOMPARE(exits, 2);
        w.first->setFocus(Qt::OtherFocusReason);
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QCOMPARE(exits, 2); // the window lost the focus, the field was not left
    }

    void refusedEntryKeepsFocusAndSelectionWithoutLooping() {
        FocusWindow w;
        QVERIFY(w.Ready());
        int firstExits = 0;
        int secondExits = 0;
        w.first->setText("abc");
        w.second->setText("also bad");
        toolkit::OnExit(w.first, [&] {
            ++firstExits;
            toolkit::RefuseEntry(w.first);
        });
        toolkit::OnExit(w.second, [&] {
            ++secondExits;
            toolkit::RefuseEntry(w.second);
        });
        QTest::keyClick(w.first, Qt::Key_Tab);
        QVERIFY(QTest::qWaitFor([&] { return w.first->hasFocus(); }));
        QTest::qWait(50);
        QVERIFY(w.first->hasFocus());
        QCOMPARE(w.first->selectedText(), QString("abc"));
        QCOMPARE(firstExits, 1);
        QCOMPARE(secondExits, 0); // the field that had the focus for a moment was not left
    }

    void refusedEnterSelectsInPlace() {
        FocusWindow w;
        QVERIFY(w.Ready());
        w.first->setText("1 2");
        toolkit::OnEnterKey(w.first, [&] { toolkit::RefuseEntry(w.first); });
        QTest::keyClick(w.first, Qt::Key_Return);
        QVERIFY(w.first->hasFocus());
        QCOMPARE(w.first->selectedText(), QString("1 2"));
    }

    void enterKeyRunsHandlerAndPassesTheKeyOn() {
        QLineEdit edit;
        int enters = 0;
        int returnPressed = 0;
        toolkit::OnEnterKey(&edit, [&] { ++enters; });
        connect(&edit, &QLineEdit::returnPressed, this, [&] { ++returnPressed; });
        QTest::keyClick(&edit, Qt::Key_Return);
        QTest::keyClick(&edit, Qt::Key_Enter);
        QTest::keyClick(&edit, Qt::Key_A);
        QCOMPARE(enters, 2);
        QCOMPARE(returnPressed, 2);
        QCOMPARE(edit.text(), QString("a"));
    }

    void keyPreviewSeesKeysBeforeTheFocusedEdit() {
        FocusWindow w;
        QVERIFY(w.Ready());
        QStringList log;
        auto* preview = new toolkit::KeyPreview(
            &w.window,
            [&](QKeyEvent* e) {
                log << QString("down %1%2").arg(e->key()).arg(e->isAutoRepeat() ? " r" : "");
                return e->key() == Qt::Key_X; // X is used by the window
            },
            [&](QKeyEvent* e) {
                log << QString("up %1").arg(e->key());
                return false;
            });
        Q_UNUSED(preview);
        connect(w.first, &QLineEdit::textEdited, this,
                [&](const QString& t) { log << "edit " + t; });
        QTest::keyClick(w.first, Qt::Key_A);
        QTest::keyClick(w.first, Qt::Key_X);
        // Alt+Right is ignored by the edit and travels to its parents: seen once only
        // (QTest presses Alt itself first).
        QTest::keyPress(w.first, Qt::Key_Right, Qt::AltModifier);
        // A held key: repeated presses, the releases between them are not reported.
        QKeyEvent repeatPress(QEvent::KeyPress, Qt::Key_Left, Qt::AltModifier, QString(), true);
        QKeyEvent repeatRelease(QEvent::KeyRelease, Qt::Key_Left, Qt::AltModifier, QString(), true);
        QApplication::sendEvent(w.first, &repeatPress);
        QApplication::sendEvent(w.first, &repeatRelease);
        QApplication::sendEvent(w.first, &repeatPress);
        const QStringList expected{
            QString("down %1").arg(Qt::Key_A),     "edit a",
            QString("up %1").arg(Qt::Key_A),       QString("down %1").arg(Qt::Key_X),
            QString("up %1").arg(Qt::Key_X),       QString("down %1").arg(Qt::Key_Alt),
            QString("down %1").arg(Qt::Key_Right), QString("down %1 r").arg(Qt::Key_Left),
            QString("down %1 r").arg(Qt::Key_Left)};
        QCOMPARE(log, expected);
        QCOMPARE(w.first->text(), QString("a")); // X never reached the edit

        // Keys of another window are not previewed.
        QLineEdit elsewhere;
        QTest::keyClick(&elsewhere, Qt::Key_B);
        QCOMPARE(log.size(), expected.size());
    }
};

QTEST_MAIN(TestWidgets)
#include "test_widgets.moc"
