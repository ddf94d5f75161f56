// The geometry tab of the detector window: the oblique projection, the geometry fields
// and their bindings, the drawing on Image2 and the detector shape on a bench.

#include "measurement/Projection.h"

#include "WindowTestSupport.h"

using windowtest::Ui;

#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <numeric>

using measurement::ProjectPoint;

namespace {

using Probe = TForm2Probe;
using windowtest::Enter;
using windowtest::Focus;
using windowtest::IsColour;

// A black pixel within one pixel of (x, y): drawn lines may sit one pixel aside.
bool BlackNear(const QImage& image, int x, int y) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (IsColour(image, x + dx, y + dy, Qt::black)) return true;
    return false;
}

bool ShowsNumberTrouble(const QString& text) {
    const QString t = text.toLower();
    return t.contains(QLatin1String("nan")) || t.contains(QLatin1String("inf"));
}

// A stand-in for the bench window that records what the detector window keeps in step
// there, so that the tab can be tested alone.
struct FakeBench : BenchLink {
    int position = 50; // the scroll bar's, clamped to its range like the bar
    QString text;
    QRect shape; // relative to the source centre
    int placed = 0;
    QStringList calls;                   // in order
    std::function<void()> onNewPosition; // the bar's change handler

    void SetDistancePosition(int p) override {
        calls << QStringLiteral("position %1").arg(p);
        const int clamped = std::clamp(p, 30, 400);
        if (clamped == position) return;
        position = clamped;
        if (onNewPosition) onNewPosition();
    }
    void SetDistanceText(const QString& t) override {
        calls << QStringLiteral("text ") + t;
        text = t;
    }
    void PlaceDetector(const QRect& r) override {
        calls << QStringLiteral("shape");
        shape = r;
        ++placed;
    }
};

// A detector window shown, activated and laid out, as after start-up.
windowtest::Detector LaidOutDetector() {
    auto form = windowtest::NewDetector();
    form->show();
    form->activateWindow();
    if (!QTest::qWaitForWindowActive(form.get())) return nullptr;
    if (!QTest::qWaitFor([&] { return windowtest::LaidOut(*form); })) return nullptr;
    return form;
}

// Makes the hidden geometry tab current so that its fields can take the focus.
void OpenGeometryTab(TForm2& form) {
    Ui(form).PageControl1->setTabVisible(1, true);
    Ui(form).PageControl1->setCurrentIndex(1);
    for (QWidget* w :
         {static_cast<QWidget*>(Ui(form).Edit6), static_cast<QWidget*>(Ui(form).Edit15)})
        w->setVisible(true);
    Ui(form).Edit7->setEnabled(true);
    Ui(form).Edit8->setEnabled(true);
}

} // namespace

class TestGeometry : public QObject {
    Q_OBJECT

    windowtest::Environment environment;

private slots:
    void projectionWorkedPoints() {
        const auto x = ProjectPoint(150, 0, 0);
        QCOMPARE(x.h, 0);
        QCOMPARE(x.v, 150);
        const auto y = ProjectPoint(0, 150, 0);
        QCOMPARE(y.h, -138);
        QCOMPARE(y.v, -58);
        const auto z = ProjectPoint(0, 0, 230);
        QCOMPARE(z.h, 211);
        QCOMPARE(z.v, -89);
        // Toward zero, not down: -0.92 and -0.39 both give 0.
        const auto small = ProjectPoint(0, 1, 0);
        QCOMPARE(small.h, 0);
        QCOMPARE(small.v, 0);
    }

    void projectionStaysFiniteAndBounded() {
        const double huge = 1e308;
        for (const auto& p : {ProjectPoint(huge, huge, huge), ProjectPoint(-huge, huge, 0),
                              ProjectPoint(NAN, 0, 0), ProjectPoint(0, INFINITY, -INFINITY)}) {
            QVERIFY(std::abs(p.h) <= measurement::PixelLimit);
            QVERIFY(std::abs(p.v) <= measurement::PixelLimit);
        }
    }

