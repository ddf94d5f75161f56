#pragma once
// What the tests of the detector window and of the bench window share: the simulation
// set up with a clock that moves only when told and counts the ticks, the windows'
// controls found by their object names, the little of the detector window's state that
// only its fields hold, and small helpers to read pixels and to type into entry fields.

#include "measurement/Detektor.h"
#include "platform/Clock.h"
#include "strings/LangStrings.h"

#include <QAction>
#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

// The detector window's fields that no control shows.
class TForm2Probe {
public:
    // To plant counts or a geometry that the controls cannot set.
    static model::Measurement& Model(TForm2& f) { return f.Session.Measurement(); }
    static std::int32_t ElapsedTicks(const TForm2& f) { return f.ElapsedTicks; }
    static std::int32_t PresetSeconds(const TForm2& f) { return f.PresetSeconds; }
    static const QImage& PlotBitmap(const TForm2& f) { return f.PlotBitmap; }
    static const model::Region& Roi(const TForm2& f) { return f.Session.Roi; }
    static double& Magnification(TForm2& f) { return f.Magnification; }
    static QPoint ProjectionOrigin(const TForm2& f) {
        return {f.ProjectionOriginX, f.ProjectionOriginY};
    }
    // The bindings the captions make when the language file has them.
    static void BindFields(TForm2& f) { f.BindFields(); }
};

namespace windowtest {

// The control named `name` of a window; a missing one ends the test at once.
template <class T> T* Find(const QObject& window, const char* name) {
    T* control = window.findChild<T*>(QLatin1String(name));
    if (control == nullptr) qFatal("no control %s", name);
    return control;
}

// Every control of the two windows by name and type.
// clang-format off
#define PELZAMO_DETECTOR_CONTROLS(X) \
    X(QTabWidget, PageControl1) X(QWidget, TabSpektrum) X(QWidget, Geometria) \
    X(QFrame, Panel5) X(QLineEdit, Edit1) X(toolkit::TUpDown, UpDown1) \
    X(QCheckBox, CheckBox1) X(QFrame, Panel1) X(toolkit::TImage, Image1) \
    X(toolkit::TImage, Image3) X(toolkit::TShape, Shape1) X(toolkit::TUpDown, UpDown3) \
    X(QLineEdit, Edit2) X(QLineEdit, Edit3) X(toolkit::TUpDown, UpDown2) \
    X(QFrame, Panel6) X(QLineEdit, Preset) X(QLabel, Label20) X(QCheckBox, CheckBox2) \
    X(QLineEdit, CurTim) X(QLabel, Label21) X(QPushButton, Button1) \
    X(QPushButton, BitBtn1) X(QFrame, Panel3) X(QLabel, Label13) X(QLabel, Label14) \
    X(QLineEdit, Edit10) X(QLabel, Label15) X(QLineEdit, Edit11) X(QPushButton, Button2) \
    X(QLabel, Label16) X(QLineEdit, Edit12) X(QLabel, Label17) X(QLineEdit, Edit13) \
    X(QLabel, Label18) X(QLineEdit, Edit14) X(QFrame, Panel4) X(QLabel, Label12) \
    X(QLabel, Label9) X(QLabel, Label11) X(QLabel, Label10) X(QTimer, Timer1) \
    X(QTimer, Timer2) X(toolkit::TImage, Image2) X(QLabel, Label5) X(QLabel, Label1) \
    X(QComboBox, ComboBox1) X(QLabel, Label2) X(QComboBox, ComboBox2) X(QLabel, Label4) \
    X(QLabel, Label6) X(QLineEdit, Edit7) X(toolkit::TUpDown, UpDown4) X(QLabel, Label7) \
    X(QLineEdit, Edit8) X(toolkit::TUpDown, UpDown5) X(QLabel, Label8) \
    X(QLineEdit, Edit9) X(toolkit::TUpDown, UpDown6) X(QLabel, Label19) \
    X(QLineEdit, Edit15) X(QLabel, Label3) X(QLineEdit, Edit6) X(QScrollBar, ScrollBar1) \
    X(QScrollBar, ScrollBar2)
#define PELZAMO_BENCH_CONTROLS(X) \
    X(QWidget, Client) X(QFrame, Bevel1) X(QFrame, Panel1) X(toolkit::TImage, Image1) \
    X(toolkit::TShape, Shape2) X(QLabel, Label2) X(toolkit::TShape, Shape4) \
    X(toolkit::TShape, Shape9) X(QFrame, Panel2) X(QLabel, Label1) X(QLabel, Label7) \
    X(QScrollBar, ScrollBar2) X(QLabel, Label3) X(QLineEdit, Edit1) X(QTimer, Timer1) \
    X(QMenu, Sg1) X(QAction, Feladatok1) X(QAction, Aprogramhasznlata1) \
    X(QAction, Nvjegy1) X(QAction, Kilps1)
// clang-format on

#define PELZAMO_DECLARE(type, name) type* name = nullptr;
#define PELZAMO_FIND(type, name) c.name = Find<type>(window, #name);
struct DetectorControls {
    PELZAMO_DETECTOR_CONTROLS(PELZAMO_DECLARE)
};
struct BenchControls {
    PELZAMO_BENCH_CONTROLS(PELZAMO_DECLARE)
};
inline DetectorControls Ui(const TForm2& window) {
    DetectorControls c;
    PELZAMO_DETECTOR_CONTROLS(PELZAMO_FIND)
    return c;
}
// For the bench window TForm1, whose header the detector window's tests cannot see.
inline BenchControls Ui(const QMainWindow& window) {
    BenchControls c;
    PELZAMO_BENCH_CONTROLS(PELZAMO_FIND)
    return c;
}
#undef PELZAMO_DECLARE
#undef PELZAMO_FIND

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

// The clock that the sessions of a test time their ticks by.
inline TickClock& Clock() {
    static TickClock clock;
    return clock;
}

// A detector window over a session and a string catalogue of its own, which the
// pointer's deleter keeps.
struct WithSession {
    std::unique_ptr<model::Session> session;
    std::unique_ptr<strings::Catalogue> catalogue;
    void operator()(TForm2* form) const { delete form; }
};
using Detector = std::unique_ptr<TForm2, WithSession>;
inline Detector NewDetector() {
    auto session = std::make_unique<model::Session>(Generator(), Clock());
    auto catalogue = std::make_unique<strings::Catalogue>();
    auto* form = new TForm2(*session, *catalogue);
    return Detector(form, WithSession{std::move(session), std::move(catalogue)});
}

// The tick clock of the windows under test.
class Environment {
public:
    Environment() = default;
    Environment(const Environment&) = delete;
    Environment& operator=(const Environment&) = delete;

    TickClock& clock = Clock();
};

// The detector window has run its first-activation layout: the plot exists.
inline bool LaidOut(const TForm2& form) {
    return !Ui(form).Image3->Picture().isNull();
}

// The pixel at (x, y) exists and has the colour's red, green and blue.
inline bool IsColour(const QImage& image, int x, int y, QColor colour) {
    return image.valid(x, y) && (image.pixel(x, y) & 0xFFFFFF) == (colour.rgb() & 0xFFFFFF);
}

inline bool Focus(QWidget* widget) {
    widget->setFocus(Qt::OtherFocusReason);
    return QTest::qWaitFor([widget] { return widget->hasFocus(); });
}

// Replaces the text of an edit, as typing does, and presses Enter in it.
inline void Enter(QLineEdit* edit, const QString& text) {
    edit->setText(text);
    edit->setModified(true);
    QTest::keyClick(edit, Qt::Key_Return);
}

} // namespace windowtest
