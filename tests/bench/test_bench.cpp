// The bench window: its layout and scale, its first activation, and the detector
// distance kept in step between its controls and the detector window.

#include "bench/Main.h"

#include "strings/LangStrings.h"
#include "toolkit/Widgets.h"

#include "WindowTestSupport.h"

using windowtest::Ui;

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>
#include <map>
#include <memory>
#include <numeric>

namespace {

using windowtest::Enter;
using windowtest::Focus;
using windowtest::IsColour;

std::int64_t Total(const sim::Spectrum& s) {
    return std::accumulate(s.begin(), s.end(), std::int64_t{0});
}

// A language pack with the bench window's strings, chosen in `catalogue`.
class LanguagePack {
public:
    explicit LanguagePack(strings::Catalogue& catalogue) {
        QFile file(dir_.filePath(QStringLiteral("Pelzamo2007.ini")));
        if (!file.open(QIODevice::WriteOnly)) return;
        file.write("[General]\n"
                   "S0004=Help\nS0005=Exit\nS0027=About\nS0029=Detector\nS0042=Tasks\n"
                   "S0043=Using the program\nS0048=Move the detector\nS0060=DETECTOR\n"
                   "S0061=Source\nS0062=Distance from the source (cm)\n"
                   "S0200=Gamma spectroscopy\n");
        file.close();
        catalogue.ChoosePack(QDir::toNativeSeparators(dir_.path()).toStdString());
    }

private:
    QTemporaryDir dir_;
};

// Both windows as after start-up: the detector window laid out, then the bench window
// shown and activated for the first time with the identifier "abc".
struct Windows {
    model::Session session{windowtest::Generator(), windowtest::Clock()};
    strings::Catalogue catalogue;
    TForm2 detector{session, catalogue};
    TForm1 bench{session, catalogue};

    bool Start() {
        bench.SetDetector(&detector);
        bench.SetIdentifierSource([] { return QStringLiteral("abc"); });
        detector.show();
        detector.activateWindow();
        if (!QTest::qWaitFor([this] { return windowtest::LaidOut(detector); })) return false;
        bench.show();
        bench.activateWindow();
        return QTest::qWaitFor([this] { return Ui(bench).Panel1->isVisible(); });
    }
    const sim::DetectorGeometry& Geometry() const { return detector.Measurement().Geometry; }
};

// Ends a QApplication::exec() that a test started, should the code under test fail to.
class Watchdog {
public:
    Watchdog() {
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        timer_.start(10000);
    }

private:
    QTimer timer_;
};

} // namespace

class TestBench : public QObject {
    Q_OBJECT

    windowtest::Environment environment;
    model::Session session{windowtest::Generator(), windowtest::Clock()};
    strings::Catalogue catalogue;

private slots:
    // Ticks run since the test began.
    int Ticks() const { return environment.clock.waits; }

    void init() { environment.clock.waits = 0; }

    void cleanup() {
        QCoreApplication::processEvents(); // drops leftover quit requests outside exec
    }

    void designLayout() {
        TForm1 bench(session, catalogue);
        QCOMPARE(Ui(bench).Client->size(), QSize(656, 147));
        QCOMPARE(Ui(bench).ScrollBar2->minimum(), 30);
        QCOMPARE(Ui(bench).ScrollBar2->maximum(), 400);
        QCOMPARE(Ui(bench).ScrollBar2->value(), 50);
        QCOMPARE(Ui(bench).Edit1->text(), QStringLiteral("Edit1"));
        QVERIFY(Ui(bench).Panel1->isHidden());
        QCOMPARE(Ui(bench).Shape2->geometry(), QRect(11, 34, 10, 10));
        QCOMPARE(Ui(bench).Image1->size(), QSize(449, 124));
        QCOMPARE(Ui(bench).Sg1->actions().size(), 3);
        QCOMPARE(bench.menuBar()->actions().size(), 2);
        // The program folder is the executable's, ending in the separator.
        const QString dir = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
        QCOMPARE(QString::fromStdString(catalogue.ProgramDir().string()), dir + QDir::separator());
    }

