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

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>
#include <numeric>

// Reads and sets the window's private state for the checks.
class TForm2Probe {
public:
    explicit TForm2Probe(TForm2& form) : f(form) {}

    bool FirstActivation() const { return f.FirstActivation; }
    bool CaptionsLoaded() const { return f.CaptionsLoaded; }
    std::int32_t ElapsedTicks() const { return f.ElapsedTicks; }
    std::int32_t PresetSeconds() const { return f.PresetSeconds; }
    sim::Spectrum& Spectrum() { return f.Model.Spectrum; }
    sim::DetectorGeometry& Detector() { return f.Model.Geometry; }
    sim::Calibration Calibration() const { return f.Model.Calibration; }
    const QImage& PlotBitmap() const { return f.PlotBitmap; }
    std::int32_t ShownMin() const { return f.ShownMinChannel; }
    std::int32_t ShownMax() const { return f.ShownMaxChannel; }
    std::int32_t FullScale() const { return f.ShownFullScale; }
    std::int32_t RoiLow() const { return f.RoiLow; }
    std::int32_t RoiHigh() const { return f.RoiHigh; }
    bool RoiValid() const { return f.RoiValid; }
    bool RoiMarking() const { return f.RoiMarking; }
    std::int64_t RoiGross() const { return f.RoiGross; }
    void Rescale() { f.Rescale(); }
    // A full redraw of the current counts (as after a change of scale).
    void Redraw() {
        f.ShownFullScale = 0;
        f.Rescale();
    }

private:
    TForm2& f;
};

namespace {

// A manual clock that reports every wait for a tick's end, so that a test can act
// between ticks.
class TickClock : public platform::ManualClock {
public:
    int waits = 0;
    std::function<void(int)> atWait;
    void WaitUntilAfter(double t) override {
        ManualClock::WaitUntilAfter(t);
        ++waits;
        if (atWait) atWait(waits);
    }
};

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
        sim::RunHistory(geometry, calibration, spectrum, tally, hooks, rng);
    }
    return spectrum;
}

// Runs a queued action inside the loop's next processing of pending events.
void Between(QObject* context, std::function<void()> action) {
    QMetaObject::invokeMethod(context, std::move(action), Qt::QueuedConnection);
}

// Types a value into an entry field and confirms it with Enter.
void Enter(QLineEdit* edit, const QString& text) {
    edit->setText(text);
    QTest::keyClick(edit, Qt::Key_Return);
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

void UseLanguage(const QString& folder) {
    strings::LanguageDir = folder.toStdString();
    strings::CloseLanguageIni();
}

} // namespace

class TestDetektor : public QObject {
    Q_OBJECT

    QTemporaryDir packs;
    sim::RandomGenerator rng; // the program's generator, as the window draws from it
    std::unique_ptr<TForm2> form;
    std::unique_ptr<TForm2Probe> probe;
    TickClock clock;
    double builtInActivity = 0;

    // A fresh window after its first-activation layout; `decaysPerTick` small keeps the
    // runs quick.
    void OpenWindow() {
        form = std::make_unique<TForm2>(rng);
        probe = std::make_unique<TForm2Probe>(*form);
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QTRY_VERIFY(!probe->FirstActivation());
    }

    void SetDecaysPerTick(double activity) { sim::Sources[1].activity = activity; }

private slots:
    void initTestCase() {
        WritePack(packs.path() + QStringLiteral("/English"), true);
        WritePack(packs.path() + QStringLiteral("/Broken"), false);
        UseLanguage(packs.path() + QStringLiteral("/English"));
        sim::InitSimulation(rng);
        rng.SetSeed(20070101);
        builtInActivity = sim::Sources[1].activity;
    }

    void init() {
        clock = {};
        clock.waits = 0;
        clock.atWait = nullptr;
        platform::SetClock(&clock);
        SetDecaysPerTick(49); // 50 decays a tick
        OpenWindow();
    }

