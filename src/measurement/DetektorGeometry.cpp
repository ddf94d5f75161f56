// The geometry tab of the detector window: the detector's size and position, their
// entry fields, the oblique projection on Image2, the detector shape on the bench, and
// the synchronisation of the detector distance with the bench window.
//
// Wiring: the window's constructor makes the page control with both pages and builds
// the spectrum tab first, then calls BuildGeometryTab() and ConnectGeometryHandlers().
// LoadCaptions calls BindFields() as its last step.
//
// The distance shown to the user is z - height/2 and is computed afresh wherever it is
// used; the physics crystal spans z - height .. z + height. Both conventions are kept
// side by side on purpose: the bench shape is 2 x height wide from the shown distance.

#include "measurement/Detektor.h"
#include "measurement/Projection.h"

#include "simulation/Source.h"
#include "toolkit/Canvas.h"
#include "toolkit/Controls.h"
#include "toolkit/EditHooks.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QValidator>
#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

namespace measurement {

ProjectedPoint ProjectPoint(double X, double Y, double Z) {
    constexpr double angle = 0.4; // rad
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    return {TruncPixel(Z * c - Y * c), TruncPixel(X - Z * s - Y * s)};
}

} // namespace measurement

namespace {

using measurement::ProjectedPoint;
using measurement::ProjectPoint;
using measurement::TruncPixel;
using measurement::TruncSteps;
using toolkit::CarriageReturn;
using toolkit::FormatNumber;
using toolkit::MakeEdit;
using toolkit::MakeLabel;
using toolkit::ReadFloat;

const QColor Grey(128, 128, 128);

// Image2 at its design size, pixels.
constexpr int ProjectionWidth = 395;
constexpr int ProjectionHeight = 281;

// --- Text in and out ---------------------------------------------------------------

// Limits what the user may type into a field to `limit` characters, like an edit's
// maximum length, while texts written by the program may be longer (the combos show
// "2.5" but take one typed character). A change that makes the text longer than both
// the limit and the text before it is refused; deleting is always allowed.
class TypedLengthLimit : public QValidator {
public:
    TypedLengthLimit(QLineEdit* edit, int limit) : QValidator(edit), limit_(limit) {
        previous_ = edit->text();
        connect(edit, &QLineEdit::textChanged, this, [this](const QString& t) { previous_ = t; });
    }

    State validate(QString& input, int& /*pos*/) const override {
        const bool longer = input.size() > limit_ && input.size() > previous_.size();
        return longer ? Invalid : Acceptable;
    }

private:
    int limit_;
    QString previous_; // the text before the change being validated
};

// --- Building the tab --------------------------------------------------------------

// An editable combo with the detector sizes to choose from; disabled at start.
QComboBox* MakeSizeCombo(QWidget* parent, int x, int y) {
    auto* combo = new QComboBox(parent);
    combo->setEditable(true);
    combo->addItems({QStringLiteral("1.0"), QStringLiteral("2.5"), QStringLiteral("3.0")});
    // The typed text is what the handler reads: no completion, and Enter adds no item.
    combo->setCompleter(nullptr);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setCurrentIndex(1);
    combo->setEditText(QStringLiteral("2.5"));
    combo->lineEdit()->setValidator(new TypedLengthLimit(combo->lineEdit(), 1));
    combo->setGeometry(x, y, 80, 22);
    combo->setEnabled(false);
    return combo;
}

// A spinner attached to `edit`, right beside it.
toolkit::TUpDown* SpinnerBeside(QLineEdit* edit, int min, int max, int position) {
    const QRect place(edit->x() + edit->width() + 1, edit->y(), 17, edit->height());
    return toolkit::MakeSpinner(edit->parentWidget(), Qt::Vertical, place, min, max, position,
                                edit);
}

QScrollBar* MakePanBar(Qt::Orientation orientation, QWidget* parent, const QRect& place) {
    auto* bar = new QScrollBar(orientation, parent);
    bar->setRange(0, 500);
    bar->setValue(250);
    bar->setPageStep(10);
    bar->setGeometry(place);
    return bar;
}

// --- Drawing -----------------------------------------------------------------------

// The topmost and lowest points of a drawn circle, as projected offsets.
struct CircleExtremes {
    ProjectedPoint top{-2000, -2000};
    ProjectedPoint bottom{2000, 2000};
};

QPoint OnScreen(int ox, int oy, ProjectedPoint p) {
    return {ox + p.h, oy - p.v};
}

// Draws one end face of the crystal as a closed polygon of 37 points at depth Zp
// (projection units) and returns its top and bottom points; among equal extremes the
// first point wins.
CircleExtremes DrawEndCircle(toolkit::TCanvas& canvas, const sim::DetectorGeometry& g, double M,
                             double Zp, int ox, int oy) {
    CircleExtremes extremes;
    for (int i = 0; i <= 36; ++i) {
        const double a = i * std::numbers::pi / 18;
        const double X = (g.radius * std::cos(a) + g.x) * M;
        const double Y = (g.radius * std::sin(a) + g.y) * M;
        const ProjectedPoint p = ProjectPoint(X, Y, Zp);
        const QPoint at = OnScreen(ox, oy, p);
        if (i == 0)
            canvas.MoveTo(at.x(), at.y());
        else
            canvas.LineTo(at.x(), at.y());
        if (p.v > extremes.top.v) extremes.top = p;
        if (p.v < extremes.bottom.v) extremes.bottom = p;
    }
    return extremes;
}

void DrawLine(toolkit::TCanvas& canvas, int ox, int oy, ProjectedPoint from, ProjectedPoint to) {
    const QPoint a = OnScreen(ox, oy, from);
    const QPoint b = OnScreen(ox, oy, to);
    canvas.MoveTo(a.x(), a.y());
    canvas.LineTo(b.x(), b.y());
}

// The three axes from the origin (the source) with their letters; the end points are in
// projection units, not scaled by the magnification.
void DrawProjectionAxes(toolkit::TCanvas& canvas, int ox, int oy) {
    struct Axis {
        double X, Y, Z;
        const char* letter;
    };
    const Axis axes[] = {{150, 0, 0, "X"}, {0, 150, 0, "Y"}, {0, 0, 230, "Z"}};
    for (const Axis& axis : axes) {
        canvas.MoveTo(ox, oy);
        const QPoint end = OnScreen(ox, oy, ProjectPoint(axis.X, axis.Y, axis.Z));
        canvas.LineTo(end.x(), end.y());
        canvas.TextOut(end.x(), end.y(), QString::fromLatin1(axis.letter));
    }
}

// The detector on the bench, 10 pixels per cm, relative to the source centre. The shape
// spans the shown distance d .. d + 2 x height.
QRect BenchShape(const sim::DetectorGeometry& g) {
    // A negative size (from a negative height or radius) shows as an empty shape.
    const int width = std::max(0, TruncPixel(g.height * 20));
    const int height = std::max(0, TruncPixel(g.radius * 20));
    const int left = TruncSteps(model::ShownDistance(g) * 10);
    const int top = TruncPixel((g.y - g.radius) * 10);
    return {left, top, width, height};
}

} // namespace

