// The detector window: construction, the spectrum tab's acquisition loop, the dot plot
// with its range and scale controls, and the cursor with the region of interest.
// The geometry tab lives in DetektorGeometry.cpp.

#include "measurement/Detektor.h"

#include "platform/Clock.h"
#include "platform/Numbers.h"
#include "simulation/Source.h"
#include "toolkit/Canvas.h"
#include "toolkit/Controls.h"
#include "toolkit/EditHooks.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

namespace {

using toolkit::LangText;
using toolkit::MakeEdit;
using toolkit::MakeLabel;
using toolkit::MakePanel;
using toolkit::ReadInteger;
using toolkit::Teal;

const QColor Yellow(255, 255, 0);

using model::LastDrawnChannel;

QPushButton* MakeButton(QWidget* parent, const QRect& geometry, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setGeometry(geometry);
    return button;
}

QCheckBox* MakeCheckBox(QWidget* parent, int x, int y, const QString& text, bool checked) {
    auto* box = new QCheckBox(text, parent);
    box->move(x, y);
    box->setChecked(checked);
    box->adjustSize();
    return box;
}

// A spinner whose position range is 0..1000 starting at 500: only the direction of a
// click is used, so it is not attached to an edit.
toolkit::TUpDown* DirectionSpinner(QWidget* parent, Qt::Orientation orientation,
                                   const QRect& place) {
    return toolkit::MakeSpinner(parent, orientation, place, 0, 1000, 500);
}

// An entry field's integer, or nothing after refusing the entry (text selected, focus
// kept in the field).
std::optional<std::int32_t> ReadEntry(QLineEdit* edit) {
    const auto value = ReadInteger(edit->text());
    if (!value) toolkit::RefuseEntry(edit);
    return value;
}

model::Step StepOf(toolkit::UpDownButton button) {
    return button == toolkit::UpDownButton::Up ? model::Step::Up : model::Step::Down;
}

// Truncates a pixel coordinate that may lie far outside any picture into a range where
// it still lies outside, so the conversion to int is always defined.
int ClampedPixel(double coordinate, int size) {
    return static_cast<int>(std::clamp(std::trunc(coordinate), -1.0, double(size) + 1));
}

} // namespace

// ---------------------------------------------------------------------------------------
// Construction

TForm2::TForm2(model::Session& session, strings::Catalogue& catalogue, QWidget* parent)
    : QWidget(parent), Session(session), Catalogue(catalogue) {
    // FormCreate: the plot bitmap exists from here on, empty until the first layout.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setWindowTitle(QStringLiteral("Detektor"));
    setFixedSize(654, 403);
    toolkit::SetBackground(this, toolkit::MoneyGreen);
    QFont windowFont = font();
    windowFont.setPixelSize(11);
    setFont(windowFont);

    PageControl1 = new QTabWidget(this);
    PageControl1->setGeometry(0, 0, 649, 401);
    PageControl1->setTabPosition(QTabWidget::South);
    TabSpektrum = new QWidget;
    Geometria = new QWidget;
    PageControl1->addTab(TabSpektrum, QStringLiteral("Spektrum"));
    PageControl1->addTab(Geometria, QStringLiteral("Geometria"));
    PageControl1->setTabVisible(1, false);
    // Disabled on the tab bar as well (the page itself stays enabled): the bar's arrow
    // keys and wheel and the page control's Ctrl+Tab and Ctrl+Page Down skip a disabled
    // tab, but not a hidden one.
    PageControl1->tabBar()->setTabEnabled(1, false);
    // Nor anything else that selects a page (an assistive tool's press of the tab): a
    // page whose tab is hidden gives way at once to the spectrum page.
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int index) {
        if (index >= 0 && !PageControl1->isTabVisible(index)) PageControl1->setCurrentIndex(0);
    });
    PageControl1->setCurrentIndex(0);

    BuildSpectrumTab();
    BuildGeometryTab();

    Timer1 = new QTimer(this);
    Timer1->setInterval(20);
    Timer1->setSingleShot(true);
    Timer2 = new QTimer(this);
    Timer2->setInterval(5);

    ConnectHandlers();
    ConnectGeometryHandlers();
    NameControls();
    BuildCaptionTable();
    // The cursor shape follows the session's cursor, whoever moves it.
    Observer = Session.Observe([this](model::Session::Change change) {
        if (change == model::Session::Change::Cursor) PlaceCursor();
    });

    FirstActivation = true;
    CaptionsLoaded = false;
    Cleared = true;

    // Centred on the desktop when created.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TForm2::~TForm2() {
    Session.Unobserve(Observer);
}

