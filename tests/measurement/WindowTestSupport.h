#pragma once
// What the tests of the detector window and of the bench window share: the simulation
// set up with a clock that moves only when told and counts the ticks, the little of the
// detector window's state that only its fields hold, and small helpers to read pixels
// and to type into entry fields.

#include "measurement/Detektor.h"
#include "platform/Clock.h"

#include <QColor>
#include <QImage>
#include <QLineEdit>
#include <QtTest>

#include <functional>

// The detector window's fields that no control shows.
class TForm2Probe {
public:
    // To plant counts or a geometry that the controls cannot set.
    static model::Measurement& Model(TForm2& f) { return f.Model; }
    static std::int32_t ElapsedTicks(const TForm2& f) { return f.ElapsedTicks; }
    static std::int32_t PresetSeconds(const TForm2& f) { return f.PresetSeconds; }
    static const QImage& PlotBitmap(const TForm2& f) { return f.PlotBitmap; }
    static std::int32_t RoiLow(const TForm2& f) { return f.RoiLow; }
    static std::int32_t RoiHigh(const TForm2& f) { return f.RoiHigh; }
    static bool RoiValid(const TForm2& f) { return f.RoiValid; }
    static bool RoiMarking(const TForm2& f) { return f.RoiMarking; }
    static double& Magnification(TForm2& f) { return f.Magnification; }
    static QPoint ProjectionOrigin(const TForm2& f) {
        return {f.ProjectionOriginX, f.ProjectionOriginY};
    }
    // The bindings the captions make when the language file has them.
    static void BindFields(TForm2& f) { f.BindFields(); }
};

namespace windowtest {

// The generator the windows of a test draw from.
inline sim::RandomGenerator& Generator() {
    static sim::RandomGenerator rng;
    return rng;
}

// A manual clock that counts the waits for a tick's end, one per acquisition tick, and
// can act at each of them.
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

// A tick clock installed for as long as the test object lives.
class Environment {
public:
    Environment() { platform::SetClock(&clock); }
    ~Environment() { platform::SetClock(nullptr); }
    Environment(const Environment&) = delete;
    Environment& operator=(const Environment&) = delete;

    TickClock clock;
};

// The detector window has run its first-activation layout: the plot exists.
inline bool LaidOut(const TForm2& form) {
    return !form.Image3->Picture().isNull();
}

// The pixel at (x, y) exists and has the colour's red, green and blue.
inline bool IsColour(const QImage& image, int x, int y, QColor colour) {
    return image.valid(x, y) && (image.pixel(x, y) & 0xFFFFFF) == (colour.rgb() & 0xFFFFFF);
}

inline bool Focus(QWidget* widget) {
    widget->setFocus(Qt::OtherFocusReason);
    return QTest::qWaitFor([widget] { return widget->hasFocus(); });
}

// Replaces the text of an edit and presses Enter in it.
inline void Enter(QLineEdit* edit, const QString& text) {
    edit->setText(text);
    QTest::keyClick(edit, Qt::Key_Return);
}

} // namespace windowtest
