// The detector window's spectrum tab, driven through its controls and keys: the
// acquisition loop on a manual clock, the plot's range and scale, the cursor and the
// region of interest.

#include "measurement/Detektor.h"
#include "platform/Clock.h"
#include "simulation/CrossSection.h"
#include "simulation/Random.h"
#include "simulation/Source.h"
#include "strings/LangStrings.h"

#include "WindowTestSupport.h"

#include <QAccessible>
using windowtest::Ui;

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QtTest>

#include <functional>
#include <memory>
#include <numeric>

namespace {

using Probe = TForm2Probe;
using windowtest::Enter;
using windowtest::TickClock;

class NoHooks : public sim::HistoryHooks {
public:
    void PlotChannel(std::int32_t) override {}
    void SourceInsideDetector() override {}
};

// The spectrum of `decays` plain decays after `skipped` ones, from `seed`; leaves `rng`
// where those decays left it.
sim::Spectrum ReferenceSpectrum(sim::RandomGenerator& rng, std::uint32_t seed, std::int64_t skipped,
                                std::int64_t decays, const sim::DetectorGeometry& geometry,
                                const sim::Calibration& calibration) {
    rng.SetSeed(seed);
    sim::Spectrum spectrum{};
    sim::HistoryTally tally;
    NoHooks hooks;
    for (std::int64_t i = 0; i < skipped + decays; ++i) {
        if (i == skipped) spectrum.fill(0);
        sim::RunHistory(sim::BuiltInSource, geometry, calibration, spectrum, tally, hooks, rng);
    }
    return spectrum;
}

// Runs a queued action inside the loop's next processing of pending events.
void Between(QObject* context, std::function<void()> action) {
    QMetaObject::invokeMethod(context, std::move(action), Qt::QueuedConnection);
}

// A repeat of a held key: a release and a press with a time stamp of their own, both
// flagged as a repeat, or neither, as when the toolkit did not see the press in time.
void SendRepeat(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers,
                bool flagged = true) {
    static quint64 timestamp = 1000;
    ++timestamp;
    for (const QEvent::Type type : {QEvent::KeyRelease, QEvent::KeyPress}) {
        QKeyEvent event(type, key, modifiers, QString(), flagged);
        event.setTimestamp(timestamp);
        QApplication::sendEvent(target, &event);
    }
}

bool HasColour(const QImage& image, QColor colour) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == (colour.rgb() & 0xFFFFFF)) return true;
    return false;
}

const QColor White(255, 255, 255);
const QColor Yellow(255, 255, 0);