void TForm2::BuildSpectrumTab() {
    QWidget* tab = TabSpektrum;

    // Full scale: entry, spinner and the automatic switch.
    Panel5 = MakePanel(tab, QRect(2, 0, 95, 46), Teal, Qt::white);
    Edit1 = MakeEdit(Panel5, QRect(4, 3, 63, 21), QStringLiteral("100"));
    UpDown1 = DirectionSpinner(Panel5, Qt::Vertical, QRect(70, 3, 20, 33));
    CheckBox1 = MakeCheckBox(Panel5, 4, 26, QStringLiteral("Auto"), true);

    // The plot: axes on Image1, the spectrum on Image3 over it, the cursor above both.
    Panel1 = MakePanel(tab, QRect(100, 0, 531, 337), Qt::black, Qt::white);
    Image1 = new toolkit::TImage(Panel1);
    Image1->setGeometry(1, 1, 530, 330);
    QImage axes(530, 330, QImage::Format_RGB32);
    axes.fill(Qt::black);
    Image1->SetPicture(axes);
    Image3 = new toolkit::TImage(Panel1);
    Image3->setGeometry(57, 22, 453, 290);
    Shape1 = new toolkit::TShape(toolkit::ShapeType::Rectangle, Panel1);
    Shape1->SetBrushColor(Yellow);
    Shape1->SetPenColor(Yellow);
    Shape1->setGeometry(57 + 453 / 2, 22, 1, 290);
    Shape1->raise();

    // Channel range: lower end left, upper end right under the plot.
    UpDown3 = DirectionSpinner(tab, Qt::Horizontal, QRect(103, 341, 31, 21));
    Edit2 = MakeEdit(tab, QRect(135, 341, 45, 21), QStringLiteral("0"));
    Edit3 = MakeEdit(tab, QRect(490, 342, 65, 21), QStringLiteral("4096"));
    UpDown2 = DirectionSpinner(tab, Qt::Horizontal, QRect(559, 343, 31, 21));

    // Preset time, automatic stop and elapsed time.
    Panel6 = MakePanel(tab, QRect(1, 46, 95, 57), Teal, Qt::white);
    Preset = MakeEdit(Panel6, QRect(4, 16, 38, 21), QStringLiteral("10"));
    Label20 = MakeLabel(Panel6, 16, 3, QStringLiteral("Időzítés (s)"));
    CheckBox2 = MakeCheckBox(Panel6, 4, 37, QStringLiteral("Leáll"), true);
    CurTim = MakeEdit(Panel6, QRect(52, 16, 38, 21), QStringLiteral("0"));
    CurTim->setReadOnly(true);
    Label21 = MakeLabel(Panel6, 61, 38, QStringLiteral("Idő"));

    Button1 = MakeButton(tab, QRect(3, 105, 89, 22), QStringLiteral("Start"));
    BitBtn1 = MakeButton(tab, QRect(3, 131, 88, 22), QStringLiteral("Törlés"));

    // Region of interest: typed ends and the three sums.
    Panel3 = MakePanel(tab, QRect(1, 155, 90, 214), Teal, Qt::white);
    Label13 = MakeLabel(Panel3, 4, 3, QStringLiteral("Tartomány"));
    Label14 = MakeLabel(Panel3, 4, 24, QStringLiteral("Min: "));
    Edit10 = MakeEdit(Panel3, QRect(36, 21, 50, 21), QStringLiteral("0"));
    Label15 = MakeLabel(Panel3, 4, 48, QStringLiteral("Max: "));
    Edit11 = MakeEdit(Panel3, QRect(36, 45, 50, 21), QStringLiteral("0"));
    Button2 = MakeButton(Panel3, QRect(4, 70, 82, 22), QStringLiteral("Elfogad"));
    Label16 = MakeLabel(Panel3, 4, 96, QStringLiteral("Bruttó: "));
    Edit12 = MakeEdit(Panel3, QRect(4, 110, 82, 21), QStringLiteral("0"));
    Label17 = MakeLabel(Panel3, 4, 135, QStringLiteral("Háttér: "));
    Edit13 = MakeEdit(Panel3, QRect(4, 149, 82, 21), QStringLiteral("0"));
    Label18 = MakeLabel(Panel3, 4, 174, QStringLiteral("Nettó:"));
    Edit14 = MakeEdit(Panel3, QRect(4, 188, 82, 21), QStringLiteral("0"));
    for (QLineEdit* sum : {Edit12, Edit13, Edit14})
        sum->setReadOnly(true);

    // Cursor readout.
    Panel4 = MakePanel(tab, QRect(230, 340, 224, 27), Teal, Qt::white);
    Label12 = MakeLabel(Panel4, 4, 6, QStringLiteral("Cursor"));
    Label9 = MakeLabel(Panel4, 48, 6, QStringLiteral("X=2048"));
    Label11 = MakeLabel(Panel4, 110, 6, QStringLiteral("Tartalom:"));
    Label10 = MakeLabel(Panel4, 168, 6, QStringLiteral("Y=0"));
}