// --- Construction ------------------------------------------------------------------

void TForm2::BuildGeometryTab() {
    // The page comes with the page control, its tab hidden: the user cannot open it,
    // while its operations keep running for the bench window and the layout step.
    QWidget* page = Geometria;

    // The projection with its panning bars: vertical on the left, horizontal below.
    ScrollBar2 = MakePanBar(Qt::Vertical, page, QRect(4, 4, 17, ProjectionHeight));
    Image2 = new toolkit::TImage(page);
    Image2->setGeometry(23, 4, ProjectionWidth, ProjectionHeight);
    ScrollBar1 =
        MakePanBar(Qt::Horizontal, page, QRect(23, 6 + ProjectionHeight, ProjectionWidth, 17));

    // Size of the detector.
    const int x0 = 432;
    Label5 = MakeLabel(page, x0, 6, QStringLiteral("Detektor méretei"));
    Label1 = MakeLabel(page, x0, 32, QStringLiteral("Magasság"));
    ComboBox1 = MakeSizeCombo(page, x0 + 90, 28);
    Label2 = MakeLabel(page, x0, 60, QStringLiteral("Sugár"));
    ComboBox2 = MakeSizeCombo(page, x0 + 90, 56);

    // Position of its centre.
    Label4 = MakeLabel(page, x0, 96, QStringLiteral("Detektor középpont helyzete"));
    Label6 = MakeLabel(page, x0, 124, QStringLiteral("X"));
    Edit7 = MakeEdit(page, QRect(x0 + 20, 120, 60, 21), QStringLiteral("0"));
    UpDown4 = SpinnerBeside(Edit7, 0, 100, 0);
    Label7 = MakeLabel(page, x0, 152, QStringLiteral("Y"));
    Edit8 = MakeEdit(page, QRect(x0 + 20, 148, 60, 21), QStringLiteral("0"));
    UpDown5 = SpinnerBeside(Edit8, 0, 100, 0);
    Label8 = MakeLabel(page, x0, 180, QStringLiteral("Z"));
    Edit9 = MakeEdit(page, QRect(x0 + 20, 176, 60, 21), QStringLiteral("10"));
    // The design position matches the design text of Edit9; the layout step writes both.
    UpDown6 = SpinnerBeside(Edit9, model::Distance::MinSpinner, model::Distance::MaxSpinner, 10);
    Edit7->setEnabled(false);
    UpDown4->setEnabled(false);
    Edit8->setEnabled(false);
    UpDown5->setEnabled(false);
    Edit9->setReadOnly(true); // the distance changes through the spinner only

    // Magnification and resolution: present but not shown.
    Label19 = MakeLabel(page, x0, 216, QStringLiteral("Nagyítás"));
    Edit15 = MakeEdit(page, QRect(x0 + 90, 212, 60, 21), QString());
    Label3 = MakeLabel(page, x0, 244, QStringLiteral("Felbontás (keV)"));
    Edit6 = MakeEdit(page, QRect(x0 + 90, 240, 60, 21), QString());
    for (QWidget* hidden : {static_cast<QWidget*>(Label19), static_cast<QWidget*>(Edit15),
                            static_cast<QWidget*>(Label3), static_cast<QWidget*>(Edit6)})
        hidden->setVisible(false);
}