    void defaultsAfterLayout() {
        auto form = LaidOutDetector();
        QVERIFY(form);
        QCOMPARE(Probe::ProjectionOrigin(*form), QPoint(158, 156));
        QCOMPARE(Ui(*form).Edit9->text(), QStringLiteral("8.5"));
        QCOMPARE(Ui(*form).ComboBox1->currentText(), QStringLiteral("3"));
        QCOMPARE(Ui(*form).ComboBox2->currentText(), QStringLiteral("3"));
        QCOMPARE(Ui(*form).Edit7->text(), QStringLiteral("0"));
        QCOMPARE(Ui(*form).Edit8->text(), QStringLiteral("0"));
        QCOMPARE(Ui(*form).Edit6->text(), QStringLiteral("20"));
        QCOMPARE(Ui(*form).Edit15->text(), QStringLiteral("5"));
        QCOMPARE(Ui(*form).UpDown6->Position(), 10); // the design position until synchronised
        QVERIFY(!Ui(*form).PageControl1->isTabVisible(
            Ui(*form).PageControl1->indexOf(Ui(*form).Geometria)));
    }

    void drawingAtDefaults() {
        auto form = LaidOutDetector();
        QVERIFY(form);
        const QImage& p = Ui(*form).Image2->Picture();
        QCOMPARE(p.size(), QSize(395, 281));
        // Frame.
        QVERIFY(IsColour(p, 0, 0, Qt::black));
        QVERIFY(IsColour(p, 394, 280, Qt::black));
        QVERIFY(IsColour(p, 200, 280, Qt::black));
        // Axes from the origin (158, 156) to X (158, 6), Y (20, 214) and Z (369, 245); the
        // letters cover the last few pixels of each line.
        QVERIFY(IsColour(p, 158, 5, Qt::white));
        for (int y = 30; y <= 150; y += 20)
            QVERIFY2(IsColour(p, 158, y, Qt::black), qPrintable(QString::number(y)));
        QVERIFY(BlackNear(p, 158 - 69, 156 + 29));  // half way to Y
        QVERIFY(BlackNear(p, 158 + 105, 156 + 44)); // half way to Z
        QVERIFY(IsColour(p, 19, 214, Qt::white));
        // The far face (centre (217, 181), on the Z axis) is grey inside its circle; the
        // near face (centre (190, 169)) is left white.
        QVERIFY(IsColour(p, 217, 174, QColor(128, 128, 128)));
        QVERIFY(IsColour(p, 219, 189, QColor(128, 128, 128)));
        QVERIFY(IsColour(p, 190, 163, Qt::white));
        QVERIFY(IsColour(p, 100, 100, Qt::white));
        // Silhouette lines above and below the body between the faces.
        bool above = false, below = false;
        for (int y = 140; y < 166; ++y)
            above = above || IsColour(p, 204, y, Qt::black);
        for (int y = 184; y < 210; ++y)
            below = below || IsColour(p, 204, y, Qt::black);
        QVERIFY(above && below);
    }

    // Several points of a circle may share its highest v; the silhouette joins the first
    // of them. Here the near face's top is flat from h = 134 to 149 at v = 0, and the top
    // line runs from the far face's top (165, -9) to (149, 0), not to (134, 0).
    void silhouetteJoinsTheFirstExtremePoints() {
        auto form = LaidOutDetector();
        QVERIFY(form);
        sim::DetectorGeometry& g = Probe::Model(*form).Geometry;
        g.z = 30;
        g.height = 2.5;
        g.radius = 10;
        form->DrawGeometry();
        const QImage& p = Ui(*form).Image2->Picture();
        QVERIFY(IsColour(p, 158 + 157, 156 + 5, Qt::black)); // half way along the line
        // Where a line to (134, 0) would pass, 4 pixels clear of everything else.
        QVERIFY(IsColour(p, 158 + 146, 156 + 3, Qt::white));
        QVERIFY(IsColour(p, 158 + 146, 156 + 4, Qt::white));
    }

    void panningMovesTheOrigin() {
        auto form = LaidOutDetector();
        QVERIFY(form);
        Ui(*form).ScrollBar1->setValue(100);
        QCOMPARE(Probe::ProjectionOrigin(*form).x(), 79);
        Ui(*form).ScrollBar2->setValue(500);
        QCOMPARE(Probe::ProjectionOrigin(*form).y(), 281);
        // The X axis now rises from (79, 281).
        QVERIFY(IsColour(Ui(*form).Image2->Picture(), 79, 200, Qt::black));
    }

    void benchShapesFollowTheGeometry() {
        auto form = LaidOutDetector();
        QVERIFY(form);
        FakeBench bench;
        form->SetBench(&bench);
        form->DrawGeometry();
        // 60 x 60, left 85 pixels right of the source centre, top 30 above it.
        QCOMPARE(bench.shape, QRect(85, -30, 60, 60));

        // The shape is 2 x height wide from the shown distance: height 1 keeps z.
        Probe::Model(*form).Geometry.height = 1;
        form->DrawGeometry();
        QCOMPARE(bench.shape, QRect(95, -30, 20, 60));
    }

