// The detector window: construction, the spectrum tab's acquisition loop, the dot plot
// with its range and scale controls, and the cursor with the region of interest.
// The geometry tab lives in DetektorGeometry.cpp.

#include "measurement/Detektor.h"

#include "toolkit/Canvas.h"
#include "platform/Clock.h"
#include "toolkit/Controls.h"
#include "toolkit/EditHooks.h"
#include "platform/Numbers.h"
#include "simulation/Source.h"
#include "strings/LangStrings.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
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

constexpr int LastDrawnChannel = 4095; // channel 4096 is never drawn

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

void SetCaption(QLabel* label, const QString& text) {
    if (!label) return;
    label->setText(text);
    label->adjustSize();
}

void SetCaption(QAbstractButton* button, const QString& text) {
    if (button) button->setText(text);
}

// An entry field's integer, or nothing after refusing the entry (text selected, focus
// kept in the field).
std::optional<std::int32_t> ReadEntry(QLineEdit* edit) {
    const auto value = ReadInteger(edit->text());
    if (!value) toolkit::RefuseEntry(edit);
    return value;
}

// The typed region ends are parsed with leading blanks skipped only.
std::optional<std::int32_t> ReadRegionEnd(const QLineEdit* edit) {
    const std::string text = edit->text().toStdString();
    const auto first = text.find_first_not_of(' ');
    return platform::ParseInteger(
        first == std::string::npos ? std::string_view() : std::string_view(text).substr(first));
}

// Truncates a pixel coordinate that may lie far outside any picture into a range where
// it still lies outside, so the conversion to int is always defined.
int ClampedPixel(double coordinate, int size) {
    return static_cast<int>(std::clamp(std::trunc(coordinate), -1.0, double(size) + 1));
}

} // namespace

// ---------------------------------------------------------------------------------------
// Construction

TForm2::TForm2(sim::RandomGenerator& rng, QWidget* parent) : QWidget(parent), Model(rng) {
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

    FirstActivation = true;
    CaptionsLoaded = false;
    Cleared = true;

    // Centred on the desktop when created.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TForm2::~TForm2() = default;

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
            if (LastRelease.timestamp != 0 && event->key() == LastRelease.key &&
                event->timestamp() == LastRelease.timestamp)
                RoiMarking = LastRelease.marking;
            LastRelease = {};
            int key = event->key();
            return FormKeyDown(key, event->modifiers());
        },
        [this](QKeyEvent* event) {
            LastRelease = {event->key(), event->timestamp(), RoiMarking};
            FormKeyUp();
            return false;
        });
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
    Running = false;
}

void TForm2::LoadCaptions() {
    if (CaptionsLoaded) return;
    setWindowTitle(LangText(29));
    // Without a language file the caption reads "None": keep the design texts and try
    // again at the next activation.
    if (windowTitle() == QStringLiteral("None")) return;
    CaptionsLoaded = true;

    PageControl1->setTabText(0, LangText(30));
    PageControl1->setTabText(1, LangText(31));
    SetCaption(CheckBox1, LangText(32));
    SetCaption(CheckBox2, LangText(33));
    SetCaption(Button1, LangText(203));
    SetCaption(BitBtn1, LangText(204));
    SetCaption(Label13, LangText(205));
    SetCaption(Button2, LangText(206));
    SetCaption(Label16, LangText(207));
    SetCaption(Label17, LangText(208));
    SetCaption(Label18, LangText(209));
    SetCaption(Label12, LangText(210));
    SetCaption(Label11, LangText(211));
    SetCaption(Label5, LangText(215));
    SetCaption(Label1, LangText(216));
    SetCaption(Label2, LangText(217));
    SetCaption(Label4, LangText(218));
    SetCaption(Label20, LangText(8));
    SetCaption(Label21, LangText(9));
    // The tab pages paint their own background, so no extra paint of the page control
    // area is needed here.
    BindFields();
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
    PlotWidth = Image3->width();
    PlotHeight = Image3->height();
    // Two pixels narrower and one lower than Image3, which shows it unstretched at its
    // top-left corner: the axes on Image1 stay visible along its edges.
    PlotBitmap = QImage(PlotWidth - 2, PlotHeight - 1, QImage::Format_RGB32);
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
    if (!Running) {
        Running = true;
        Button1->setText(LangText(219));
        Shape1->hide();
        Panel3->hide();
        Panel4->hide();
        Acquire();
    } else {
        Running = false;
        Button1->setText(LangText(203));
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
    if (Model.Source.EventsPerTick() == 0) return;

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
            Button1->click(); // Stop
            return;
        }
    }

    Running = true;
    Preset->setEnabled(false);
    if (!CheckBox2->isChecked()) CheckBox2->setEnabled(false);

    NextTickTime = platform::AddMilliseconds(platform::Now(), TickLength);
    HistoriesThisTick = 0;
    while (Running) {
        Cleared = false;
        // EventsPerTick + 1 decays, fewer when the error path stops the run during one.
        HistoriesThisTick = static_cast<std::int32_t>(std::min<std::int64_t>(
            Model.RunTick(*this, Running), std::numeric_limits<std::int32_t>::max()));
        // A stop from the error path has already done the Stop: no redraw, wait or count.
        if (!Running) break;

        Rescale();
        Image3->DrawOnPicture(0, 0, PlotBitmap);
        HistoriesThisTick = 0;

        // Returns once Now is strictly later than the tick's time stamp (the system clock
        // sleeps for the rest of the tick instead of polling; a test clock jumps).
        platform::CurrentClock().WaitUntilAfter(NextTickTime);
        if (!CountTick()) Button1->click(); // Stop at the preset time

        // Stop, Clear, the range and scale controls, the keys and closing act here.
        QCoreApplication::processEvents();
        NextTickTime = platform::AddMilliseconds(platform::Now(), TickLength);
    }
    if (presetRefused && Preset->isEnabled()) toolkit::RefuseEntry(Preset);
}

