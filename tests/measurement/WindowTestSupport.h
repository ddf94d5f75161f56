#pragma once
// What the tests of the geometry tab and of the bench window share: the simulation set
// up with a clock that moves only when told, and small helpers to read pixels and to
// type into entry fields.

#include "platform/Clock.h"
#include "simulation/CrossSection.h"

#include <QColor>
#include <QImage>
#include <QLineEdit>
#include <QtTest>

namespace windowtest {

// The generator the windows of a test draw from.
inline sim::RandomGenerator& Generator() {
    static sim::RandomGenerator rng;
    return rng;
}

// The attenuation table and the sources built, and a manual clock installed for as long
// as the test object lives.
class Environment {
public:
    Environment() {
        sim::InitSimulation(Generator());
        platform::SetClock(&clock_);
    }
    ~Environment() { platform::SetClock(nullptr); }
    Environment(const Environment&) = delete;
    Environment& operator=(const Environment&) = delete;

private:
    platform::ManualClock clock_;
};

// The pixel at (x, y) exists and has the colour's red, green and blue.
inline bool IsColour(const QImage& image, int x, int y, QColor colour) {
    return image.valid(x, y) && (image.pixel(x, y) & 0xFFFFFF) == (colour.rgb() & 0xFFFFFF);
}

inline bool Focus(QWidget* widget) {
    widget->setFocus(Qt::OtherFocusReason);
    return QTest::qWaitFor([widget] { return widget->hasFocus(); });
}

// Replaces the text of an edit that has the focus and presses Enter in it.
inline void Enter(QLineEdit* edit, const QString& text) {
    edit->setText(text);
    QTest::keyClick(edit, Qt::Key_Return);
}

} // namespace windowtest