    void beforeLayoutOnlyTheBenchShapesMove() {
        auto form = windowtest::NewDetector(); // never activated
        FakeBench bench;
        form->SetBench(&bench);
        form->DrawGeometry();
        QVERIFY(Ui(*form).Image2->Picture().isNull());
        QCOMPARE(bench.placed, 1);
        QCOMPARE(bench.shape, QRect(0, 0, 0, 0));
    }

    void syncDistanceWithoutSender() {
        auto form = LaidOutDetector();
        QVERIFY(form);
        FakeBench bench;
        form->SetBench(&bench);
        form->SyncDistance(DistanceSender::None);
        QCOMPARE(bench.text, QStringLiteral("8.5"));
        QCOMPARE(bench.position, 50);
        QCOMPARE(Ui(*form).UpDown6->Position(), 10);
        // From the bench scroll bar: the spinner and Edit9 follow.
        form->SyncDistance(DistanceSender::BenchScrollBar2);
        QCOMPARE(Ui(*form).UpDown6->Position(), 8);
        QCOMPARE(Ui(*form).Edit9->text(), QStringLiteral("8.5"));
    }

    // From the spinner, SyncDistance sets the bench bar first; the bar's handler moves
    // the detector and synchronises once more, one level deep, and that inner call ends
    // before the outer one writes the bench's text and redraws. An unchanged position
    // runs no handler.
    void syncDistanceReentersOnceThroughTheBenchBar() {
        auto form = LaidOutDetector();
        QVERIFY(form);
        FakeBench bench;
        form->SetBench(&bench);
        model::Session& session = *form.get_deleter().session;
        bench.onNewPosition = [&] {
            session.SetShownDistance(model::Distance::AtPosition(bench.position));
            bench.calls << QStringLiteral("inner");
            form->SyncDistance(DistanceSender::BenchScrollBar2);
        };
        session.SetShownDistance(9);
        form->SyncDistance(DistanceSender::UpDown6);
        QCOMPARE(bench.calls,
                 QStringList({"position 90", "inner", "text 9", "shape", "text 9", "shape"}));
        QCOMPARE(Ui(*form).UpDown6->Position(), 9);

        bench.calls.clear();
        form->SyncDistance(DistanceSender::UpDown6);
        QCOMPARE(bench.calls, QStringList({"position 90", "text 9", "shape"}));
    }

    void distanceSpinner() {
        auto form = LaidOutDetector();
        QVERIFY(form);
        Ui(*form).UpDown6->SetPosition(8);
        Ui(*form).UpDown6->Click(toolkit::UpDownButton::Up);
        QCOMPARE(Ui(*form).Edit9->text(), QStringLiteral("9"));
        QCOMPARE(form->Measurement().Geometry.z, 10.5);
        // At the top of its range the spinner stays at 40 cm.
        Ui(*form).UpDown6->SetPosition(40);
        Ui(*form).UpDown6->Click(toolkit::UpDownButton::Up);
        QCOMPARE(form->Measurement().Geometry.z, 41.5);
    }

    // Edit9 works at all times; the other fields store only once bound.
    void bindings() {
        auto form = LaidOutDetector();
        QVERIFY(form);
        OpenGeometryTab(*form);
        QVERIFY(Focus(Ui(*form).Edit9));
        Enter(Ui(*form).Edit9, QStringLiteral(" 12 "));
        QCOMPARE(form->Measurement().Geometry.z, 13.5);
        QCOMPARE(Ui(*form).Edit9->text(), QStringLiteral("12"));

        QVERIFY(Focus(Ui(*form).Edit7));
        const QImage before = Ui(*form).Image2->Picture();
        Enter(Ui(*form).Edit7, QStringLiteral("2"));
        QCOMPARE(form->Measurement().Geometry.x, 0.0);
        QCOMPARE(Ui(*form).Image2->Picture(), before); // nothing redrawn
        Ui(*form).PageControl1->setCurrentIndex(0);
        QVERIFY(Focus(Ui(*form).Edit10));
        Enter(Ui(*form).Edit10, QStringLiteral("100"));
        QCOMPARE(Probe::Roi(*form).RoiLow, 0);
        Ui(*form).PageControl1->setCurrentIndex(1);

        Probe::BindFields(*form);
        struct Case {
            QLineEdit* edit;
            const char* text;
            double expected;
            double* field;
        };
        sim::DetectorGeometry& g = Probe::Model(*form).Geometry;
        const Case cases[] = {
            {Ui(*form).Edit7, "2", 2, &g.x},
            {Ui(*form).Edit8, "-1.5", -1.5, &g.y},
            {Ui(*form).Edit6, "35", 35, &Probe::Model(*form).Calibration.Resolution},
            {Ui(*form).Edit15, "2.5E0", 2.5, &Probe::Magnification(*form)}};
        for (const Case& c : cases) {
            QVERIFY(Focus(c.edit));
            Enter(c.edit, QString::fromLatin1(c.text));
            QCOMPARE(*c.field, c.expected);
        }
        QVERIFY(Ui(*form).Image2->Picture() != before);

        // The region ends take integers, also in hexadecimal.
        Ui(*form).PageControl1->setCurrentIndex(0);
        QVERIFY(Focus(Ui(*form).Edit10));
        Enter(Ui(*form).Edit10, QStringLiteral(" $10 "));
        QCOMPARE(Probe::Roi(*form).RoiLow, 16);
    }

