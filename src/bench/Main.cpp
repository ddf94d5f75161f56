#include "bench/Main.h"

#include "strings/LangStrings.h"
#include "toolkit/Canvas.h"
#include "toolkit/Controls.h"
#include "toolkit/EditHooks.h"
#include "toolkit/Widgets.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>
#include <cmath>
#include <optional>

namespace {

using toolkit::CarriageReturn;
using toolkit::LangText;
using toolkit::MakeLabel;
using toolkit::SetColours;

const QColor LightYellow(255, 255, 192); // the bench background while the scale is drawn

namespace Distance = model::Distance;

} // namespace

// --- Construction ------------------------------------------------------------------

TForm1::TForm1(model::Session& session, strings::Catalogue& catalogue, QWidget* parent)
    : QMainWindow(parent), Session(session), Catalogue(catalogue) {
    setWindowTitle(QStringLiteral("Pelzamo2007"));
    BuildClientArea();
    BuildMenu();
    ConnectHandlers();
    NameControls();
    BuildCaptionTable();
    FormCreate();
    // A pending exit request takes effect once the measurement has stopped.
    Observer = Session.Observe([this](model::Session::Change change) {
        if (change == model::Session::Change::Running && ExitRequested) QuitOnceStopped();
    });
}

TForm1::~TForm1() {
    Session.Unobserve(Observer);
    // The detector window may outlive this one; it must not reach the bench controls
    // that are going away.
    if (Detector != nullptr) Detector->SetBench(nullptr);
}

void TForm1::BuildClientArea() {
    Client = new QWidget(this);
    Client->setFixedSize(656, 147);
    SetColours(Client, toolkit::MoneyGreen, Qt::black);
    setCentralWidget(Client);
    // Single fixed border: the window keeps the size of its menu and client area.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    Bevel1 = new QFrame(Client);
    Bevel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Bevel1->setLineWidth(2);
    Bevel1->setGeometry(30, 6, 454, 131);

    BuildBench();
    BuildDistancePanel();

    Timer1 = new QTimer(this);
    Timer1->setInterval(10);
}

// Top right corner of the screen, 5 pixels from the top and 10 from the right edge.
void TForm1::PlaceTopRight() {
    const int screenWidth = screen() != nullptr ? screen()->geometry().width() : 0;
    move(screenWidth - frameGeometry().width() - 10, 5);
}

// The white bench panel: the scale picture with the source, the detector and the
// marker line over it. Hidden until the first activation.
void TForm1::BuildBench() {
    Panel1 = new QFrame(Client);
    Panel1->setGeometry(32, 8, 454, 131);
    SetColours(Panel1, Qt::white, Qt::black);
    Panel1->setVisible(false);

    Image1 = new toolkit::TImage(Panel1);
    Image1->setGeometry(0, 0, 449, 124);

    Shape9 = new toolkit::TShape(toolkit::ShapeType::Rectangle, Panel1);
    Shape9->SetBrushColor(Qt::black);
    Shape9->SetPenColor(Qt::black);
    Shape9->setGeometry(270, 39, 1, 65);

    Shape2 = new toolkit::TShape(toolkit::ShapeType::Circle, Panel1);
    Shape2->SetBrushColor(Qt::blue);
    Shape2->SetPenColor(Qt::blue);
    Shape2->setGeometry(11, 34, 10, 10);
    Shape2->setToolTip(QStringLiteral("Co-60"));

    Label2 = MakeLabel(Panel1, QRect(4, 19, 60, 14), QStringLiteral("Forrás"));

    Shape4 = new toolkit::TShape(toolkit::ShapeType::RoundRect, Panel1);
    Shape4->SetBrushColor(QColor(255, 0, 255));
    Shape4->SetPenColor(Qt::black);
    Shape4->setGeometry(270, 13, 60, 60);
    Shape4->setToolTip(QStringLiteral("Detektor"));
    Shape4->setEnabled(false);
}