void TForm2::ConnectHandlers() {
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    // clicked, not toggled: only the user's clicks run the handler.
    connect(CheckBox2, &QCheckBox::clicked, this, [this] { CheckBox2Click(); });
    // CheckBox1 has no handler: whoever sets it, the view's automatic scale follows it
    // from the next rescale.
    connect(CheckBox1, &QCheckBox::toggled, this, [this](bool on) { Session.View.Automatic = on; });
    Session.View.Automatic = CheckBox1->isChecked();

    connect(UpDown1, &toolkit::TUpDown::clicked, this,
            [this](toolkit::UpDownButton b) { UpDown1Click(b); });
    connect(UpDown2, &toolkit::TUpDown::clicked, this,
            [this](toolkit::UpDownButton b) { UpDown2Click(b); });
    connect(UpDown3, &toolkit::TUpDown::clicked, this,
            [this](toolkit::UpDownButton b) { UpDown3Click(b); });

    toolkit::OnExit(Preset, [this] { PresetExit(); });
    toolkit::OnEnterKey(Preset, [this] { PresetKeyPress('\r'); });
    toolkit::OnExit(Edit1, [this] { Edit1Exit(); });
    toolkit::OnEnterKey(Edit1, [this] { Edit1Exit(); });
    toolkit::OnExit(Edit2, [this] { Edit2Exit(); });
    toolkit::OnEnterKey(Edit2, [this] { Edit2Exit(); });
    toolkit::OnExit(Edit3, [this] { Edit3Exit(); });
    toolkit::OnEnterKey(Edit3, [this] { Edit3Exit(); });

    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
    connect(Timer2, &QTimer::timeout, this, [this] { Timer2Timer(); });

    // Key preview: the window sees the cursor keys before the focused control. A held key
    // repeats as a release and a press with the same time stamp; the toolkit flags the
    // release as a repeat's (and the preview drops it) only if the press has arrived in
    // time. If not, the release ends the marking and the press that follows it at once
    // takes that back. Keys made by a program carry no time stamp (0): never a repeat.
    new toolkit::KeyPreview( // owned by the window
        this,
        [this](QKeyEvent* event) {
            int key = event->key();
            return FormKeyDown(key, event->modifiers(), event->timestamp());
        },
        [this](QKeyEvent* event) {
            FormKeyUp(event->key(), event->timestamp());
            return false;
        });

    // The region ends: leaving them and Enter in them run the shared handlers.
    for (QLineEdit* edit : {Edit10, Edit11}) {
        toolkit::OnExit(edit, [this, edit] { Edit4Exit(edit); });
        toolkit::OnEnterKey(edit, [this, edit] { Edit4KeyPress(edit, toolkit::CarriageReturn); });
    }
}

// ---------------------------------------------------------------------------------------
// Window events

bool TForm2::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) FormActivate();
    return QWidget::event(event);
}

void TForm2::closeEvent(QCloseEvent* event) {
    FormClose();
    QWidget::closeEvent(event);
}

void TForm2::FormActivate() {
    LoadCaptions();
    if (FirstActivation && !Timer1->isActive()) Timer1->start();
}