    void scalePixels() {
        TForm1 bench(session, catalogue);
        QVERIFY(QTest::qWaitFor([&] { return !Ui(bench).Timer1->isActive(); }));
        // Drawn from the source centre (16, 39).
        const QImage& b = Ui(bench).Image1->Picture();
        QCOMPARE(b.size(), QSize(449, 124));
        // The axis on row 109 from x = 16 to 435, where the letter Z, written on its
        // background at (435, 104), covers its last pixel.
        for (int x = 16; x <= 434; ++x)
            QVERIFY2(IsColour(b, x, 109, Qt::black), qPrintable(QString::number(x)));
        QVERIFY(IsColour(b, 15, 109, Qt::white));
        QVERIFY(IsColour(b, 425, 107, Qt::black)); // the arrow head
        QVERIFY(IsColour(b, 425, 111, Qt::black));
        int z = 0;
        for (int y = 104; y < 118; ++y)
            for (int x = 435; x < 449; ++x)
                z += IsColour(b, x, y, Qt::black) ? 1 : 0;
        QVERIFY2(z > 0, "the letter Z at the arrow");
        // Long ticks every 5 cm reach higher than the short ones between them.
        for (int n = 0; n <= 40; ++n) {
            const int x = 16 + 10 * n;
            const bool longTick = n % 5 == 0;
            QVERIFY(IsColour(b, x, 104, Qt::black));
            QVERIFY2(IsColour(b, x, 103, longTick ? Qt::black : Qt::white),
                     qPrintable(QString::number(x)));
        }
        // The background ends white; numbers stand above the long ticks.
        QVERIFY(IsColour(b, 0, 0, Qt::white));
        QVERIFY(IsColour(b, 200, 40, Qt::white));
        int ink = 0;
        for (int y = 89; y < 100; ++y)
            for (int x = 411; x < 430; ++x)
                ink += IsColour(b, x, y, Qt::black) ? 1 : 0;
        QVERIFY2(ink > 0, "the number 40 above its tick");
    }