void TForm2::ConnectGeometryHandlers() {
    // Every numeric entry of the tab shares one exit handler and one key handler.
    for (QLineEdit* edit : {Edit6, Edit7, Edit8, Edit9, Edit15}) {
        toolkit::OnExit(edit, [this, edit] { Edit4Exit(edit); });
        toolkit::OnEnterKey(edit, [this, edit] { Edit4KeyPress(edit, CarriageReturn); });
    }

    // A combo changes on a choice from its list or on typing, never when the program
    // writes its text.
    connect(ComboBox1, &QComboBox::textActivated, this, [this] { ComboBox1Change(); });
    connect(ComboBox1->lineEdit(), &QLineEdit::textEdited, this, [this] { ComboBox1Change(); });
    connect(ComboBox2, &QComboBox::textActivated, this, [this] { ComboBox2Change(); });
    connect(ComboBox2->lineEdit(), &QLineEdit::textEdited, this, [this] { ComboBox2Change(); });

    connect(UpDown4, &toolkit::TUpDown::clicked, this, [this] { UpDown4Click(); });
    connect(UpDown5, &toolkit::TUpDown::clicked, this, [this] { UpDown5Click(); });
    connect(UpDown6, &toolkit::TUpDown::clicked, this, [this] { UpDown6Click(); });

    connect(ScrollBar1, &QScrollBar::valueChanged, this, [this] { ScrollBar1Change(); });
    connect(ScrollBar2, &QScrollBar::valueChanged, this, [this] { ScrollBar2Change(); });
}

void TForm2::BindFields() {
    model::Measurement& m = Session.Measurement();
    BoundFields.insert(Edit6, &m.Calibration.Resolution);
    BoundFields.insert(Edit7, &m.Geometry.x);
    BoundFields.insert(Edit8, &m.Geometry.y);
    BoundFields.insert(Edit9, &m.Geometry.z); // Edit4Exit has its own rule
    BoundFields.insert(Edit15, &Magnification);
    RegionEndsBound = true;
}

// --- Drawing and display -----------------------------------------------------------

void TForm2::DrawGeometry() {
    QImage& picture = Image2->Picture();
    // The layout step gives Image2 its drawing surface; before it there is nothing to
    // draw on, but the bench shapes are still placed.
    if (picture.isNull() && !GeometryRect.isEmpty()) {
        picture = QImage(Image2->size(), QImage::Format_RGB32);
        picture.fill(Qt::white); // the high-DPI copy starts from it: no unset pixel
    }

    if (!picture.isNull()) {
        const double M = Magnification; // pixels per cm
        const int ox = ProjectionOriginX;
        const int oy = ProjectionOriginY;
        const int W = Image2->width();
        const int H = Image2->height();
        const sim::DetectorGeometry& g = Session.Measurement().Geometry;
        toolkit::TCanvas canvas(*Image2); // sharp on a high-DPI screen

        // Background and frame.
        canvas.BrushColor = Qt::white;
        canvas.FillRect(GeometryRect);
        canvas.PenColor = Qt::black;
        canvas.PenWidth = 1;
        canvas.MoveTo(0, 0);
        canvas.LineTo(0, H - 1);
        canvas.LineTo(W - 1, H - 1);
        canvas.LineTo(W - 1, 0);
        canvas.LineTo(0, 0);

        // Far end face, greyed from its centre.
        canvas.PenWidth = 2;
        const double Z1 = (g.z + g.height) * M;
        const CircleExtremes far = DrawEndCircle(canvas, g, M, Z1, ox, oy);
        const QPoint centre = OnScreen(ox, oy, ProjectPoint(g.x * M, g.y * M, Z1));
        canvas.SetPixel(centre.x(), centre.y(), Qt::white);
        canvas.BrushColor = Grey;
        canvas.FloodFill(centre.x(), centre.y(), Qt::white);

        // Near end face and the silhouette between the two.
        const double Z2 = (g.z - g.height) * M;
        const CircleExtremes near = DrawEndCircle(canvas, g, M, Z2, ox, oy);
        DrawLine(canvas, ox, oy, far.top, near.top);
        DrawLine(canvas, ox, oy, far.bottom, near.bottom);

        canvas.BrushColor = Qt::white;
        canvas.PenColor = Qt::black;
        canvas.PenWidth = 1;
        DrawProjectionAxes(canvas, ox, oy);
        Image2->Changed();
    }

    if (Bench != nullptr) Bench->PlaceDetector(BenchShape(Session.Measurement().Geometry));
}