// Closing only asks the acquisition loop to end after its current tick.
void TForm2::FormClose() {
    Session.Stop(model::StopReason::WindowClosed);
}

void TForm2::LoadCaptions() {
    if (CaptionsLoaded) return;
    setWindowTitle(LangText(Catalogue, 29));
    // Without a language file the caption reads "None": keep the design texts and try
    // again at the next activation.
    if (windowTitle() == QStringLiteral("None")) return;
    CaptionsLoaded = true;

    toolkit::ApplyCaptions(Catalogue, Captions);
    // The tab pages paint their own background, so no extra paint of the page control
    // area is needed here.
    BindFields();
    ApplyAccessibleNames();
}

// The caption table, in the order the strings are applied; the window title (string 29)
// comes first, on its own, since it decides whether the rest is applied.
void TForm2::BuildCaptionTable() {
    using toolkit::CaptionPart;
    Captions = {{TabSpektrum, 30, CaptionPart::Tab},
                {Geometria, 31, CaptionPart::Tab},
                {CheckBox1, 32},
                {CheckBox2, 33},
                {Button1, 203},
                {BitBtn1, 204},
                {Label13, 205, CaptionPart::FitText},
                {Button2, 206},
                {Label16, 207, CaptionPart::FitText},
                {Label17, 208, CaptionPart::FitText},
                {Label18, 209, CaptionPart::FitText},
                {Label12, 210, CaptionPart::FitText},
                {Label11, 211, CaptionPart::FitText},
                {Label5, 215, CaptionPart::FitText},
                {Label1, 216, CaptionPart::FitText},
                {Label2, 217, CaptionPart::FitText},
                {Label4, 218, CaptionPart::FitText},
                {Label20, 8, CaptionPart::FitText},
                {Label21, 9, CaptionPart::FitText}};
}

void TForm2::NameControls() {
    const toolkit::NamedControl controls[] = {
        PELZAMO_NAMED(PageControl1), PELZAMO_NAMED(TabSpektrum), PELZAMO_NAMED(Geometria),
        PELZAMO_NAMED(Panel5),       PELZAMO_NAMED(Edit1),       PELZAMO_NAMED(UpDown1),
        PELZAMO_NAMED(CheckBox1),    PELZAMO_NAMED(Panel1),      PELZAMO_NAMED(Image1),
        PELZAMO_NAMED(Image3),       PELZAMO_NAMED(Shape1),      PELZAMO_NAMED(UpDown3),
        PELZAMO_NAMED(Edit2),        PELZAMO_NAMED(Edit3),       PELZAMO_NAMED(UpDown2),
        PELZAMO_NAMED(Panel6),       PELZAMO_NAMED(Preset),      PELZAMO_NAMED(Label20),
        PELZAMO_NAMED(CheckBox2),    PELZAMO_NAMED(CurTim),      PELZAMO_NAMED(Label21),
        PELZAMO_NAMED(Button1),      PELZAMO_NAMED(BitBtn1),     PELZAMO_NAMED(Panel3),
        PELZAMO_NAMED(Label13),      PELZAMO_NAMED(Label14),     PELZAMO_NAMED(Edit10),
        PELZAMO_NAMED(Label15),      PELZAMO_NAMED(Edit11),      PELZAMO_NAMED(Button2),
        PELZAMO_NAMED(Label16),      PELZAMO_NAMED(Edit12),      PELZAMO_NAMED(Label17),
        PELZAMO_NAMED(Edit13),       PELZAMO_NAMED(Label18),     PELZAMO_NAMED(Edit14),
        PELZAMO_NAMED(Panel4),       PELZAMO_NAMED(Label12),     PELZAMO_NAMED(Label9),
        PELZAMO_NAMED(Label11),      PELZAMO_NAMED(Label10),     PELZAMO_NAMED(Timer1),
        PELZAMO_NAMED(Timer2),       PELZAMO_NAMED(Image2),      PELZAMO_NAMED(Label5),
        PELZAMO_NAMED(Label1),       PELZAMO_NAMED(ComboBox1),   PELZAMO_NAMED(Label2),
        PELZAMO_NAMED(ComboBox2),    PELZAMO_NAMED(Label4),      PELZAMO_NAMED(Label6),
        PELZAMO_NAMED(Edit7),        PELZAMO_NAMED(UpDown4),     PELZAMO_NAMED(Label7),
        PELZAMO_NAMED(Edit8),        PELZAMO_NAMED(UpDown5),     PELZAMO_NAMED(Label8),
        PELZAMO_NAMED(Edit9),        PELZAMO_NAMED(UpDown6),     PELZAMO_NAMED(Label19),
        PELZAMO_NAMED(Edit15),       PELZAMO_NAMED(Label3),      PELZAMO_NAMED(Edit6),
        PELZAMO_NAMED(ScrollBar1),   PELZAMO_NAMED(ScrollBar2)};
    toolkit::NameControls(controls);
}