bool TForm2::CountTick() {
    ++ElapsedTicks;
    if (const auto seconds = model::WholeSeconds(ElapsedTicks))
        CurTim->setText(QString::number(*seconds));
    return !(CheckBox2->isChecked() && model::PresetReached(ElapsedTicks, PresetSeconds));
}

void TForm2::SourceInsideDetector() {
    Button1->click(); // Stop, as the button does
    // LangStringZ reuses one buffer: copy the text before the caption is looked up.
    const std::string text = strings::LangStringZ(55);
    const std::string caption = strings::LangStringZ(7);
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(caption),
                    QString::fromStdString(text), QMessageBox::Ok, this);
    box.exec();
}

void TForm2::BitBtn1Click() {
    Model.Spectrum.fill(0);
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
    if (Running && !CheckBox2->isChecked()) CheckBox2->setEnabled(false);
    Preset->setEnabled(CheckBox2->isChecked());
}

// ---------------------------------------------------------------------------------------
// Plot, range and scale

void TForm2::InitDefaults() {
    Model.SetDefaults(); // the detector, the calibration and an empty spectrum
    RequestedMinChannel = 0;
    RequestedMaxChannel = model::LastChannel;
    ShownMinChannel = 0;
    ShownMaxChannel = model::LastChannel;
    ShownFullScale = model::LowestFullScale;
    RequestedFullScale = model::LowestFullScale;
    Magnification = 5;
    PlotBackColour = QColor(0, 0, 0);
    PlotForeColour = QColor(255, 255, 255);
    Shape1->setGeometry(Image3->x() + Image3->width() / 2, Image3->y(), 1, Image3->height());
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
    ShownFullScale = 0; // forces the redraw below
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
    const double column = std::trunc(double(channel - ShownMinChannel) * PixelsPerChannel);
    if (column <= 0 || column >= PlotBitmap.width()) return std::nullopt;
    return static_cast<int>(column);
}

void TForm2::PlotChannel(std::int32_t channel) {
    const auto column = DrawnColumn(channel);
    if (!column) return;
    const int x = *column;
    const int H = PlotBitmap.height();
    const double k = Model.Spectrum[static_cast<std::size_t>(channel)];
    // Rows are computed in floating point: a large count times the scale can exceed int.
    SetPlotPixel(x, H - std::trunc((k - 1) * PixelsPerCount), PlotBackColour.rgb());
    const double y = H - std::trunc(k * PixelsPerCount);
    if (y >= 0 && y <= H) SetPlotPixel(x, y, PlotForeColour.rgb());
}