    // A text that does not parse leaves everything as it was, selected and focused, on
    // Enter and on leaving the field.
    void refusedEntries() {
        auto form = LaidOutDetector();
        QVERIFY(form);
        OpenGeometryTab(*form);
        Probe::BindFields(*form);
        const sim::DetectorGeometry g0 = form->Measurement().Geometry;
        const double m0 = Probe::Magnification(*form);
        const double r0 = form->Measurement().Calibration.Resolution;
        const QImage picture0 = Ui(*form).Image2->Picture();

        QLineEdit* const floats[] = {Ui(*form).Edit6, Ui(*form).Edit7, Ui(*form).Edit8,
                                     Ui(*form).Edit9, Ui(*form).Edit15};
        for (QLineEdit* edit : floats) {
            for (const char* bad : {"", "abc", "1.2.3", "1e999", "1,5", "5 cm", "."}) {
                QVERIFY(Focus(edit));
                Enter(edit, QString::fromLatin1(bad));
                QVERIFY2(edit->hasFocus(), bad);
                QCOMPARE(edit->selectedText(), edit->text());
            }
        }
        Ui(*form).PageControl1->setCurrentIndex(0);
        for (QLineEdit* edit : {Ui(*form).Edit10, Ui(*form).Edit11}) {
            QVERIFY(Focus(edit));
            Enter(edit, QStringLiteral("1.5"));
            QVERIFY(edit->hasFocus());
            QCOMPARE(edit->selectedText(), QStringLiteral("1.5"));
        }
        QCOMPARE(Probe::Roi(*form).RoiLow, 0);

        // Leaving the field with Tab: the focus comes back with the text selected.
        Ui(*form).PageControl1->setCurrentIndex(1);
        QVERIFY(Focus(Ui(*form).Edit7));
        Ui(*form).Edit7->setText(QStringLiteral("x"));
        QTest::keyClick(Ui(*form).Edit7, Qt::Key_Tab);
        QVERIFY(QTest::qWaitFor([&] { return Ui(*form).Edit7->hasFocus(); }));
        QCOMPARE(Ui(*form).Edit7->selectedText(), QStringLiteral("x"));

        const sim::DetectorGeometry g = form->Measurement().Geometry;
        QCOMPARE(g.x, g0.x);
        QCOMPARE(g.y, g0.y);
        QCOMPARE(g.z, g0.z);
        QCOMPARE(Probe::Magnification(*form), m0);
        QCOMPARE(form->Measurement().Calibration.Resolution, r0);
        QCOMPARE(Ui(*form).Image2->Picture(), picture0);
    }

    // Typing into a size combo; the distance shown follows the height at once because z
    // is kept.
    void sizeCombos() {
        auto form = LaidOutDetector();
        QVERIFY(form);
        OpenGeometryTab(*form);
        Ui(*form).ComboBox1->setEnabled(true);
        QLineEdit* line = Ui(*form).ComboBox1->lineEdit();
        QVERIFY(Focus(line));
        line->selectAll();
        QTest::keyClicks(line, QStringLiteral("1"));
        QCOMPARE(form->Measurement().Geometry.height, 1.0);
        QCOMPARE(form->Measurement().Geometry.z, 10.0);
        QCOMPARE(form->Measurement().Geometry.boundingRadius, std::sqrt(10.0));
        QCOMPARE(Ui(*form).Edit9->text(), QStringLiteral("9.5"));

        // One typed character at most; the program's "2.5" may be longer.
        QTest::keyClicks(line, QStringLiteral("2"));
        QCOMPARE(line->text(), QStringLiteral("1"));
        QCOMPARE(form->Measurement().Geometry.height, 1.0);

        // A lone sign does not parse: refused, nothing changes.
        line->selectAll();
        QTest::keyClicks(line, QStringLiteral("-"));
        QCOMPARE(form->Measurement().Geometry.height, 1.0);
        QVERIFY(line->hasFocus());
        QCOMPARE(line->selectedText(), line->text());

        // A choice from the list.
        Ui(*form).ComboBox2->setEnabled(true);
        Ui(*form).ComboBox2->setCurrentIndex(1);
        emit Ui(*form).ComboBox2->textActivated(QStringLiteral("2.5"));
        QCOMPARE(form->Measurement().Geometry.radius, 2.5);
        QCOMPARE(Ui(*form).ComboBox2->currentText(), QStringLiteral("2.5"));
    }