void TForm2::ShowGeometry() {
    // FormatFloat always writes '.' as the decimal separator, whatever the locale.
    const sim::DetectorGeometry& g = Session.Measurement().Geometry;
    ComboBox1->setEditText(FormatNumber(g.height));
    ComboBox2->setEditText(FormatNumber(g.radius));
    Edit6->setText(FormatNumber(Session.Measurement().Calibration.Resolution));
    Edit7->setText(FormatNumber(g.x));
    Edit8->setText(FormatNumber(g.y));
    Edit9->setText(FormatNumber(Session.ShownDistance()));
    Edit15->setText(FormatNumber(Magnification));
    DrawGeometry();
}

// Keeps the distance controls of both windows in step. Setting the bench scroll bar
// from the spinner's branch runs the bench's change handler at once, which calls this
// again with the scroll bar as sender (one level deep); that inner call finishes before
// this one goes on. d is read afresh at every step because the inner call changes z.
void TForm2::SyncDistance(DistanceSender sender) {
    using model::Distance::Position;
    using model::Distance::SpinnerPosition;
    if (sender == DistanceSender::UpDown6 && Bench != nullptr)
        Bench->SetDistancePosition(Position(Session.ShownDistance()));
    if (sender == DistanceSender::BenchScrollBar2) {
        UpDown6->SetPosition(SpinnerPosition(Session.ShownDistance()));
        Edit9->setText(FormatNumber(Session.ShownDistance()));
    }
    if (Bench != nullptr) Bench->SetDistanceText(FormatNumber(Session.ShownDistance()));
    ShowGeometry();
}

// --- Entry fields ------------------------------------------------------------------

void TForm2::Edit4Exit(QObject* sender) {
    auto* edit = qobject_cast<QLineEdit*>(sender);
    if (edit == nullptr) return;
    if (edit == Edit10 || edit == Edit11) { // the region ends hold channels
        RegionEndExit(edit);
        return;
    }

    const auto value = ReadFloat(edit->text());
    if (!value) {
        toolkit::RefuseEntry(edit);
        return;
    }
    const auto bound = BoundFields.constFind(edit);
    if (edit == Edit9) { // the shown distance, bound or not
        Session.SetShownDistance(*value);
        ShowGeometry();
    } else if (bound != BoundFields.constEnd()) {
        **bound = *value;
        ShowGeometry();
    }
}

void TForm2::Edit4KeyPress(QObject* sender, int key) {
    if (key == CarriageReturn) Edit4Exit(sender);
}

// The size combos. A text that is not a number (a lone "-" or "." while typing) is
// refused like any entry: selected, focus kept, nothing changed.
void TForm2::ComboBox1Change() {
    SizeComboChange(ComboBox1, Session.Measurement().Geometry.height);
}

void TForm2::ComboBox2Change() {
    SizeComboChange(ComboBox2, Session.Measurement().Geometry.radius);
}

// Stores the combo's number into the detector size `size` (height or radius, cm), which
// changes the bounding sphere, and shows the new geometry.
void TForm2::SizeComboChange(QComboBox* combo, double& size) {
    const auto value = ReadFloat(combo->currentText());
    if (!value) {
        toolkit::RefuseEntry(combo->lineEdit());
        return;
    }
    size = *value;
    sim::DetectorGeometry& g = Session.Measurement().Geometry;
    g.boundingRadius = sim::ComputeBoundingRadius(g);
    ShowGeometry();
}

// --- Spinners and panning ----------------------------------------------------------
// A spinner has already written its new position into its edit when these run.

void TForm2::UpDown4Click() {
    Edit4Exit(Edit7);
    DrawGeometry();
}

void TForm2::UpDown5Click() {
    Edit4Exit(Edit8);
    DrawGeometry();
}

void TForm2::UpDown6Click() {
    Edit4Exit(Edit9);
    SyncDistance(DistanceSender::UpDown6);
    DrawGeometry();
}

void TForm2::ScrollBar1Change() {
    const int max = ScrollBar1->maximum();
    if (max != 0) ProjectionOriginX = Image2->width() * ScrollBar1->value() / max;
    DrawGeometry();
}

void TForm2::ScrollBar2Change() {
    const int max = ScrollBar2->maximum();
    if (max != 0) ProjectionOriginY = Image2->height() * ScrollBar2->value() / max;
    DrawGeometry();
}