// The teal panel beside the bench with the distance controls.
void TForm1::BuildDistancePanel() {
    Panel2 = new QFrame(Client);
    Panel2->setGeometry(501, 7, 146, 122);
    SetColours(Panel2, toolkit::Teal, Qt::white);

    Label1 = MakeLabel(Panel2, QRect(8, 4, 130, 18), QStringLiteral("   DETEKTOR   "));
    Label1->setAlignment(Qt::AlignCenter);
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    SetColours(Label1, Qt::yellow, Qt::black);

    Label7 = MakeLabel(Panel2, QRect(8, 26, 130, 16), QStringLiteral("Detektor mozgatása"));

    ScrollBar2 = new QScrollBar(Qt::Horizontal, Panel2);
    ScrollBar2->setGeometry(8, 44, 130, 17);
    ScrollBar2->setRange(Distance::MinPosition, Distance::MaxPosition);
    ScrollBar2->setValue(50);
    ScrollBar2->setPageStep(10);
    ScrollBar2->setFocusPolicy(Qt::StrongFocus); // Tab moves between the bar and Edit1
    toolkit::KeysFollowArrows(ScrollBar2);       // Right moves away, like the right arrow

    Label3 =
        MakeLabel(Panel2, QRect(4, 64, 138, 30), QStringLiteral("Forrástól való távolság (cm)"));
    Label3->setWordWrap(true);

    Edit1 = toolkit::MakeEdit(Panel2, QRect(40, 96, 66, 21), QStringLiteral("Edit1"));
    Edit1->setToolTip(QStringLiteral("Min=%1, Max=%2 cm")
                          .arg(model::Defaults::MinDistance)
                          .arg(model::Defaults::MaxDistance));
}

void TForm1::BuildMenu() {
    Sg1 = menuBar()->addMenu(QStringLiteral("Súgó"));
    Feladatok1 = Sg1->addAction(QStringLiteral("Feladatok"));
    Aprogramhasznlata1 = Sg1->addAction(QStringLiteral("A program használata"));
    Nvjegy1 = Sg1->addAction(QStringLiteral("Névjegy"));
    Kilps1 = menuBar()->addAction(QStringLiteral("Kilépés"));
}

void TForm1::ConnectHandlers() {
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
    connect(ScrollBar2, &QScrollBar::valueChanged, this, [this] { ScrollBar2Change(); });
    toolkit::OnExit(Edit1, [this] { Edit1Exit(); });
    // Key preview: the window sees Enter before the edit does.
    new toolkit::KeyPreview(
        this, [this](QKeyEvent* key) { return FormKeyPress(key); }, nullptr);

    connect(Feladatok1, &QAction::triggered, this, [this] { Sg1Click(Feladatok1); });
    connect(Aprogramhasznlata1, &QAction::triggered, this,
            [this] { Sg1Click(Aprogramhasznlata1); });
    connect(Nvjegy1, &QAction::triggered, this, [this] { Nvjegy1Click(); });
    connect(Kilps1, &QAction::triggered, this, [this] { Kilps1Click(); });
}

void TForm1::SetDetector(TForm2* detector) {
    Detector = detector;
    if (Detector == nullptr) return;
    Detector->SetBench(this);
}

void TForm1::SetDistancePosition(int position) {
    ScrollBar2->setValue(position); // runs ScrollBar2Change at once when it changes
}

void TForm1::SetDistanceText(const QString& text) {
    Edit1->setText(text);
}

void TForm1::PlaceDetector(const QRect& shape) {
    const QRect placed = shape.translated(SourceCentreX, SourceCentreY);
    Shape4->setGeometry(placed);
    Shape9->move(placed.left(), Shape9->y());
    Shape4->raise();
}

// --- Window events -----------------------------------------------------------------

void TForm1::FormCreate() {
    FirstActivation = true;
    // The start-up sequence ends the program when the folder cannot be found.
    Catalogue.SetProgramDirFromRunningExecutable();
    Timer1->start();
}