// The one-off layout, 20 ms after the first activation.
void TForm2::Timer1Timer() {
    Timer1->stop();
    FirstActivation = false;
    InitDefaults();
    AxisRect = Image1->Picture().rect(); // (0, 0, 530, 330)
    GeometryRect = Image2->rect();
    AxisOriginX = 55;
    AxisOriginY = Image1->height() - 20;
    // Two pixels narrower and one lower than Image3, which shows it unstretched at its
    // top-left corner: the axes on Image1 stay visible along its edges.
    PlotBitmap = QImage(Image3->width() - 2, Image3->height() - 1, QImage::Format_RGB32);
    PlotBitmap.fill(PlotBackColour);
    ProjectionOriginX = static_cast<std::int32_t>(Image2->width() / 2.5);
    ProjectionOriginY = static_cast<std::int32_t>(Image2->height() / 1.8);
    ShowGeometry();
    BitBtn1->click();
}

// Never enabled; kept as the same refresh as an acquisition tick's.
void TForm2::Timer2Timer() {
    Rescale();
    Image3->DrawOnPicture(0, 0, PlotBitmap);
}

// ---------------------------------------------------------------------------------------
// Acquisition

void TForm2::Button1Click() {
    if (!Session.Running()) {
        Session.Start();
        Button1->setText(LangText(Catalogue, 219));
        Shape1->hide();
        Panel3->hide();
        Panel4->hide();
        Acquire();
    } else {
        // A stop of the program's own (the preset time, the error path) is a click too.
        Session.Stop(PendingStop);
        PendingStop = model::StopReason::Button;
        Button1->setText(LangText(Catalogue, 203));
        Panel4->show();
        Panel3->show();
        Shape1->show();
        Preset->setEnabled(true);
        CheckBox2->setEnabled(true);
        UpdateCursor();
    }
}

void TForm2::Acquire() {
    TickLength = model::Defaults::TickLength;
    if (Session.Measurement().Source.EventsPerTick() == 0) return;

    // A refused preset cannot take the focus while the run keeps its field disabled: it
    // takes it once Stop has enabled the field again.
    bool presetRefused = false;
    if (CheckBox2->isChecked()) {
        presetRefused = !ReadPreset();
        if (Cleared) {
            ElapsedTicks = 0;
            CurTim->setText(QStringLiteral("0"));
        }
        if (model::PresetReached(ElapsedTicks, PresetSeconds)) {
            StopByClick(model::StopReason::Preset);
            return;
        }
    }

    Session.Start();
    Preset->setEnabled(false);
    if (!CheckBox2->isChecked()) CheckBox2->setEnabled(false);

    platform::Clock& clock = Session.Clock();
    NextTickTime = platform::AddMilliseconds(clock.Now(), TickLength);
    while (Session.Running()) {
        Cleared = false;
        // EventsPerTick + 1 decays, fewer when the error path stops the run during one.
        Session.Measurement().RunTick(*this, Session.RunningFlag());
        // A stop from the error path has already done the Stop: no redraw, wait or count.
        if (!Session.Running()) break;

        Rescale();
        Image3->DrawOnPicture(0, 0, PlotBitmap);

        // Returns once Now is strictly later than the tick's time stamp (the system clock
        // sleeps for the rest of the tick instead of polling; a test clock jumps).
        clock.WaitUntilAfter(NextTickTime);
        if (!CountTick()) StopByClick(model::StopReason::Preset);

        // Stop, Clear, the range and scale controls, the keys and closing act here.
        QCoreApplication::processEvents();
        NextTickTime = platform::AddMilliseconds(clock.Now(), TickLength);
    }
    if (presetRefused && Preset->isEnabled()) toolkit::RefuseEntry(Preset);
}