void WritePack(const QString& folder, bool withCaption) {
    QDir().mkpath(folder);
    QFile file(folder + QStringLiteral("/Pelzamo2007.ini"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QByteArray text = "[General]\n";
    if (withCaption) text += "S0029=Detector\n";
    text += "S0030=Spectrum\nS0033=Stop at preset\nS0203=Start\nS0219=Stop\n"
            "S0204=Clear\nS0008=Preset (s)\nS0055=Source inside the detector\nS0007=Error\n";
    file.write(text);
}

} // namespace

class TestDetektor : public QObject {
    Q_OBJECT

    QTemporaryDir packs;
    sim::RandomGenerator rng; // the program's generator, as the window draws from it
    TickClock clock;
    std::unique_ptr<model::Session> session;
    strings::Catalogue catalogue; // the windows' strings, from the pack the test chose
    std::unique_ptr<TForm2> form;

    void UseLanguage(const QString& folder) { catalogue.ChoosePack(folder.toStdString()); }

    // A fresh window after its first-activation layout; `decaysPerTick` small keeps the
    // runs quick.
    void OpenWindow() {
        session = std::make_unique<model::Session>(rng, clock);
        form = std::make_unique<TForm2>(*session, catalogue);
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QTRY_VERIFY(windowtest::LaidOut(*form));
    }

    // The built-in source with `activity` (decays per tick less one) in slot 2.
    void SetDecaysPerTick(double activity) {
        sim::SourceSlots changed = sim::BuiltInSource.Slots();
        changed[1].activity = activity;
        Probe::Model(*form).Source = sim::Source(changed);
    }
    sim::Spectrum& Counts() { return Probe::Model(*form).Spectrum; }
    std::int32_t ElapsedTicks() const { return Probe::ElapsedTicks(*form); }
    std::int32_t FullScale() const { return Ui(*form).Edit1->text().trimmed().toInt(); }

private slots:
    void initTestCase() {
        WritePack(packs.path() + QStringLiteral("/English"), true);
        WritePack(packs.path() + QStringLiteral("/Broken"), false);
        UseLanguage(packs.path() + QStringLiteral("/English"));
        rng.SetSeed(20070101);
    }

    void init() {
        clock = {};
        OpenWindow();
        SetDecaysPerTick(49); // 50 decays a tick
    }

    void cleanup() {
        form.reset();
        session.reset();
    }

    void layoutAtFirstActivation() {
        QCOMPARE(form->size(), QSize(654, 403));
        QVERIFY(form->windowFlags() & Qt::CustomizeWindowHint);
        QVERIFY(!(form->windowFlags() & Qt::WindowCloseButtonHint));
        QCOMPARE(form->windowTitle(), QStringLiteral("Detector"));
        QCOMPARE(Ui(*form).CheckBox2->text(), QStringLiteral("Stop at preset"));
        QCOMPARE(Ui(*form).CheckBox1->text(), QStringLiteral("None")); // missing in the pack
        QVERIFY(!Ui(*form).PageControl1->isTabVisible(1));
        QCOMPARE(Ui(*form).PageControl1->tabPosition(), QTabWidget::South);

        QCOMPARE(Ui(*form).Image1->geometry(), QRect(1, 1, 530, 330));
        QCOMPARE(Ui(*form).Image3->geometry(), QRect(57, 22, 453, 290));
        QCOMPARE(Ui(*form).Shape1->parentWidget(), Ui(*form).Panel1);
        QCOMPARE(Ui(*form).Shape1->geometry(), QRect(283, 22, 1, 290));
        QCOMPARE(Probe::PlotBitmap(*form).size(), QSize(451, 289));
        QCOMPARE(Ui(*form).Image3->Picture().size(), QSize(451, 289));

        // Range 0..4096, full scale 100.
        QCOMPARE(Ui(*form).Edit1->text(), QStringLiteral("       100"));
        QCOMPARE(Ui(*form).Edit2->text(), QStringLiteral("    0 "));
        QCOMPARE(Ui(*form).Edit3->text(), QStringLiteral(" 4096 "));
        // The axes: horizontal on row 310, vertical on column 55 of Image1.
        const QImage& axes = Ui(*form).Image1->Picture();
        QCOMPARE(QColor(axes.pixel(300, 310)), White);
        QCOMPARE(QColor(axes.pixel(55, 200)), White);
        QCOMPARE(QColor(axes.pixel(300, 200)), QColor(Qt::black));
    }

    // No key and no wheel turn opens the geometry page, whose tab is hidden: not on the
    // tab bar, nor from a field of the spectrum page.
    void hiddenPageCannotBeReached_data() {
        QTest::addColumn<bool>("onTabBar");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        const int ctrl = Qt::ControlModifier;
        const int ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
        QTest::newRow("tab bar Right") << true << int(Qt::Key_Right) << 0;
        QTest::newRow("tab bar Left") << true << int(Qt::Key_Left) << 0;
        QTest::newRow("tab bar End") << true << int(Qt::Key_End) << 0;
        QTest::newRow("tab bar Ctrl+Tab") << true << int(Qt::Key_Tab) << ctrl;
        QTest::newRow("Ctrl+Tab") << false << int(Qt::Key_Tab) << ctrl;
        QTest::newRow("Ctrl+Shift+Tab") << false << int(Qt::Key_Backtab) << ctrlShift;
        QTest::newRow("Ctrl+PgDown") << false << int(Qt::Key_PageDown) << ctrl;
        QTest::newRow("Ctrl+PgUp") << false << int(Qt::Key_PageUp) << ctrl;
        QTest::newRow("wheel") << true << 0 << 0;
        QTest::newRow("assistive press") << true << -1 << 0;
    }
    void hiddenPageCannotBeReached() {
        QFETCH(bool, onTabBar);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QWidget* target = onTabBar ? static_cast<QWidget*>(Ui(*form).PageControl1->tabBar())
                                   : static_cast<QWidget*>(Ui(*form).Preset);
        QVERIFY(windowtest::Focus(target));
        if (key > 0) {
            QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        } else if (key < 0) {
            QAccessibleInterface* tab =
                QAccessible::queryAccessibleInterface(target)->child(1); // the hidden tab
            QVERIFY(tab != nullptr && tab->actionInterface() != nullptr);
            tab->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        } else {
            for (int delta : {-120, 120}) {
                const QPointF at(5, 5);
                QWheelEvent wheel(at, target->mapToGlobal(at), {}, {0, delta}, Qt::NoButton,
                                  Qt::NoModifier, Qt::NoScrollPhase, false);
                QCoreApplication::sendEvent(target, &wheel);
            }
        }
        QCOMPARE(Ui(*form).PageControl1->currentIndex(), 0);
        QVERIFY(!Ui(*form).Geometria->isVisible());
    }

    void captionsRetryUntilTheCaptionExists() {
        cleanup();
        UseLanguage(packs.path() + QStringLiteral("/Broken"));
        OpenWindow();
        QCOMPARE(form->windowTitle(), QStringLiteral("None"));
        QCOMPARE(Ui(*form).Label20->text(), QStringLiteral("Időzítés (s)"));

        UseLanguage(packs.path() + QStringLiteral("/English"));
        QWidget other;
        other.show();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QCOMPARE(form->windowTitle(), QStringLiteral("Detector"));
        QCOMPARE(Ui(*form).Label20->text(), QStringLiteral("Preset (s)"));
    }

    void defaultRunIsOneHundredTicks() {
        Probe::Model(*form).Source = sim::BuiltInSource; // 20001 decays a tick
        QStringList shown;
        connect(Ui(*form).CurTim, &QLineEdit::textChanged, form.get(),
                [&](const QString& text) { shown << text; });
        const std::uint32_t seed = 4711;
        rng.SetSeed(seed);
        Ui(*form).Button1->click();

        QCOMPARE(clock.waits, 100);
        QCOMPARE(ElapsedTicks(), 100);
        QCOMPARE(shown, QStringList({"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}));
        QVERIFY(!session->Running());
        QCOMPARE(Ui(*form).Button1->text(), QStringLiteral("Start"));
        QVERIFY(Ui(*form).Preset->isEnabled() && Ui(*form).CheckBox2->isEnabled());
        QVERIFY(Ui(*form).Shape1->isVisible() && Ui(*form).Panel3->isVisible());

        // Exactly 100 x 20001 decays, in order: the same counts and the same generator state
        // as plain decays from the same seed.
        const model::Measurement& m = form->Measurement();
        const sim::Spectrum counted = m.Spectrum;
        sim::RandomGenerator reference;
        const sim::Spectrum expected =
            ReferenceSpectrum(reference, seed, 0, 2000100, m.Geometry, m.Calibration);
        QCOMPARE(rng.Seed(), reference.Seed());
        QVERIFY(counted == expected);
        QVERIFY2(std::accumulate(counted.begin(), counted.end(), std::int64_t{0}) > 10000,
                 "a default run counts many events");

        // At the preset already: the next Start stops at once.
        Ui(*form).Button1->click();
        QCOMPARE(clock.waits, 100);
        QCOMPARE(Ui(*form).Button1->text(), QStringLiteral("Start"));

        // After Clear it runs its 100 ticks again.
        SetDecaysPerTick(9);
        Ui(*form).BitBtn1->click();
        Ui(*form).Button1->click();
        QCOMPARE(clock.waits, 200);
        QCOMPARE(ElapsedTicks(), 100);
    }

    void clearAndStopBetweenTicks() {
        QStringList shown;
        connect(Ui(*form).CurTim, &QLineEdit::textChanged, form.get(),
                [&](const QString& text) { shown << text; });
        bool hiddenWhileRunning = false;
        clock.atWait = [&](int tick) {
            if (tick == 25) Between(form.get(), [&] { Ui(*form).BitBtn1->click(); });
            if (tick == 40) hiddenWhileRunning = !Ui(*form).Shape1->isVisible();
            if (tick == 60) Between(form.get(), [&] { Ui(*form).Button1->click(); });
        };
        const std::uint32_t seed = 99;
        rng.SetSeed(seed);
        Ui(*form).Button1->click();

        QCOMPARE(clock.waits, 60);
        QCOMPARE(ElapsedTicks(), 35);
        QCOMPARE(shown, QStringList({"1", "2", "0", "1", "2", "3"}));
        QVERIFY(hiddenWhileRunning);
        QVERIFY(Ui(*form).Shape1->isVisible() && Ui(*form).Panel4->isVisible());
        // The spectrum holds the 35 ticks after the Clear only.
        const model::Measurement& m = form->Measurement();
        QVERIFY(m.Spectrum ==
                ReferenceSpectrum(rng, seed, 25 * 50, 35 * 50, m.Geometry, m.Calibration));
    }

    void presetEdgeCases() {
        // Preset 0 stops at once.
        Enter(Ui(*form).Preset, "0");
        Ui(*form).Button1->click();
        QCOMPARE(clock.waits, 0);
        QVERIFY(!session->Running());

        // Blanks around the number are dropped.
        Enter(Ui(*form).Preset, " 20 ");
        Ui(*form).Button1->click();
        QCOMPARE(ElapsedTicks(), 200);
        QCOMPARE(Ui(*form).CurTim->text(), QStringLiteral("20"));

        // Not an integer: refused, the previous preset stays.
        for (const char* bad : {"2x", "1.5", ""}) {
            Ui(*form).Preset->setFocus();
            Enter(Ui(*form).Preset, bad);
            QCOMPARE(Probe::PresetSeconds(*form), 20);
            QCOMPARE(Ui(*form).Preset->selectedText(), QString(bad));
            QCOMPARE(QApplication::focusWidget(), Ui(*form).Preset);
        }

        // The largest preset does not wrap into an immediate stop.
        Ui(*form).BitBtn1->click();
        Enter(Ui(*form).Preset, "2147483647");
        clock.waits = 0;
        clock.atWait = [&](int tick) {
            if (tick == 3) Between(form.get(), [&] { Ui(*form).Button1->click(); });
        };
        Ui(*form).Button1->click();
        QCOMPARE(ElapsedTicks(), 3);
    }

    void unparsablePresetOnAFreshWindowStopsAtOnce() {
        Ui(*form).Preset->setText("2x"); // never read successfully: PresetSeconds is 0
        Ui(*form).Button1->click();
        QCOMPARE(clock.waits, 0);
        QVERIFY(!session->Running());
        QTRY_COMPARE(QApplication::focusWidget(), Ui(*form).Preset);
        QCOMPARE(Ui(*form).Preset->selectedText(), QStringLiteral("2x"));
    }

    // An unparsable preset at Start is refused, the run goes on with the previous preset,
    // and the field takes the focus with its text selected once Stop enables it again.
    void refusedPresetIsFocusedAfterTheRun() {
        Enter(Ui(*form).Preset, "3");
        Ui(*form).Preset->setText("2x");
        QVERIFY(windowtest::Focus(Ui(*form).Button1));
        Ui(*form).Button1->click();
        QCOMPARE(ElapsedTicks(), 30);
        QTRY_COMPARE(QApplication::focusWidget(), Ui(*form).Preset);
        QCOMPARE(Ui(*form).Preset->selectedText(), QStringLiteral("2x"));
    }

    void automaticStopSwitchedOff() {
        // Off before the run: the preset is locked and the run goes on until Stop.
        QTest::mouseClick(Ui(*form).CheckBox2, Qt::LeftButton);
        QVERIFY(!Ui(*form).Preset->isEnabled());
        clock.atWait = [&](int tick) {
            if (tick == 150) Between(form.get(), [&] { Ui(*form).Button1->click(); });
        };
        Ui(*form).Button1->click();
        QCOMPARE(ElapsedTicks(), 150);
        QCOMPARE(Ui(*form).CurTim->text(), QStringLiteral("15"));
        QVERIFY(Ui(*form).Preset->isEnabled() && Ui(*form).CheckBox2->isEnabled());

        // Switched off during a run: the box locks until Stop, and the preset no longer
        // stops the run.
        QTest::mouseClick(Ui(*form).CheckBox2, Qt::LeftButton);
        QVERIFY(Ui(*form).CheckBox2->isChecked());
        Ui(*form).BitBtn1->click();
        clock.waits = 0;
        bool lockedWhileRunning = false;
        clock.atWait = [&](int tick) {
            if (tick == 5)
                Between(form.get(),
                        [&] { QTest::mouseClick(Ui(*form).CheckBox2, Qt::LeftButton); });
            if (tick == 20)
                lockedWhileRunning =
                    !Ui(*form).CheckBox2->isEnabled() && !Ui(*form).Preset->isEnabled();
            if (tick == 120) Between(form.get(), [&] { Ui(*form).Button1->click(); });
        };
        Ui(*form).Button1->click();
        QVERIFY(lockedWhileRunning);
        QCOMPARE(ElapsedTicks(), 120);
        QVERIFY(!Ui(*form).CheckBox2->isChecked());
        QVERIFY(Ui(*form).Preset->isEnabled() && Ui(*form).CheckBox2->isEnabled());
    }

    void sourceInsideDetectorStopsOnce() {
        Probe::Model(*form).Geometry = model::BenchGeometry(0.5, 3, 3); // centre 2 cm away
        QStringList boxes;
        QTimer answer;
        connect(&answer, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                boxes << box->windowTitle() + QStringLiteral(": ") + box->text();
                box->accept();
            }
        });
        answer.start(5);
        Ui(*form).Button1->click();
        answer.stop();

        QCOMPARE(boxes, QStringList({"Error: Source inside the detector"}));
        QVERIFY(!session->Running());
        QCOMPARE(clock.waits, 0);
        QCOMPARE(Ui(*form).Button1->text(), QStringLiteral("Start"));
        for (std::int32_t count : form->Measurement().Spectrum)
            QCOMPARE(count, 0);
    }

    // The automatic scale follows the counts of the requested range at each rescale, and
    // the scale controls switch it off (the rungs themselves: the model's tests).
    void fullScaleControls() {
        Counts()[1024] = 150;
        Counts()[3000] = 5000;
        Enter(Ui(*form).Edit3, "1024"); // a range change rescales
        QCOMPARE(Ui(*form).Edit1->text(), QStringLiteral("       200"));

        Ui(*form).UpDown1->Click(toolkit::UpDownButton::Up);
        QCOMPARE(FullScale(), 500);
        QVERIFY(!Ui(*form).CheckBox1->isChecked());
        Enter(Ui(*form).Edit1, "50000000");
        Ui(*form).UpDown1->Click(toolkit::UpDownButton::Up);
        QCOMPARE(Ui(*form).Edit1->text(), QStringLiteral("  50000000"));

        Ui(*form).CheckBox1->setChecked(true); // no handler: in force from the next rescale
        QCOMPARE(FullScale(), 50000000);
        Enter(Ui(*form).Edit3, "4096");
        QCOMPARE(FullScale(), 10000);
    }

    void fullScaleEntry() {
        Ui(*form).Edit1->setFocus();
        for (const char* bad : {"abc", "0", "-5"}) { // below 1 cannot be drawn: refused
            Enter(Ui(*form).Edit1, bad);
            QCOMPARE(Ui(*form).Edit1->selectedText(), QString(bad));
            QCOMPARE(QApplication::focusWidget(), Ui(*form).Edit1);
            QVERIFY(Ui(*form).CheckBox1->isChecked());
        }
        Enter(Ui(*form).Edit1, " 250 ");
        QVERIFY(!Ui(*form).CheckBox1->isChecked());
        QCOMPARE(Ui(*form).Edit1->text(), QStringLiteral("       250"));
    }

    // Each end of the range is limited against the other end as shown (the limits
    // themselves: the model's tests); a refused entry changes nothing.
    void channelRangeControls() {
        using toolkit::UpDownButton;
        Enter(Ui(*form).Edit3, "100");
        QCOMPARE(Ui(*form).Edit3->text(), QStringLiteral("  256 "));
        Ui(*form).UpDown2->Click(UpDownButton::Up);
        QCOMPARE(Ui(*form).Edit3->text(), QStringLiteral("  512 "));
        Ui(*form).UpDown3->Click(UpDownButton::Up);
        QCOMPARE(Ui(*form).Edit2->text(), QStringLiteral("  256 "));
        Ui(*form).UpDown2->Click(UpDownButton::Down);
        QCOMPARE(Ui(*form).Edit3->text(), QStringLiteral("  512 "));
        Enter(Ui(*form).Edit3, "9999");
        Enter(Ui(*form).Edit2, "4000");
        QCOMPARE(Ui(*form).Edit2->text(), QStringLiteral(" 3840 "));
        Ui(*form).UpDown3->Click(UpDownButton::Down);
        QCOMPARE(Ui(*form).Edit2->text(), QStringLiteral(" 3584 "));
        Enter(Ui(*form).Edit2, "x");
        QCOMPARE(Ui(*form).Edit2->selectedText(), QStringLiteral("x"));
        QCOMPARE(Ui(*form).Edit3->text(), QStringLiteral(" 4096 "));
    }

    void dotsOfThePlot() {
        sim::Spectrum& counts = Counts();
        counts[2048] = 50;             // column 226, row 289 - 145
        counts[5] = 50;                // column 0: never drawn
        counts[4090] = 50;             // right of the bitmap
        counts[3000] = 100;            // at the full scale: above the top
        Enter(Ui(*form).Edit1, "200"); // two changes of the full scale redraw every channel
        Enter(Ui(*form).Edit1, "100");
        const QImage& plot = Ui(*form).Image3->Picture();
        QCOMPARE(QColor(plot.pixel(226, 144)), White);
        QCOMPARE(QColor(plot.pixel(0, 144)), QColor(Qt::black));
        int dots = 0;
        for (int y = 0; y < plot.height(); ++y)
            for (int x = 0; x < plot.width(); ++x)
                dots += plot.pixel(x, y) == White.rgb();
        QCOMPARE(dots, 1);
    }

    void cursorTravel() {
        QLabel* x = Ui(*form).Label9;
        for (int i = 0; i < 300; ++i)
            QTest::keyClick(form.get(), Qt::Key_Left, Qt::AltModifier);
        QCOMPARE(Ui(*form).Shape1->x(), 56);
        QCOMPARE(x->text(), QStringLiteral("X=0   "));
        for (int i = 0; i < 500; ++i)
            QTest::keyClick(form.get(), Qt::Key_Right, Qt::AltModifier);
        QCOMPARE(Ui(*form).Shape1->x(), 509);
        QCOMPARE(x->text(), QStringLiteral("X=4096   "));

        // Without Alt, or with Ctrl alone, the arrows reach the focused edit unchanged.
        Ui(*form).Edit10->setText("12 34");
        Ui(*form).Edit10->setFocus();
        Ui(*form).Edit10->end(false);
        QTest::keyClick(Ui(*form).Edit10, Qt::Key_Left);
        QCOMPARE(Ui(*form).Edit10->cursorPosition(), 4);
        QTest::keyClick(Ui(*form).Edit10, Qt::Key_Left, Qt::ControlModifier);
        QCOMPARE(Ui(*form).Edit10->cursorPosition(), 3); // one word back
        QCOMPARE(Ui(*form).Shape1->x(), 509);
        Counts()[4096] = 7; // never drawn, but read by the cursor
        // With Alt the window takes the keys before the focused edit sees them.
        QTest::keyClick(Ui(*form).Edit10, Qt::Key_Left, Qt::AltModifier);
        QCOMPARE(Ui(*form).Shape1->x(), 508);
        QTest::keyClick(Ui(*form).Edit10, Qt::Key_Right, Qt::AltModifier);
        QCOMPARE(Ui(*form).Label10->text(), QStringLiteral("Y=7   "));
        QCOMPARE(Ui(*form).Edit10->cursorPosition(), 3);
    }

    void markingWithHeldKeys_data() {
        QTest::addColumn<bool>("flagged");
        QTest::newRow("repeats flagged") << true;
        QTest::newRow("repeats not flagged") << false;
    }

    void markingWithHeldKeys() {
        QFETCH(bool, flagged);
        const auto mark = Qt::AltModifier | Qt::ControlModifier;
        // A single tap only sets the fixed end.
        QTest::keyClick(form.get(), Qt::Key_Right, mark);
        QCOMPARE(Probe::Roi(*form).RoiLow, 2052);
        QVERIFY(!Probe::Roi(*form).RoiValid);
        QVERIFY(!Probe::Roi(*form).RoiMarking);
        QTest::keyClick(form.get(), Qt::Key_Left, Qt::AltModifier);

        // Held down: the repeats extend the region.
        QCOMPARE(Ui(*form).Shape1->x(), 283);
        QTest::keyPress(form.get(), Qt::Key_Right, mark);
        QCOMPARE(Probe::Roi(*form).RoiLow, 2052);
        QCOMPARE(Ui(*form).Shape1->x(), 284);
        SendRepeat(form.get(), Qt::Key_Right, mark, flagged);
        QCOMPARE(Probe::Roi(*form).RoiHigh, 2062);
        QVERIFY(Probe::Roi(*form).RoiValid);
        QCOMPARE(Ui(*form).Edit10->text(), QStringLiteral("2052"));
        QCOMPARE(Ui(*form).Edit11->text(), QStringLiteral("2062"));
        SendRepeat(form.get(), Qt::Key_Right, mark, flagged);
        QCOMPARE(Probe::Roi(*form).RoiHigh, 2071);
        QTest::keyRelease(form.get(), Qt::Key_Right, mark);
        QVERIFY(!Probe::Roi(*form).RoiMarking);
    }

    void typedRegion() {
        sim::Spectrum& counts = Counts();
        counts[100] = 5;
        counts[101] = 70;
        counts[102] = 90;
        counts[103] = 6;
        Enter(Ui(*form).Edit3, "256"); // zoomed in, so the columns are wide apart
        Ui(*form).Edit10->setText("100");
        Ui(*form).Edit11->setText("103");
        Ui(*form).Button2->click();
        QVERIFY(Probe::Roi(*form).RoiValid);
        QCOMPARE(Ui(*form).Edit12->text(), QStringLiteral("171"));
        QCOMPARE(Ui(*form).Edit13->text(), QStringLiteral("16")); // Trunc(11 * 3 / 2)
        QCOMPARE(Ui(*form).Edit14->text(), QStringLiteral("155"));
        // Shaded on the shown picture only, between the background line and the counts.
        const QImage& shown = Ui(*form).Image3->Picture();
        const int x = 178; // channel 101 of 0..256
        QCOMPARE(QColor(shown.pixel(x, 200)), Yellow);
        QVERIFY(!HasColour(Probe::PlotBitmap(*form), Yellow));

        // Equal ends: accepted, the sums are left as they were.
        Ui(*form).Edit11->setText("100");
        Ui(*form).Button2->click();
        QVERIFY(Probe::Roi(*form).RoiValid);
        QCOMPARE(Ui(*form).Edit12->text(), QStringLiteral("171"));

        // A Clear keeps the region and zeroes its sums.
        Ui(*form).Edit11->setText("103");
        Ui(*form).Button2->click();
        Ui(*form).BitBtn1->click();
        QVERIFY(Probe::Roi(*form).RoiValid);
        QCOMPARE(Ui(*form).Edit12->text(), QStringLiteral("0"));
        QCOMPARE(Ui(*form).Edit13->text(), QStringLiteral("0"));

        // Blanks around an end are dropped, as in every numeric field.
        Ui(*form).Edit10->setText("  100 ");
        Ui(*form).Button2->click();
        QVERIFY(Probe::Roi(*form).RoiValid);

        // Not a channel of the spectrum, or an upper end below the lower end: that end's
        // field is selected and focused, and the region is switched off.
        struct Refused {
            const char *low, *high;
            QLineEdit* field;
        };
        const Refused refused[] = {{"-5", "5", Ui(*form).Edit10},
                                   {"600", "5000", Ui(*form).Edit11},
                                   {"200", "100", Ui(*form).Edit11}};
        for (const Refused& r : refused) {
            Ui(*form).Edit10->setText(r.low);
            Ui(*form).Edit11->setText(r.high);
            Ui(*form).Button2->click();
            QVERIFY(!Probe::Roi(*form).RoiValid);
            QTRY_COMPARE(QApplication::focusWidget(), r.field);
            QCOMPARE(r.field->selectedText(), r.field->text());
        }
    }

    // Leaving a region end, or Enter in it, refuses an end outside the spectrum's
    // channels like any invalid entry: selected, focused, nothing stored.
    void regionEndOutsideTheChannels() {
        Probe::BindFields(*form);
        // An end that marking took beyond the channels, as the window wrote it, lets the
        // focus go.
        QVERIFY(windowtest::Focus(Ui(*form).Edit10));
        Ui(*form).Edit10->setText("-1");
        QVERIFY(windowtest::Focus(Ui(*form).Edit11));
        QTest::qWait(50); // a refusal would have taken the focus back by now
        QVERIFY(!Ui(*form).Edit10->hasFocus());

        for (QLineEdit* edit : {Ui(*form).Edit10, Ui(*form).Edit11}) {
            for (const char* bad : {"-1", "4096", "x"}) {
                QVERIFY(windowtest::Focus(edit));
                Enter(edit, bad);
                QVERIFY2(edit->hasFocus(), bad);
                QCOMPARE(edit->selectedText(), QString(bad));
            }
        }
        QCOMPARE(Probe::Roi(*form).RoiLow, 0);
        QCOMPARE(Probe::Roi(*form).RoiHigh, 0);
        Enter(Ui(*form).Edit11, "4095");
        QCOMPARE(Probe::Roi(*form).RoiHigh, 4095);
    }

    // The sums are shown in full, 64-bit (their arithmetic: the model's tests).
    void largeSums() {
        sim::Spectrum& counts = Counts();
        for (int i = 10; i <= 13; ++i)
            counts[i] = 1 << 30;
        Ui(*form).Edit10->setText("10");
        Ui(*form).Edit11->setText("13");
        Ui(*form).Button2->click();
        QCOMPARE(Ui(*form).Edit12->text(), QStringLiteral("4294967296"));
        QCOMPARE(Ui(*form).Edit13->text(), QStringLiteral("3221225472"));
        QCOMPARE(Ui(*form).Edit14->text(), QStringLiteral("1073741824"));
    }
};

QTEST_MAIN(TestDetektor)
#include "test_detektor.moc"