void TForm2::DrawAxes() {
    toolkit::TCanvas canvas(*Image1); // sharp on a high-DPI screen
    canvas.BrushColor = PlotBackColour;
    canvas.FillRect(AxisRect);

    const int axisRight =
        AxisOriginX + static_cast<int>((ShownMaxChannel - ShownMinChannel) * PixelsPerChannel);
    const int axisTop = AxisOriginY - static_cast<int>(ShownFullScale * PixelsPerCount);
    canvas.PenColor = PlotForeColour;
    canvas.MoveTo(AxisOriginX, AxisOriginY);
    canvas.LineTo(axisRight, AxisOriginY);
    canvas.MoveTo(AxisOriginX, AxisOriginY);
    canvas.LineTo(AxisOriginX, axisTop);

    canvas.Font = toolkit::FixedFont();
    canvas.FontColor = PlotForeColour;

    const QString fullScale = QString::asprintf("%10d", ShownFullScale);
    Edit1->setText(fullScale);
    canvas.TextOut(AxisOriginX - canvas.TextWidth(fullScale) - 5,
                   axisTop - canvas.TextHeight(fullScale) / 2, fullScale);

    const QString upper = QString::asprintf("%5d ", ShownMaxChannel);
    Edit3->setText(upper);
    canvas.TextOut(axisRight - canvas.TextWidth(upper) / 2,
                   AxisOriginY + canvas.TextHeight(upper) / 2, upper);

    const QString lower = QString::asprintf("%5d ", ShownMinChannel);
    Edit2->setText(lower);
    canvas.TextOut(AxisOriginX - canvas.TextWidth(lower) / 2,
                   AxisOriginY + canvas.TextHeight(lower) / 2, lower);
    Image1->Changed();
}

void TForm2::Rescale() {
    if (!LaidOut()) return;
    if (CheckBox1->isChecked())
        RequestedFullScale =
            model::AutomaticFullScale(Model.Spectrum, RequestedMinChannel, RequestedMaxChannel);
    if (ShownMaxChannel == RequestedMaxChannel && ShownMinChannel == RequestedMinChannel &&
        ShownFullScale == RequestedFullScale)
        return;

    ShownMaxChannel = RequestedMaxChannel;
    ShownMinChannel = RequestedMinChannel;
    ShownFullScale = RequestedFullScale;
    PixelsPerCount = double(PlotHeight) / ShownFullScale;
    PixelsPerChannel = double(PlotWidth) / (ShownMaxChannel - ShownMinChannel);

    DrawAxes();
    ClearPlotBitmap();
    for (std::int32_t i = ShownMinChannel; i <= ShownMaxChannel; ++i)
        PlotChannel(i);
    Image3->SetPicture(PlotBitmap);
    UpdateCursor();
}

void TForm2::UpDown1Click(toolkit::UpDownButton button) {
    CheckBox1->setChecked(false);
    if (!LaidOut()) return;
    RequestedFullScale = model::LadderStep(
        ShownFullScale, button == toolkit::UpDownButton::Up ? model::Step::Up : model::Step::Down);
    Rescale();
}

void TForm2::RequestMaxChannel(std::int32_t v) {
    RequestedMaxChannel = model::LimitMaxChannel(v, ShownMinChannel);
    Rescale();
}

void TForm2::RequestMinChannel(std::int32_t v) {
    RequestedMinChannel = model::LimitMinChannel(v, ShownMaxChannel);
    Rescale();
}

void TForm2::UpDown2Click(toolkit::UpDownButton button) {
    const int step = button == toolkit::UpDownButton::Up ? model::RangeStep : -model::RangeStep;
    RequestMaxChannel(ShownMaxChannel + step);
}

void TForm2::UpDown3Click(toolkit::UpDownButton button) {
    const int step = button == toolkit::UpDownButton::Up ? model::RangeStep : -model::RangeStep;
    RequestMinChannel(ShownMinChannel + step);
}

void TForm2::Edit1Exit() {
    const auto value = ReadInteger(Edit1->text());
    // A full scale below 1 cannot be drawn (no count fits under it): refused like text.
    if (!value || *value < 1) {
        toolkit::RefuseEntry(Edit1);
        return;
    }
    RequestedFullScale = *value;
    CheckBox1->setChecked(false);
    Rescale();
}

void TForm2::Edit2Exit() {
    if (const auto value = ReadEntry(Edit2)) RequestMinChannel(*value);
}

void TForm2::Edit3Exit() {
    if (const auto value = ReadEntry(Edit3)) RequestMaxChannel(*value);
}

// ---------------------------------------------------------------------------------------
// Cursor and region of interest

std::int32_t TForm2::ChannelAtOffset(int a) const {
    return static_cast<std::int32_t>(a / PixelsPerChannel) + ShownMinChannel;
}