    void firstActivation() {
        Windows w;
        LanguagePack pack(w.catalogue);
        QVERIFY(w.Start());
        QCOMPARE(w.bench.windowTitle(), QStringLiteral("abc   Gamma spectroscopy"));
        QCOMPARE(Ui(w.bench).Sg1->title(), QStringLiteral("Help"));
        QCOMPARE(Ui(w.bench).Kilps1->text(), QStringLiteral("Exit"));
        QCOMPARE(Ui(w.bench).Feladatok1->text(), QStringLiteral("Tasks"));
        QCOMPARE(Ui(w.bench).Label3->text(), QStringLiteral("Distance from the source (cm)"));
        QCOMPARE(Ui(w.bench).Shape4->toolTip(), QStringLiteral("Detector"));
        QVERIFY(Ui(w.bench).Panel1->isVisible());
        // The distance as at the first activation, the bar in step with it; the geometry
        // tab's spinner keeps its design position.
        QCOMPARE(Ui(w.bench).Edit1->text(), QStringLiteral("8.5"));
        QCOMPARE(Ui(w.bench).ScrollBar2->value(), 85);
        QCOMPARE(Ui(w.detector).UpDown6->Position(), 10);
        QCOMPARE(Ui(w.bench).Shape4->geometry(), QRect(16 + 85, 39 - 30, 60, 60));
        QCOMPARE(Ui(w.bench).Shape9->x(), 16 + 85);
        // Top right of the screen, the detector window directly below.
        const QRect frame = w.bench.frameGeometry();
        QCOMPARE(frame.top(), 5);
        QCOMPARE(frame.left(), w.bench.screen()->geometry().width() - frame.width() - 10);
        QCOMPARE(w.detector.frameGeometry().topLeft(),
                 QPoint(frame.left(), frame.top() + frame.height()));
        // Later activations change nothing of that.
        Ui(w.bench).Edit1->setText(QStringLiteral("x"));
        w.detector.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w.detector));
        w.bench.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w.bench));
        QCOMPARE(Ui(w.bench).Edit1->text(), QStringLiteral("x"));
        // One step of the bar moves the detector on from where it stands.
        Ui(w.bench).ScrollBar2->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(Ui(w.bench).Edit1->text(), QStringLiteral("8.6"));
        QCOMPARE(w.session.ShownDistance(), 8.6);
    }

    void scrollBarMovesTheDetector() {
        Windows w;
        QVERIFY(w.Start());
        Ui(w.bench).ScrollBar2->setValue(120);
        QCOMPARE(w.Geometry().z, 13.5);
        QCOMPARE(Ui(w.bench).Edit1->text(), QStringLiteral("12"));
        QCOMPARE(Ui(w.detector).Edit9->text(), QStringLiteral("12"));
        QCOMPARE(Ui(w.detector).UpDown6->Position(), 12);
        QCOMPARE(Ui(w.bench).Shape4->x(), 16 + 120);
        // Positions are clamped to the bar's range.
        Ui(w.bench).ScrollBar2->setValue(1000);
        QCOMPARE(Ui(w.bench).Edit1->text(), QStringLiteral("40"));
    }

    // The bar's keys move the detector the way its arrows do: Right (like the right
    // arrow) away from the source, Left toward it.
    void scrollBarKeysFollowItsArrows_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("position");
        QTest::newRow("Right") << int(Qt::Key_Right) << 101;
        QTest::newRow("Down") << int(Qt::Key_Down) << 101;
        QTest::newRow("PgDown") << int(Qt::Key_PageDown) << 110;
        QTest::newRow("End") << int(Qt::Key_End) << 400;
        QTest::newRow("Left") << int(Qt::Key_Left) << 99;
        QTest::newRow("Up") << int(Qt::Key_Up) << 99;
        QTest::newRow("PgUp") << int(Qt::Key_PageUp) << 90;
        QTest::newRow("Home") << int(Qt::Key_Home) << 30;
        QTest::newRow("Alt+Right") << (int(Qt::Key_Right) | int(Qt::AltModifier)) << 101;
    }
    void scrollBarKeysFollowItsArrows() {
        QFETCH(int, key);
        QFETCH(int, position);
        Windows w;
        QVERIFY(w.Start());
        QScrollBar* bar = Ui(w.bench).ScrollBar2;
        bar->setValue(100);
        QVERIFY(Focus(bar));
        QTest::keyClick(bar, Qt::Key(key & ~Qt::KeyboardModifierMask),
                        Qt::KeyboardModifiers(key & Qt::KeyboardModifierMask));
        QCOMPARE(bar->value(), position);
        QCOMPARE(w.session.ShownDistance(), position * 0.1);
        QVERIFY(bar->hasFocus());
        // The right arrow button adds, as Right does.
        if (key == Qt::Key_Right) {
            bar->setValue(100);
            const QRect area = bar->rect();
            QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(area.right() - 3, area.center().y()));
            QCOMPARE(bar->value(), 101);
        }
    }

    // The spinner of the geometry tab sets the bench bar, whose handler runs the
    // synchronisation once more from inside the first one.
    void spinnerRoundTrip() {
        Windows w;
        QVERIFY(w.Start());
        Ui(w.bench).ScrollBar2->setValue(84);
        QCOMPARE(Ui(w.detector).UpDown6->Position(), 8);
        Ui(w.detector).UpDown6->Click(toolkit::UpDownButton::Up);
        QCOMPARE(Ui(w.detector).Edit9->text(), QStringLiteral("9"));
        QCOMPARE(w.Geometry().z, 10.5);
        QCOMPARE(Ui(w.bench).ScrollBar2->value(), 90);
        QCOMPARE(Ui(w.bench).Edit1->text(), QStringLiteral("9"));
        QCOMPARE(Ui(w.detector).UpDown6->Position(), 9);
        QCOMPARE(Ui(w.bench).Shape4->x(), 16 + 90);
    }

    void typedDistance() {
        Windows w;
        QVERIFY(w.Start());
        QVERIFY(Focus(Ui(w.bench).Edit1));

        Enter(Ui(w.bench).Edit1, QStringLiteral("12.34"));
        QCOMPARE(Ui(w.bench).ScrollBar2->value(), 123);
        QCOMPARE(Ui(w.bench).Edit1->text(), QStringLiteral("12.3"));
        QCOMPARE(Ui(w.detector).Edit9->text(), QStringLiteral("12.3"));

        Enter(Ui(w.bench).Edit1, QStringLiteral(" 3 "));
        QCOMPARE(Ui(w.bench).ScrollBar2->value(), 30);
        Enter(Ui(w.bench).Edit1, QStringLiteral("40"));
        QCOMPARE(Ui(w.bench).ScrollBar2->value(), 400);
        QCOMPARE(w.Geometry().z, 41.5);

        // 3.1 stays 3.1, although 3.1 + 1.5 - 1.5 is a hair below it in binary.
        Enter(Ui(w.bench).Edit1, QStringLiteral("3.1"));
        QCOMPARE(Ui(w.bench).ScrollBar2->value(), 31);
        QCOMPARE(Ui(w.bench).Edit1->text(), QStringLiteral("3.1"));
        QCOMPARE(Ui(w.bench).Shape4->x(), 16 + 31);

        // Already at that tenth: the typed value stands and nothing is redrawn.
        Ui(w.bench).ScrollBar2->setValue(85);
        const QRect shape = Ui(w.bench).Shape4->geometry();
        Enter(Ui(w.bench).Edit1, QStringLiteral("8.57"));
        QCOMPARE(w.Geometry().z, 8.57 + 1.5);
        QCOMPARE(Ui(w.bench).Edit1->text(), QStringLiteral("8.57"));
        QCOMPARE(Ui(w.detector).Edit9->text(), QStringLiteral("8.5"));
        QCOMPARE(Ui(w.bench).Shape4->geometry(), shape);

        // Leaving the field validates it too.
        Ui(w.bench).Edit1->setText(QStringLiteral("20"));
        QTest::keyClick(Ui(w.bench).Edit1, Qt::Key_Tab);
        QCOMPARE(Ui(w.bench).ScrollBar2->value(), 200);
    }

    void refusedDistances() {
        Windows w;
        QVERIFY(w.Start());
        const double z = w.Geometry().z;
        for (const char* bad : {"2.99", "40.01", "", "abc", "1e999", "-5", "12,5", "nan"}) {
            QVERIFY(Focus(Ui(w.bench).Edit1));
            Enter(Ui(w.bench).Edit1, QString::fromLatin1(bad));
            QVERIFY2(Ui(w.bench).Edit1->hasFocus(), bad);
            QCOMPARE(Ui(w.bench).Edit1->selectedText(), Ui(w.bench).Edit1->text());
            QCOMPARE(w.Geometry().z, z);
            QCOMPARE(Ui(w.bench).ScrollBar2->value(), 85);
        }
        // Leaving the field with a bad text brings the focus back.
        Ui(w.bench).Edit1->setText(QStringLiteral("41"));
        QTest::keyClick(Ui(w.bench).Edit1, Qt::Key_Tab);
        QVERIFY(QTest::qWaitFor([&] { return Ui(w.bench).Edit1->hasFocus(); }));
        QCOMPARE(Ui(w.bench).Edit1->selectedText(), QStringLiteral("41"));
        QCOMPARE(w.Geometry().z, z);
    }

    // A new height keeps z: the geometry tab and the bench shape follow at once, the
    // bench's own distance controls only at the next synchronisation.
    void heightChangeKeepsTheCentre() {
        Windows w;
        QVERIFY(w.Start());
        QComboBox* combo = Ui(w.detector).ComboBox1;
        combo->setEnabled(true);
        combo->setCurrentIndex(0);
        emit combo->textActivated(QStringLiteral("1.0"));
        QCOMPARE(w.Geometry().height, 1.0);
        QCOMPARE(w.Geometry().z, 10.0);
        QCOMPARE(Ui(w.detector).Edit9->text(), QStringLiteral("9.5"));
        QCOMPARE(Ui(w.bench).Shape4->geometry(), QRect(16 + 95, 39 - 30, 20, 60));
        QCOMPARE(Ui(w.bench).Edit1->text(), QStringLiteral("8.5"));
        QCOMPARE(Ui(w.bench).ScrollBar2->value(), 85);
    }

    // Moving the detector during a run applies from the next tick on and neither clears
    // the spectrum nor stops the run.
    void distanceChangeDuringMeasurement() {
        Windows w;
        QVERIFY(w.Start());
        Ui(w.detector).Preset->setText(QStringLiteral("3"));
        std::map<int, std::int64_t> totals; // spectrum total after each tick
        int movedAt = -1;
        QTimer watch;
        watch.setInterval(1);
        connect(&watch, &QTimer::timeout, [&] {
            const int t = Ticks();
            totals[t] = Total(w.detector.Measurement().Spectrum);
            if (movedAt < 0 && t >= 10) {
                Ui(w.bench).ScrollBar2->setValue(400);
                movedAt = t;
            }
        });
        watch.start();
        Ui(w.detector).Button1->click(); // runs 30 ticks
        watch.stop();

        QCOMPARE(Ticks(), 30);
        QVERIFY(!w.session.Running());
        QVERIFY(movedAt >= 10 && movedAt < 25);
        QCOMPARE(w.Geometry().z, 40 + 1.5);
        std::int64_t previous = 0;
        for (const auto& [tick, total] : totals) {
            QVERIFY2(total >= previous, "the spectrum is never cleared");
            previous = total;
        }
        const auto first = totals.begin();
        const auto last = std::prev(totals.end());
        const double before = double(totals[movedAt] - first->second) / (movedAt - first->first);
        const double after = double(last->second - totals[movedAt]) / (last->first - movedAt);
        QVERIFY2(before > 100, "counts per tick at 8.5 cm");
        // Solid angle alone predicts about (7 / 38.5)^2 = 0.03; 0.3 lies far beyond five
        // standard deviations of either rate.
        QVERIFY2(after < 0.3 * before,
                 qPrintable(QStringLiteral("before %1, after %2 per tick").arg(before).arg(after)));
    }

    void menuHooks() {
        TForm1 bench(session, catalogue);
        QList<int> tags;
        int about = 0;
        bench.ShowHelp = [&](int tag) { tags.append(tag); };
        bench.ShowAbout = [&] { ++about; };
        Ui(bench).Feladatok1->trigger();
        Ui(bench).Aprogramhasznlata1->trigger();
        Ui(bench).Nvjegy1->trigger();
        QCOMPARE(tags, (QList<int>{1, 0}));
        QCOMPARE(about, 1);
        // Unset hooks do nothing.
        TForm1 bare(session, catalogue);
        Ui(bare).Feladatok1->trigger();
        Ui(bare).Nvjegy1->trigger();
    }

    // The exit request is posted: it ends the main loop, never the acquisition loop
    // that runs nested inside it.
    void exitEndsTheMainLoop() {
        Windows w;
        QVERIFY(w.Start());
        Watchdog watchdog;
        QTimer::singleShot(0, &w.bench, [&] { Ui(w.bench).Kilps1->trigger(); });
        QCOMPARE(QApplication::exec(), 0);
    }

    void exitDuringMeasurement() {
        Windows w;
        QVERIFY(w.Start());
        Ui(w.detector).Preset->setText(QStringLiteral("2"));
        bool requested = false;
        bool acquisitionEnded = false;
        bool openDuringRun = false; // both windows still open ten ticks after the request
        QTimer watch;
        watch.setInterval(1);
        connect(&watch, &QTimer::timeout, [&] {
            if (!requested && Ticks() >= 5) {
                Ui(w.bench).Kilps1->trigger();
                requested = true;
            }
            const int t = Ticks();
            if (t >= 15 && t < 20 && !openDuringRun)
                openDuringRun = w.bench.isVisible() && w.detector.isVisible();
        });
        QTimer::singleShot(0, &w.detector, [&] {
            watch.start();
            Ui(w.detector).Button1->click();
            acquisitionEnded = true;
        });
        Watchdog watchdog;
        QCOMPARE(QApplication::exec(), 0);
        watch.stop();
        QVERIFY(requested);
        QVERIFY2(acquisitionEnded, "the main loop ended only after the acquisition loop");
        QCOMPARE(Ticks(), 20); // the run went on to its preset
        QVERIFY2(openDuringRun, "the windows stay open while the run goes on");
        QVERIFY(!w.session.Running());
    }

    // Either window may be destroyed first; the other must not reach it then.
    void eitherWindowGoesFirst() {
        {
            auto detector = windowtest::NewDetector();
            TForm1 bench(*detector.get_deleter().session, *detector.get_deleter().catalogue);
            bench.SetDetector(detector.get());
            const QRect shape = Ui(bench).Shape4->geometry();
            detector.reset();
            Ui(bench).ScrollBar2->setValue(100);
            Enter(Ui(bench).Edit1, QStringLiteral("12")); // valid: taken, with nothing to move
            QCOMPARE(Ui(bench).Edit1->text(), QStringLiteral("12"));
            QVERIFY(Ui(bench).Edit1->selectedText().isEmpty());
            QCOMPARE(Ui(bench).ScrollBar2->value(), 100);
            QCOMPARE(Ui(bench).Shape4->geometry(), shape);
        }
        auto detector = windowtest::NewDetector();
        auto bench = std::make_unique<TForm1>(*detector.get_deleter().session,
                                              *detector.get_deleter().catalogue);
        bench->SetDetector(detector.get());
        bench.reset();
        detector->SyncDistance(DistanceSender::UpDown6); // would set the bench's scroll bar
        QCOMPARE(Ui(*detector).Edit9->text(), QStringLiteral("0")); // before its layout: all zero
    }

    void closingStopsTheRun() {
        Windows w;
        QVERIFY(w.Start());
        w.session.Start(); // as during a measurement
        w.bench.close();
        QVERIFY(!w.session.Running());
    }
};

QTEST_MAIN(TestBench)
#include "test_bench.moc"