    void cleanup() {
        Running = false;
        probe.reset();
        form.reset();
        platform::SetClock(nullptr);
        SetDecaysPerTick(builtInActivity);
    }

    void layoutAtFirstActivation() {
        QCOMPARE(form->size(), QSize(654, 403));
        QVERIFY(form->windowFlags() & Qt::CustomizeWindowHint);
        QVERIFY(!(form->windowFlags() & Qt::WindowCloseButtonHint));
        QCOMPARE(form->windowTitle(), QStringLiteral("Detector"));
        QCOMPARE(form->CheckBox2->text(), QStringLiteral("Stop at preset"));
        QCOMPARE(form->CheckBox1->text(), QStringLiteral("None")); // missing in the pack
        QVERIFY(!form->PageControl1->isTabVisible(1));
        QCOMPARE(form->PageControl1->tabPosition(), QTabWidget::South);

        QCOMPARE(form->Image1->geometry(), QRect(1, 1, 530, 330));
        QCOMPARE(form->Image3->geometry(), QRect(57, 22, 453, 290));
        QCOMPARE(form->Shape1->parentWidget(), form->Panel1);
        QCOMPARE(form->Shape1->geometry(), QRect(283, 22, 1, 290));
        QCOMPARE(probe->PlotBitmap().size(), QSize(451, 289));
        QCOMPARE(form->Image3->Picture().size(), QSize(451, 289));

        QCOMPARE(probe->ShownMin(), 0);
        QCOMPARE(probe->ShownMax(), 4096);
        QCOMPARE(probe->FullScale(), 100);
        QCOMPARE(form->Edit1->text(), QStringLiteral("       100"));
        QCOMPARE(form->Edit2->text(), QStringLiteral("    0 "));
        QCOMPARE(form->Edit3->text(), QStringLiteral(" 4096 "));
        // The axes: horizontal on row 310, vertical on column 55 of Image1.
        const QImage& axes = form->Image1->Picture();
        QCOMPARE(QColor(axes.pixel(300, 310)), White);
        QCOMPARE(QColor(axes.pixel(55, 200)), White);
        QCOMPARE(QColor(axes.pixel(300, 200)), QColor(Qt::black));
    }

    void captionsRetryUntilTheCaptionExists() {
        cleanup();
        UseLanguage(packs.path() + QStringLiteral("/Broken"));
        OpenWindow();
        QCOMPARE(form->windowTitle(), QStringLiteral("None"));
        QCOMPARE(form->Label20->text(), QStringLiteral("Időzítés (s)"));
        QVERIFY(!probe->CaptionsLoaded());

        UseLanguage(packs.path() + QStringLiteral("/English"));
        QWidget other;
        other.show();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QVERIFY(probe->CaptionsLoaded());
        QCOMPARE(form->windowTitle(), QStringLiteral("Detector"));
        QCOMPARE(form->Label20->text(), QStringLiteral("Preset (s)"));
    }