    // Whatever numbers reach the geometry, nothing crashes and no field shows NaN or
    // infinity; the bench shape stays within reach of the painter.
    void extremeGeometries() {
        auto form = LaidOutDetector();
        QVERIFY(form);
        FakeBench bench;
        form->SetBench(&bench);
        OpenGeometryTab(*form);
        Probe::BindFields(*form);
        sim::DetectorGeometry& g = Probe::Model(*form).Geometry;

        const auto check = [&](const char* what) {
            for (QLineEdit* e : {Ui(*form).Edit6, Ui(*form).Edit7, Ui(*form).Edit8, Ui(*form).Edit9,
                                 Ui(*form).Edit15, Ui(*form).ComboBox1->lineEdit(),
                                 Ui(*form).ComboBox2->lineEdit()})
                QVERIFY2(!ShowsNumberTrouble(e->text()), what);
            QVERIFY2(!ShowsNumberTrouble(bench.text), what);
            const QRect r = bench.shape;
            QVERIFY2(std::abs(r.left()) <= 2 * measurement::PixelLimit && r.width() >= 0 &&
                         r.height() >= 0 && r.width() <= measurement::PixelLimit,
                     what);
        };

        for (const char* m : {"1e308", "-1e308", "0", "1e-300"}) {
            QVERIFY(Focus(Ui(*form).Edit15));
            Enter(Ui(*form).Edit15, QString::fromLatin1(m));
            form->SyncDistance(DistanceSender::None);
            check(m);
        }
        Probe::Magnification(*form) = 5;

        for (const char* v : {"1e308", "-1e308"}) {
            for (QLineEdit* e : {Ui(*form).Edit7, Ui(*form).Edit8, Ui(*form).Edit9}) {
                QVERIFY(Focus(e));
                Enter(e, QString::fromLatin1(v));
                form->SyncDistance(DistanceSender::UpDown6);
                form->SyncDistance(DistanceSender::BenchScrollBar2);
                check(v);
            }
        }
        g = {0, 0, 10, 3, 3, std::sqrt(18.0)};

        // Sizes the combos cannot produce by typing, set from the program.
        for (const char* s : {"-3", "0", "1e308", "-1e308"}) {
            for (QComboBox* combo : {Ui(*form).ComboBox1, Ui(*form).ComboBox2}) {
                combo->setEditText(QString::fromLatin1(s));
                emit combo->textActivated(combo->currentText());
            }
            form->SyncDistance(DistanceSender::None);
            check(s);
        }
    }

    // The detector placed over the source through the geometry fields: Start reports it
    // once, stops, and counts nothing.
    void sourceInsideDetector() {
        auto form = LaidOutDetector();
        QVERIFY(form);
        OpenGeometryTab(*form);
        QVERIFY(Focus(Ui(*form).Edit9));
        Enter(Ui(*form).Edit9, QStringLiteral("-1.5")); // centre at the source
        QCOMPARE(form->Measurement().Geometry.z, 0.0);
        Ui(*form).PageControl1->setCurrentIndex(0);

        int boxes = 0;
        QTimer answer;
        answer.setInterval(20);
        connect(&answer, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                ++boxes;
                box->accept();
            }
        });
        answer.start();
        Ui(*form).Button1->click();
        answer.stop();

        QCOMPARE(boxes, 1);
        QVERIFY(!form.get_deleter().session->Running());
        const sim::Spectrum& s = form->Measurement().Spectrum;
        QCOMPARE(std::accumulate(s.begin(), s.end(), std::int64_t{0}), std::int64_t{0});
    }
};

QTEST_MAIN(TestGeometry)
#include "test_geometry.moc"