void TForm2::UpdateCursor() {
    if (!LaidOut() || PixelsPerChannel <= 0) return;
    Image3->DrawOnPicture(0, 0, PlotBitmap); // removes earlier shading

    const std::int32_t channel = ChannelAtOffset(Shape1->x() - Image3->x() + 1);
    Label9->setText(QStringLiteral("X=%1   ").arg(channel));
    Label9->adjustSize();
    Label10->setText(QStringLiteral("Y=%1   ").arg(model::CountAt(Model.Spectrum, channel)));
    Label10->adjustSize();
    if (!RoiValid) return;

    Edit10->setText(QString::number(RoiLow));
    Edit11->setText(QString::number(RoiHigh));
    RoiGross = 0;
    RoiNet = 0;
    RoiBackground = 0;
    if (RoiHigh == RoiLow) return; // no width: nothing shaded, the sums shown stay

    const model::RegionSums sums = model::SumRegion(Model.Spectrum, RoiLow, RoiHigh);
    RoiGross = sums.Gross;
    RoiBackground = sums.Background;
    RoiNet = sums.Net;

    // Each drawn column of the region from the background line up (or down) to its count.
    const model::BackgroundLine line(Model.Spectrum, RoiLow, RoiHigh);
    toolkit::TCanvas canvas(Image3->Picture());
    canvas.PenColor = Yellow;
    const int H = PlotBitmap.height();
    const std::int64_t first = std::max<std::int64_t>(RoiLow, 0);
    const std::int64_t last = std::min<std::int64_t>(RoiHigh, LastDrawnChannel);
    for (std::int64_t i = first; i <= last; ++i) {
        const auto column = DrawnColumn(i);
        if (!column) continue;
        const int x = *column;
        const std::int32_t count = Model.Spectrum[static_cast<std::size_t>(i)];
        const double background = line.At(i) * PixelsPerCount;
        const int yb = ClampedPixel(H - std::trunc(background), H);
        const int yc =
            static_cast<int>(std::clamp(H - std::trunc(count * PixelsPerCount), 0.0, double(H)));
        // A vertical line with both end points, pixel by pixel: cheaper than a painter
        // per channel, and what falls outside the picture is not drawn.
        for (int y = std::min(yb, yc); y <= std::max(yb, yc); ++y)
            canvas.SetPixel(x, y, canvas.PenColor);
    }
    Image3->Changed();

    Edit12->setText(QString::number(RoiGross));
    Edit13->setText(QString::number(RoiBackground));
    Edit14->setText(QString::number(RoiNet));
}

bool TForm2::FormKeyDown(int& key, Qt::KeyboardModifiers shift) {
    if (!(shift & Qt::AltModifier) || !LaidOut()) return false;
    if (key != Qt::Key_Right && key != Qt::Key_Left) return false;

    const int L = Shape1->x();
    const int I = Image3->x();
    const int W = Image3->width();
    const int a = L - I + 1;
    const bool marking = shift & Qt::ControlModifier;

    if (key == Qt::Key_Right) {
        if (L >= I + W - 1) return false; // at the right end: passed on
        if (marking) {
            if (!RoiMarking) {
                RoiMarking = true;
                RoiLow = ChannelAtOffset(a);
            } else {
                RoiHigh = ChannelAtOffset(a) + 1;
                RoiValid = true;
            }
        }
        Shape1->move(L + 1, Shape1->y());
    } else {
        if (L < I) return false; // at the left end: passed on
        if (marking) {
            if (!RoiMarking) {
                RoiMarking = true;
                RoiHigh = ChannelAtOffset(a);
            } else {
                RoiLow = ChannelAtOffset(a) - 1;
                RoiValid = true;
            }
        }
        Shape1->move(L - 1, Shape1->y());
    }
    UpdateCursor();
    key = 0;
    return true;
}

// Any key released ends keyboard marking.
void TForm2::FormKeyUp() {
    RoiMarking = false;
}

void TForm2::Button2Click() {
    // A refused end is selected in its edit and switches the region off; the ends keep
    // the values parsed so far, and nothing is redrawn.
    const auto refuse = [this](QLineEdit* edit) {
        toolkit::RefuseEntry(edit);
        RoiValid = false;
    };
    const auto low = ReadRegionEnd(Edit10);
    if (!low) {
        refuse(Edit10);
        return;
    }
    RoiLow = *low;
    const auto high = ReadRegionEnd(Edit11);
    if (!high) {
        refuse(Edit11);
        return;
    }
    RoiHigh = *high;
    if (RoiHigh < RoiLow) {
        refuse(Edit11);
        return;
    }
    RoiValid = true;
    UpdateCursor();
}