bool TForm2::CountTick() {
    ++ElapsedTicks;
    if (const auto seconds = model::WholeSeconds(ElapsedTicks))
        CurTim->setText(QString::number(*seconds));
    return !(CheckBox2->isChecked() && model::PresetReached(ElapsedTicks, PresetSeconds));
}

void TForm2::StopByClick(model::StopReason reason) {
    PendingStop = reason;
    Button1->click(); // Stop, as the button does
    PendingStop = model::StopReason::Button;
}

void TForm2::SourceInsideDetector() {
    StopByClick(model::StopReason::SourceInside);
    QMessageBox box(QMessageBox::NoIcon, LangText(Catalogue, 7), LangText(Catalogue, 55),
                    QMessageBox::Ok, this);
    box.exec();
}

void TForm2::BitBtn1Click() {
    Session.Measurement().Spectrum.fill(0);
    ElapsedTicks = 0;
    CurTim->setText(QStringLiteral("0"));
    Cleared = true;
    ClearPlot();
}

void TForm2::PresetExit() {
    ReadPreset();
}

bool TForm2::ReadPreset() {
    // 0 and negative presets are accepted: they stop at once.
    const auto value = ReadEntry(Preset);
    if (value) PresetSeconds = *value;
    return value.has_value();
}

void TForm2::PresetKeyPress(int key) {
    if (key == '\r') PresetExit();
}

void TForm2::CheckBox2Click() {
    // Automatic stop switched off during a run cannot be switched on again until Stop.
    if (Session.Running() && !CheckBox2->isChecked()) CheckBox2->setEnabled(false);
    Preset->setEnabled(CheckBox2->isChecked());
}

// ---------------------------------------------------------------------------------------
// Plot, range and scale

void TForm2::InitDefaults() {
    Session.Measurement().SetDefaults(); // the detector, the calibration and an empty spectrum
    Session.View.PlotWidth = Image3->width();
    Session.View.PlotHeight = Image3->height();
    Shape1->setGeometry(Shape1->x(), Image3->y(), 1, Image3->height());
    Session.ResetView(); // the whole range, the lowest full scale, the cursor in the middle
    Magnification = 5;
    PlotBackColour = QColor(0, 0, 0);
    PlotForeColour = QColor(255, 255, 255);
}

// The cursor's left edge is one pixel left of the plot at offset 0.
void TForm2::PlaceCursor() {
    Shape1->move(Image3->x() - 1 + Session.Cursor(), Shape1->y());
}

bool TForm2::LaidOut() const {
    return !PlotBitmap.isNull();
}

void TForm2::ClearPlot() {
    if (!LaidOut()) return;
    toolkit::TCanvas axes(*Image1);
    axes.BrushColor = PlotBackColour;
    axes.FillRect(AxisRect);
    Image1->Changed();
    ClearPlotBitmap();
    Session.View.ForceRedraw();
    Rescale();
}

void TForm2::ClearPlotBitmap() {
    PlotBitmap.fill(PlotBackColour);
}

void TForm2::SetPlotPixel(int x, double y, QRgb colour) {
    // Outside the bitmap: no effect (the erase step is not range-tested by its callers).
    if (x < 0 || x >= PlotBitmap.width() || !(y >= 0) || y >= PlotBitmap.height()) return;
    PlotBitmap.setPixel(x, static_cast<int>(y), colour);
}

std::optional<int> TForm2::DrawnColumn(std::int64_t channel) const {
    if (channel < 0 || channel > LastDrawnChannel) return std::nullopt;
    const model::PlotView& view = Session.View;
    const double column =
        std::trunc(double(channel - view.ShownMinChannel) * view.PixelsPerChannel);
    if (column <= 0 || column >= PlotBitmap.width()) return std::nullopt;
    return static_cast<int>(column);
}

void TForm2::PlotChannel(std::int32_t channel) {
    const auto column = DrawnColumn(channel);
    if (!column) return;
    const int x = *column;
    const int H = PlotBitmap.height();
    const double k = Session.Measurement().Spectrum[static_cast<std::size_t>(channel)];
    const double pixelsPerCount = Session.View.PixelsPerCount;
    // Rows are computed in floating point: a large count times the scale can exceed int.
    SetPlotPixel(x, H - std::trunc((k - 1) * pixelsPerCount), PlotBackColour.rgb());
    const double y = H - std::trunc(k * pixelsPerCount);
    if (y >= 0 && y <= H) SetPlotPixel(x, y, PlotForeColour.rgb());
}