// Runs once, 10 ms after creation: places the window and draws the scale.
void TForm1::Timer1Timer() {
    Timer1->stop();
    layout()->activate(); // the window takes its fixed size before it is placed
    PlaceTopRight();
    BenchBitmap = QImage(Image1->size(), QImage::Format_RGB32);
    BenchBitmap.fill(Qt::white); // the high-DPI copy starts from it: no unset pixel
    SourceCentreX = Shape2->x() + Shape2->width() / 2;
    SourceCentreY = Shape2->y() + Shape2->height() / 2;
    DrawBench();
}

// The distance scale, 10 pixels per cm from the source centre: an axis with an arrow,
// a tick every cm, a long tick with its number every 5 cm, and the letter Z. The
// background is drawn light yellow and then flooded white from the corner, so that only
// the areas the lines and glyphs enclose keep the yellow.
void TForm1::DrawBench() {
    const int sx = SourceCentreX;
    const int ay = SourceCentreY + 70; // the axis row
    const int L = Image1->width() - 30;
    // Drawn on the picture shown, so that it is sharp on a high-DPI screen, and kept.
    Image1->SetPicture(BenchBitmap);
    toolkit::TCanvas canvas(*Image1);

    canvas.BrushColor = LightYellow;
    canvas.FillRect(0, 0, BenchBitmap.width(), BenchBitmap.height());

    canvas.PenColor = Qt::black;
    canvas.PenWidth = 1;
    canvas.MoveTo(sx, ay);
    canvas.LineTo(sx + L, ay);
    canvas.LineTo(sx + L - 10, ay - 2);
    canvas.LineTo(sx + L - 10, ay + 2);
    canvas.LineTo(sx + L, ay);

    canvas.BrushColor = LightYellow;
    // A tick every cm up to the farthest distance the detector can take.
    for (int n = 0; n <= static_cast<int>(model::Defaults::MaxDistance); ++n) {
        const int x = sx + 10 * n;
        canvas.MoveTo(x, ay);
        if ((n + 20) % 5 == 0) {
            canvas.LineTo(x, ay - 10);
            canvas.TextOut(x - 5, ay - 20, QString::number(n));
        } else {
            canvas.LineTo(x, ay - 5);
        }
    }
    canvas.TextOut(sx + L, ay - 5, QStringLiteral("Z"));

    canvas.BrushColor = Qt::white;
    canvas.FloodFill(0, 0, LightYellow);
    BenchBitmap = Image1->Picture();
    Image1->Changed();
}

bool TForm1::event(QEvent* event) {
    const bool result = QMainWindow::event(event);
    if (event->type() == QEvent::WindowActivate) FormActivate();
    return result;
}

void TForm1::FormActivate() {
    // The layout step must precede the first activation; should the window be shown
    // before its timer fired, run it now.
    if (Timer1->isActive()) Timer1Timer();
    Image1->SetPicture(BenchBitmap);
    if (!FirstActivation) return;

    // The window frame is known only now that the window is shown: place the window
    // again, so that its outer edge, not its client area, keeps 10 pixels from the
    // screen's right edge.
    PlaceTopRight();
    LoadCaptions();
    Identifier = IdentifierSource ? IdentifierSource() : QString();
    FirstActivation = false;
    if (Detector != nullptr) {
        Detector->SyncDistance(DistanceSender::None);
        // The scroll bar starts where the detector stands, so that its first step moves
        // on from there. Set quietly: its change handler would move nothing, only
        // synchronise once more.
        const QSignalBlocker quiet(ScrollBar2);
        ScrollBar2->setValue(Distance::Position(Session.ShownDistance()));
    }
    Panel1->setVisible(true);
    setWindowTitle(Identifier + QStringLiteral("   ") + LangText(Catalogue, 200));
    if (Detector != nullptr)
        Detector->move(frameGeometry().left(), frameGeometry().top() + frameGeometry().height());
}

void TForm1::LoadCaptions() {
    toolkit::ApplyCaptions(Catalogue, Captions);
    ApplyAccessibleNames();
}