    void defaultRunIsOneHundredTicks() {
        SetDecaysPerTick(builtInActivity); // 20001 decays a tick
        QStringList shown;
        connect(form->CurTim, &QLineEdit::textChanged, form.get(),
                [&](const QString& text) { shown << text; });
        const std::uint32_t seed = 4711;
        rng.SetSeed(seed);
        form->Button1->click();

        QCOMPARE(clock.waits, 100);
        QCOMPARE(probe->ElapsedTicks(), 100);
        QCOMPARE(shown, QStringList({"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}));
        QVERIFY(!Running);
        QCOMPARE(form->Button1->text(), QStringLiteral("Start"));
        QVERIFY(form->Preset->isEnabled() && form->CheckBox2->isEnabled());
        QVERIFY(form->Shape1->isVisible() && form->Panel3->isVisible());

        // Exactly 100 x 20001 decays, in order: the same counts and the same generator state
        // as plain decays from the same seed.
        const sim::Spectrum counted = probe->Spectrum();
        sim::RandomGenerator reference;
        const sim::Spectrum expected =
            ReferenceSpectrum(reference, seed, 0, 2000100, probe->Detector(), probe->Calibration());
        QCOMPARE(rng.Seed(), reference.Seed());
        QVERIFY(counted == expected);
        QVERIFY2(std::accumulate(counted.begin(), counted.end(), std::int64_t{0}) > 10000,
                 "a default run counts many events");

        // At the preset already: the next Start stops at once.
        form->Button1->click();
        QCOMPARE(clock.waits, 100);
        QCOMPARE(form->Button1->text(), QStringLiteral("Start"));

        // After Clear it runs its 100 ticks again.
        SetDecaysPerTick(9);
        form->BitBtn1->click();
        form->Button1->click();
        QCOMPARE(clock.waits, 200);
        QCOMPARE(probe->ElapsedTicks(), 100);
    }

    void clearAndStopBetweenTicks() {
        QStringList shown;
        connect(form->CurTim, &QLineEdit::textChanged, form.get(),
                [&](const QString& text) { shown << text; });
        bool hiddenWhileRunning = false;
        clock.atWait = [&](int tick) {
            if (tick == 25) Between(form.get(), [&] { form->BitBtn1->click(); });
            if (tick == 40) hiddenWhileRunning = !form->Shape1->isVisible();
            if (tick == 60) Between(form.get(), [&] { form->Button1->click(); });
        };
        const std::uint32_t seed = 99;
        rng.SetSeed(seed);
        form->Button1->click();

        QCOMPARE(clock.waits, 60);
        QCOMPARE(probe->ElapsedTicks(), 35);
        QCOMPARE(shown, QStringList({"1", "2", "0", "1", "2", "3"}));
        QVERIFY(hiddenWhileRunning);
        QVERIFY(form->Shape1->isVisible() && form->Panel4->isVisible());
        // The spectrum holds the 35 ticks after the Clear only.
        const sim::Spectrum counted = probe->Spectrum();
        QVERIFY(counted == ReferenceSpectrum(rng, seed, 25 * 50, 35 * 50, probe->Detector(),
                                             probe->Calibration()));
    }

    void presetEdgeCases() {
        // Preset 0 stops at once.
        Enter(form->Preset, "0");
        form->Button1->click();
        QCOMPARE(clock.waits, 0);
        QVERIFY(!Running);

        // Blanks around the number are dropped.
        Enter(form->Preset, " 20 ");
        form->Button1->click();
        QCOMPARE(probe->ElapsedTicks(), 200);
        QCOMPARE(form->CurTim->text(), QStringLiteral("20"));

        // Not an integer: refused, the previous preset stays.
        for (const char* bad : {"2x", "1.5", ""}) {
            form->Preset->setFocus();
            Enter(form->Preset, bad);
            QCOMPARE(probe->PresetSeconds(), 20);
            QCOMPARE(form->Preset->selectedText(), QString(bad));
            QCOMPARE(QApplication::focusWidget(), form->Preset);
        }

        // The largest preset does not wrap into an immediate stop.
        form->BitBtn1->click();
        Enter(form->Preset, "2147483647");
        clock.waits = 0;
        clock.atWait = [&](int tick) {
            if (tick == 3) Between(form.get(), [&] { form->Button1->click(); });
        };
        form->Button1->click();
        QCOMPARE(probe->ElapsedTicks(), 3);
    }

    void unparsablePresetOnAFreshWindowStopsAtOnce() {
        form->Preset->setText("2x"); // never read successfully: PresetSeconds is 0
        form->Button1->click();
        QCOMPARE(clock.waits, 0);
        QVERIFY(!Running);
        QTRY_COMPARE(QApplication::focusWidget(), form->Preset);
        QCOMPARE(form->Preset->selectedText(), QStringLiteral("2x"));
    }

    // An unparsable preset at Start is refused, the run goes on with the previous preset,
    // and the field takes the focus with its text selected once Stop enables it again.
    void refusedPresetIsFocusedAfterTheRun() {
        Enter(form->Preset, "3");
        form->Preset->setText("2x");
        QVERIFY(windowtest::Focus(form->Button1));
        form->Button1->click();
        QCOMPARE(probe->ElapsedTicks(), 30);
        QTRY_COMPARE(QApplication::focusWidget(), form->Preset);
        QCOMPARE(form->Preset->selectedText(), QStringLiteral("2x"));
    }

    void automaticStopSwitchedOff() {
        // Off before the run: the preset is locked and the run goes on until Stop.
        QTest::mouseClick(form->CheckBox2, Qt::LeftButton);
        QVERIFY(!form->Preset->isEnabled());
        clock.atWait = [&](int tick) {
            if (tick == 150) Between(form.get(), [&] { form->Button1->click(); });
        };
        form->Button1->click();
        QCOMPARE(probe->ElapsedTicks(), 150);
        QCOMPARE(form->CurTim->text(), QStringLiteral("15"));
        QVERIFY(form->Preset->isEnabled() && form->CheckBox2->isEnabled());

        // Switched off during a run: the box locks until Stop, and the preset no longer
        // stops the run.
        QTest::mouseClick(form->CheckBox2, Qt::LeftButton);
        QVERIFY(form->CheckBox2->isChecked());
        form->BitBtn1->click();
        clock.waits = 0;
        bool lockedWhileRunning = false;
        clock.atWait = [&](int tick) {
            if (tick == 5)
                Between(form.get(), [&] { QTest::mouseClick(form->CheckBox2, Qt::LeftButton); });
            if (tick == 20)
                lockedWhileRunning = !form->CheckBox2->isEnabled() && !form->Preset->isEnabled();
            if (tick == 120) Between(form.get(), [&] { form->Button1->click(); });
        };
        form->Button1->click();
        QVERIFY(lockedWhileRunning);
        QCOMPARE(probe->ElapsedTicks(), 120);
        QVERIFY(!form->CheckBox2->isChecked());
        QVERIFY(form->Preset->isEnabled() && form->CheckBox2->isEnabled());
    }

    void sourceInsideDetectorStopsOnce() {
        probe->Detector() = {0, 0, 2, 3, 3, sim::ComputeBoundingRadius({0, 0, 2, 3, 3, 0})};
        QStringList boxes;
        QTimer answer;
        connect(&answer, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                boxes << box->windowTitle() + QStringLiteral(": ") + box->text();
                box->accept();
            }
        });
        answer.start(5);
        form->Button1->click();
        answer.stop();

        QCOMPARE(boxes, QStringList({"Error: Source inside the detector"}));
        QVERIFY(!Running);
        QCOMPARE(clock.waits, 0);
        QCOMPARE(form->Button1->text(), QStringLiteral("Start"));
        for (std::int32_t count : probe->Spectrum())
            QCOMPARE(count, 0);
    }

    void automaticFullScaleRungs() {
        const std::pair<std::int32_t, std::int32_t> rungs[] = {
            {0, 100},
            {99, 100},
            {100, 200},
            {199, 200},
            {200, 500},
            {499, 500},
            {500, 1000},
            {999, 1000},
            {1000, 2000},
            {4999, 5000},
            {5000, 10000},
            {123456789, 200000000},
            {1999999999, 2000000000},
            {2000000000, 2147483647}, // the largest 32-bit count
        };
        for (const auto& [largest, fullScale] : rungs) {
            probe->Spectrum().fill(0);
            probe->Spectrum()[2000] = largest;
            probe->Rescale();
            QCOMPARE(probe->FullScale(), fullScale);
        }
        // Only the requested range counts.
        Enter(form->Edit3, "1024");
        probe->Spectrum()[2000] = 5000;
        probe->Spectrum()[500] = 150;
        probe->Rescale();
        QCOMPARE(probe->FullScale(), 200);
    }

    void fullScaleLadder() {
        const auto stepFrom = [&](const char* start, platform::UpDownButton button) {
            Enter(form->Edit1, start);
            form->UpDown1->Click(button);
            return probe->FullScale();
        };
        using platform::UpDownButton;
        QCOMPARE(stepFrom("900", UpDownButton::Up), 1000);
        QCOMPARE(stepFrom("900", UpDownButton::Down), 200);
        QCOMPARE(stepFrom("300", UpDownButton::Up), 400);
        QCOMPARE(stepFrom("300", UpDownButton::Down), 200);
        QCOMPARE(stepFrom("150", UpDownButton::Up), 200);
        QCOMPARE(stepFrom("150", UpDownButton::Down), 100);
        QCOMPARE(stepFrom("1234", UpDownButton::Up), 2000);
        QCOMPARE(stepFrom("1234", UpDownButton::Down), 500);
        QCOMPARE(stepFrom("2000000000", UpDownButton::Up), 50000000);

        form->CheckBox1->setChecked(true);
        Enter(form->Edit1, "100");
        form->CheckBox1->setChecked(true);
        form->UpDown1->Click(UpDownButton::Down);
        QCOMPARE(probe->FullScale(), 100);
        QVERIFY(!form->CheckBox1->isChecked());

        QList<std::int32_t> ladder;
        for (int i = 0; i < 20; ++i) {
            form->UpDown1->Click(UpDownButton::Up);
            ladder << probe->FullScale();
        }
        QCOMPARE(ladder.mid(0, 6), QList<std::int32_t>({200, 500, 1000, 2000, 5000, 10000}));
        QCOMPARE(ladder.mid(17), QList<std::int32_t>({50000000, 50000000, 50000000}));
        QCOMPARE(form->Edit1->text(), QStringLiteral("  50000000"));
    }

    void fullScaleEntry() {
        form->Edit1->setFocus();
        for (const char* bad : {"abc", "0", "-5"}) { // below 1 cannot be drawn: refused
            Enter(form->Edit1, bad);
            QCOMPARE(form->Edit1->selectedText(), QString(bad));
            QCOMPARE(QApplication::focusWidget(), form->Edit1);
            QCOMPARE(probe->FullScale(), 100);
            QVERIFY(form->CheckBox1->isChecked());
        }
        Enter(form->Edit1, " 250 ");
        QCOMPARE(probe->FullScale(), 250);
        QVERIFY(!form->CheckBox1->isChecked());
        QCOMPARE(form->Edit1->text(), QStringLiteral("       250"));
    }

    void channelRangeClamps() {
        using platform::UpDownButton;
        Enter(form->Edit3, "100"); // at least 256 channels wide
        QCOMPARE(probe->ShownMax(), 256);
        form->UpDown2->Click(UpDownButton::Down);
        QCOMPARE(probe->ShownMax(), 256);
        QCOMPARE(form->Edit3->text(), QStringLiteral("  256 "));
        form->UpDown2->Click(UpDownButton::Up);
        QCOMPARE(probe->ShownMax(), 512);
        Enter(form->Edit3, "9999");
        QCOMPARE(probe->ShownMax(), 4096);

        Enter(form->Edit2, "-5");
        QCOMPARE(probe->ShownMin(), 0);
        Enter(form->Edit2, "4000");
        QCOMPARE(probe->ShownMin(), 3840);
        form->UpDown3->Click(UpDownButton::Up);
        QCOMPARE(probe->ShownMin(), 3840);
        form->UpDown3->Click(UpDownButton::Down);
        QCOMPARE(probe->ShownMin(), 3584);
        QCOMPARE(form->Edit2->text(), QStringLiteral(" 3584 "));
        form->UpDown3->Click(UpDownButton::Down);
        Enter(form->Edit2, "x");
        QCOMPARE(probe->ShownMin(), 3328);
    }

    void dotsOfThePlot() {
        sim::Spectrum& counts = probe->Spectrum();
        counts[2048] = 50;  // column 226, row 289 - 145
        counts[5] = 50;     // column 0: never drawn
        counts[4090] = 50;  // right of the bitmap
        counts[3000] = 100; // at the full scale: above the top
        form->CheckBox1->setChecked(false);
        probe->Redraw();
        const QImage& plot = probe->PlotBitmap();
        QCOMPARE(QColor(plot.pixel(226, 144)), White);
        QCOMPARE(QColor(plot.pixel(0, 144)), QColor(Qt::black));
        int dots = 0;
        for (int y = 0; y < plot.height(); ++y)
            for (int x = 0; x < plot.width(); ++x)
                dots += plot.pixel(x, y) == White.rgb();
        QCOMPARE(dots, 1);
    }

    void cursorTravel() {
        QLabel* x = form->Label9;
        for (int i = 0; i < 300; ++i)
            QTest::keyClick(form.get(), Qt::Key_Left, Qt::AltModifier);
        QCOMPARE(form->Shape1->x(), 56);
        QCOMPARE(x->text(), QStringLiteral("X=0   "));
        for (int i = 0; i < 500; ++i)
            QTest::keyClick(form.get(), Qt::Key_Right, Qt::AltModifier);
        QCOMPARE(form->Shape1->x(), 509);
        QCOMPARE(x->text(), QStringLiteral("X=4096   "));

        // Without Alt, or with Ctrl alone, the arrows reach the focused edit unchanged.
        form->Edit10->setText("12 34");
        form->Edit10->setFocus();
        form->Edit10->end(false);
        QTest::keyClick(form->Edit10, Qt::Key_Left);
        QCOMPARE(form->Edit10->cursorPosition(), 4);
        QTest::keyClick(form->Edit10, Qt::Key_Left, Qt::ControlModifier);
        QCOMPARE(form->Edit10->cursorPosition(), 3); // one word back
        QCOMPARE(form->Shape1->x(), 509);
        probe->Spectrum()[4096] = 7; // never drawn, but read by the cursor
        // With Alt the window takes the keys before the focused edit sees them.
        QTest::keyClick(form->Edit10, Qt::Key_Left, Qt::AltModifier);
        QCOMPARE(form->Shape1->x(), 508);
        QTest::keyClick(form->Edit10, Qt::Key_Right, Qt::AltModifier);
        QCOMPARE(form->Label10->text(), QStringLiteral("Y=7   "));
        QCOMPARE(form->Edit10->cursorPosition(), 3);
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
        QCOMPARE(probe->RoiLow(), 2052);
        QVERIFY(!probe->RoiValid());
        QVERIFY(!probe->RoiMarking());
        QTest::keyClick(form.get(), Qt::Key_Left, Qt::AltModifier);

        // Held down: the repeats extend the region.
        QCOMPARE(form->Shape1->x(), 283);
        QTest::keyPress(form.get(), Qt::Key_Right, mark);
        QCOMPARE(probe->RoiLow(), 2052);
        QCOMPARE(form->Shape1->x(), 284);
        SendRepeat(form.get(), Qt::Key_Right, mark, flagged);
        QCOMPARE(probe->RoiHigh(), 2062);
        QVERIFY(probe->RoiValid());
        QCOMPARE(form->Edit10->text(), QStringLiteral("2052"));
        QCOMPARE(form->Edit11->text(), QStringLiteral("2062"));
        SendRepeat(form.get(), Qt::Key_Right, mark, flagged);
        QCOMPARE(probe->RoiHigh(), 2071);
        QTest::keyRelease(form.get(), Qt::Key_Right, mark);
        QVERIFY(!probe->RoiMarking());
    }

    void typedRegion() {
        sim::Spectrum& counts = probe->Spectrum();
        counts[100] = 5;
        counts[101] = 70;
        counts[102] = 90;
        counts[103] = 6;
        Enter(form->Edit3, "256"); // zoomed in, so the columns are wide apart
        form->Edit10->setText("100");
        form->Edit11->setText("103");
        form->Button2->click();
        QVERIFY(probe->RoiValid());
        QCOMPARE(form->Edit12->text(), QStringLiteral("171"));
        QCOMPARE(form->Edit13->text(), QStringLiteral("16")); // Trunc(11 * 3 / 2)
        QCOMPARE(form->Edit14->text(), QStringLiteral("155"));
        // Shaded on the shown picture only, between the background line and the counts.
        const QImage& shown = form->Image3->Picture();
        const int x = int(101 * 453.0 / 256); // 178
        QCOMPARE(QColor(shown.pixel(x, 200)), Yellow);
        QVERIFY(!HasColour(probe->PlotBitmap(), Yellow));

        // Equal ends: accepted, the sums are left as they were.
        form->Edit11->setText("100");
        form->Button2->click();
        QVERIFY(probe->RoiValid());
        QCOMPARE(form->Edit12->text(), QStringLiteral("171"));

        // A Clear keeps the region and zeroes its sums.
        form->Edit11->setText("103");
        form->Button2->click();
        form->BitBtn1->click();
        QVERIFY(probe->RoiValid());
        QCOMPARE(form->Edit12->text(), QStringLiteral("0"));
        QCOMPARE(form->Edit13->text(), QStringLiteral("0"));

        // Leading blanks are skipped, trailing ones are not.
        form->Edit10->setText("  100");
        form->Button2->click();
        QVERIFY(probe->RoiValid());
        form->Edit10->setText("100 ");
        form->Button2->click();
        QVERIFY(!probe->RoiValid());
        QTRY_COMPARE(QApplication::focusWidget(), form->Edit10);

        // Upper end below the lower end: refused, region off.
        form->Edit10->setText("200");
        form->Edit11->setText("100");
        form->Button2->click();
        QVERIFY(!probe->RoiValid());
        QTRY_COMPARE(QApplication::focusWidget(), form->Edit11);
        QCOMPARE(form->Edit11->selectedText(), QStringLiteral("100"));
    }

    // Region ends outside channels 0..4096 read as empty channels.
    void regionEndsOutsideTheSpectrum() {
        sim::Spectrum& counts = probe->Spectrum();
        for (int i = 0; i <= 3; ++i)
            counts[i] = 10;
        counts[4096] = 4;
        const auto accept = [&](const char* low, const char* high) {
            form->Edit10->setText(low);
            form->Edit11->setText(high);
            form->Button2->click();
            return std::make_pair(form->Edit12->text(), form->Edit13->text());
        };
        QCOMPARE(accept("-5", "3"), std::make_pair(QString("40"), QString("40"))); // (0+10)*8/2
        QCOMPARE(accept("4090", "5000"), std::make_pair(QString("4"), QString("0")));
        QCOMPARE(accept("-2147483648", "2147483647").first, QString("44"));

        // Marking left over a zoomed range reaches channel -1.
        Enter(form->Edit3, "256");
        while (form->Shape1->x() > 59)
            QTest::keyClick(form.get(), Qt::Key_Left, Qt::AltModifier);
        const auto mark = Qt::AltModifier | Qt::ControlModifier;
        QTest::keyPress(form.get(), Qt::Key_Left, mark);
        for (int i = 0; i < 3; ++i)
            SendRepeat(form.get(), Qt::Key_Left, mark);
        QTest::keyRelease(form.get(), Qt::Key_Left, mark);
        QCOMPARE(form->Shape1->x(), 56);
        QCOMPARE(probe->RoiLow(), -1);
        QCOMPARE(probe->RoiHigh(), 1);
        QCOMPARE(form->Edit10->text(), QStringLiteral("-1"));
        QCOMPARE(form->Edit12->text(), QStringLiteral("20"));
    }

    void regionSumsDoNotOverflow() {
        for (int i = 10; i <= 13; ++i)
            probe->Spectrum()[i] = 1 << 30;
        form->Edit10->setText("10");
        form->Edit11->setText("13");
        form->Button2->click();
        QCOMPARE(probe->RoiGross(), std::int64_t{1} << 32);
        QCOMPARE(form->Edit12->text(), QStringLiteral("4294967296"));
        QCOMPARE(form->Edit13->text(), QStringLiteral("3221225472"));
    }
};

QTEST_MAIN(TestDetektor)
#include "test_detektor.moc"