void TForm2::DrawAxes() {
    const model::PlotView& view = Session.View;
    toolkit::TCanvas canvas(*Image1); // sharp on a high-DPI screen
    canvas.BrushColor = PlotBackColour;
    canvas.FillRect(AxisRect);

    const int axisRight =
        AxisOriginX +
        static_cast<int>((view.ShownMaxChannel - view.ShownMinChannel) * view.PixelsPerChannel);
    const int axisTop = AxisOriginY - static_cast<int>(view.ShownFullScale * view.PixelsPerCount);
    canvas.PenColor = PlotForeColour;
    canvas.MoveTo(AxisOriginX, AxisOriginY);
    canvas.LineTo(axisRight, AxisOriginY);
    canvas.MoveTo(AxisOriginX, AxisOriginY);
    canvas.LineTo(AxisOriginX, axisTop);

    canvas.Font = toolkit::FixedFont();
    canvas.FontColor = PlotForeColour;

    const QString fullScale = QString::asprintf("%10d", view.ShownFullScale);
    Edit1->setText(fullScale);
    canvas.TextOut(AxisOriginX - canvas.TextWidth(fullScale) - 5,
                   axisTop - canvas.TextHeight(fullScale) / 2, fullScale);

    const QString upper = QString::asprintf("%5d ", view.ShownMaxChannel);
    Edit3->setText(upper);
    canvas.TextOut(axisRight - canvas.TextWidth(upper) / 2,
                   AxisOriginY + canvas.TextHeight(upper) / 2, upper);

    const QString lower = QString::asprintf("%5d ", view.ShownMinChannel);
    Edit2->setText(lower);
    canvas.TextOut(AxisOriginX - canvas.TextWidth(lower) / 2,
                   AxisOriginY + canvas.TextHeight(lower) / 2, lower);
    Image1->Changed();
}

// Redraws everything only when what is shown differs from what is asked for.
void TForm2::Rescale() {
    if (!LaidOut()) return;
    if (!Session.Rescale()) return;
    DrawAxes();
    ClearPlotBitmap();
    for (std::int32_t i = Session.View.ShownMinChannel; i <= Session.View.ShownMaxChannel; ++i)
        PlotChannel(i);
    Image3->SetPicture(PlotBitmap);
    UpdateCursor();
}

void TForm2::UpDown1Click(toolkit::UpDownButton button) {
    CheckBox1->setChecked(false);
    if (!LaidOut()) return;
    Session.View.StepFullScale(StepOf(button));
    Rescale();
}

void TForm2::UpDown2Click(toolkit::UpDownButton button) {
    Session.View.StepMaxChannel(StepOf(button));
    Rescale();
}

void TForm2::UpDown3Click(toolkit::UpDownButton button) {
    Session.View.StepMinChannel(StepOf(button));
    Rescale();
}

void TForm2::Edit1Exit() {
    const auto value = ReadInteger(Edit1->text());
    // A full scale below 1 cannot be drawn (no count fits under it): refused like text.
    if (!value || *value < 1) {
        toolkit::RefuseEntry(Edit1);
        return;
    }
    Session.View.RequestFullScale(*value);
    CheckBox1->setChecked(false);
    Rescale();
}

void TForm2::Edit2Exit() {
    if (const auto value = ReadEntry(Edit2)) {
        Session.View.RequestMinChannel(*value);
        Rescale();
    }
}

void TForm2::Edit3Exit() {
    if (const auto value = ReadEntry(Edit3)) {
        Session.View.RequestMaxChannel(*value);
        Rescale();
    }
}

// ---------------------------------------------------------------------------------------
// Cursor and region of interest