// The caption table, in the order the strings are applied. The window's own caption
// (string 200 after the identifier) is set by the first activation.
void TForm1::BuildCaptionTable() {
    using toolkit::CaptionPart;
    Captions = {{Sg1, 4, CaptionPart::Title},
                {Kilps1, 5},
                {Feladatok1, 42},
                {Aprogramhasznlata1, 43},
                {Nvjegy1, 27},
                {Shape4, 29, CaptionPart::ToolTip},
                {Label1, 60},
                {Label2, 61, CaptionPart::FitText},
                {Label3, 62},
                {Label7, 48}};
}

void TForm1::NameControls() {
    const toolkit::NamedControl controls[] = {
        PELZAMO_NAMED(Client),  PELZAMO_NAMED(Bevel1),     PELZAMO_NAMED(Panel1),
        PELZAMO_NAMED(Image1),  PELZAMO_NAMED(Shape2),     PELZAMO_NAMED(Label2),
        PELZAMO_NAMED(Shape4),  PELZAMO_NAMED(Shape9),     PELZAMO_NAMED(Panel2),
        PELZAMO_NAMED(Label1),  PELZAMO_NAMED(Label7),     PELZAMO_NAMED(ScrollBar2),
        PELZAMO_NAMED(Label3),  PELZAMO_NAMED(Edit1),      PELZAMO_NAMED(Timer1),
        PELZAMO_NAMED(Sg1),     PELZAMO_NAMED(Feladatok1), PELZAMO_NAMED(Aprogramhasznlata1),
        PELZAMO_NAMED(Nvjegy1), PELZAMO_NAMED(Kilps1)};
    toolkit::NameControls(controls);
}

// Enter in the distance field validates it; the key goes on.
bool TForm1::FormKeyPress(QKeyEvent* key) {
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
                       key->text() == QChar(CarriageReturn);
    if (enter && Edit1->hasFocus()) Edit1Exit();
    return false;
}

void TForm1::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}

// Stops a running measurement at its next tick and ends the program: the detector
// window stays open otherwise, and Qt would not quit on its own.
void TForm1::FormClose() {
    Session.Stop(model::StopReason::WindowClosed);
    Kilps1Click();
}

// --- Distance controls -------------------------------------------------------------

// The scroll bar sets the distance in tenths of a cm, 3.0 to 40.0.
void TForm1::ScrollBar2Change() {
    if (Detector == nullptr) return;
    Session.SetShownDistance(Distance::AtPosition(ScrollBar2->value()));
    Detector->SyncDistance(DistanceSender::BenchScrollBar2);
}

// A typed distance, 3 to 40 cm. It goes through the scroll bar, which cuts it to whole
// tenths; when the bar already stands at that tenth, the typed value stays in force as
// typed and nothing is redrawn.
void TForm1::Edit1Exit() {
    const auto d = toolkit::ReadFloat(Edit1->text());
    if (!d || !Distance::Allowed(*d)) {
        toolkit::RefuseEntry(Edit1);
        return;
    }
    if (Detector == nullptr) return;
    Session.SetShownDistance(*d);
    ScrollBar2->setValue(Distance::Position(Session.ShownDistance()));
}

// --- Menu --------------------------------------------------------------------------

// Asks the event loop to end the program; a running measurement first runs on until it
// stops (by Stop, its preset time or the closing of a window).
void TForm1::Kilps1Click() {
    ExitRequested = true;
    QuitOnceStopped();
}

// Ends the program once no measurement runs, from the event loop. The acquisition loop
// runs nested inside the main loop and processes the GUI's events between its ticks, so
// this may be called from within it. Qt's quit closes every window first, and closing a
// window stops a measurement, so quitting during a run would cut it short: the session
// tells when it has stopped. Once the acquisition loop has ended, control returns to
// the main loop, which then ends.
void TForm1::QuitOnceStopped() {
    if (Session.Running()) return;
    QTimer::singleShot(0, qApp, [session = &Session] {
        if (!session->Running()) QCoreApplication::quit();
    });
}

void TForm1::Sg1Click(QObject* sender) {
    if (ShowHelp) ShowHelp(sender == Feladatok1 ? 1 : 0);
}

void TForm1::Nvjegy1Click() {
    if (ShowAbout) ShowAbout();
}