void TForm2::UpdateCursor() {
    const model::PlotView& view = Session.View;
    if (!LaidOut() || view.PixelsPerChannel <= 0) return;
    // The plot's description follows the readouts, on every way out of here.
    const auto describe = qScopeGuard([this] { DescribePlot(); });
    Image3->DrawOnPicture(0, 0, PlotBitmap); // removes earlier shading

    const sim::Spectrum& spectrum = Session.Measurement().Spectrum;
    const std::int32_t channel = Session.CursorChannel();
    Label9->setText(QStringLiteral("X=%1   ").arg(channel));
    Label9->adjustSize();
    Label10->setText(QStringLiteral("Y=%1   ").arg(model::CountAt(spectrum, channel)));
    Label10->adjustSize();
    const model::Region& roi = Session.Roi;
    if (!roi.RoiValid) return;

    Edit10->setText(QString::number(roi.RoiLow));
    Edit11->setText(QString::number(roi.RoiHigh));
    Session.SumRegion();
    if (roi.RoiHigh == roi.RoiLow) return; // no width: nothing shaded, the sums shown stay

    // Each drawn column of the region from the background line up (or down) to its count.
    const model::BackgroundLine line(spectrum, roi.RoiLow, roi.RoiHigh);
    toolkit::TCanvas canvas(Image3->Picture());
    canvas.PenColor = Yellow;
    const int H = PlotBitmap.height();
    const std::int64_t first = std::max<std::int64_t>(roi.RoiLow, 0);
    const std::int64_t last = std::min<std::int64_t>(roi.RoiHigh, LastDrawnChannel);
    for (std::int64_t i = first; i <= last; ++i) {
        const auto column = DrawnColumn(i);
        if (!column) continue;
        const int x = *column;
        const std::int32_t count = spectrum[static_cast<std::size_t>(i)];
        const double background = line.At(i) * view.PixelsPerCount;
        const int yb = ClampedPixel(H - std::trunc(background), H);
        const int yc = static_cast<int>(
            std::clamp(H - std::trunc(count * view.PixelsPerCount), 0.0, double(H)));
        // A vertical line with both end points, pixel by pixel: cheaper than a painter
        // per channel, and what falls outside the picture is not drawn.
        for (int y = std::min(yb, yc); y <= std::max(yb, yc); ++y)
            canvas.SetPixel(x, y, canvas.PenColor);
    }
    Image3->Changed();

    Edit12->setText(QString::number(roi.RoiGross));
    Edit13->setText(QString::number(roi.RoiBackground));
    Edit14->setText(QString::number(roi.RoiNet));
}

// With Alt, the arrows move the cursor, and with Ctrl also mark the region (the session's
// rules); a used key goes no further.
bool TForm2::FormKeyDown(int& key, Qt::KeyboardModifiers shift, quint64 timestamp) {
    const model::Arrow arrow = key == Qt::Key_Right  ? model::Arrow::Right
                               : key == Qt::Key_Left ? model::Arrow::Left
                                                     : model::Arrow::None;
    const bool used = Session.Key(model::KeyDown{
        arrow, bool(shift & Qt::AltModifier), bool(shift & Qt::ControlModifier), key, timestamp});
    if (!used) return false; // a used key has moved the cursor shape with the cursor
    UpdateCursor();
    key = 0;
    return true;
}

// Any key released ends keyboard marking.
void TForm2::FormKeyUp(int key, quint64 timestamp) {
    Session.Key(model::KeyUp{key, timestamp});
}

// A refused end is selected in its edit and switches the region off; the ends keep the
// values parsed so far, and nothing is redrawn.
void TForm2::Button2Click() {
    switch (Session.AcceptRegion(Edit10->text().toStdString(), Edit11->text().toStdString())) {
    case model::Region::Typed::Accepted:
        UpdateCursor();
        break;
    case model::Region::Typed::LowRefused:
        toolkit::RefuseEntry(Edit10);
        break;
    case model::Region::Typed::HighRefused:
        toolkit::RefuseEntry(Edit11);
        break;
    }
}

// Leaving a region end: the same rule as the accept button. Once the captions have bound
// the ends, the value is stored and shows at the next UpdateCursor.
void TForm2::RegionEndExit(QLineEdit* edit) {
    const auto channel = model::Region::ParseEnd(edit->text().toStdString());
    if (!channel) {
        // The end as the window wrote it (marking can take it one channel beyond the
        // spectrum) holds the focus nowhere: only what the user typed is refused.
        if (edit->isModified()) toolkit::RefuseEntry(edit);
        return;
    }
    if (!RegionEndsBound) return;
    Session.SetRegionEnd(edit == Edit11, *channel);
    ShowGeometry();
}
