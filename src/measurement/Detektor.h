#pragma once
// The detector window: a spectrum tab (acquisition, dot plot, range and scale, cursor
// and region of interest) and a geometry tab that is not shown to the user (detector
// size and position, oblique projection). It shows the measurement session
// (model::Session: the detector, the spectrum, the calibration, the view, the cursor and
// the region), forwards its handlers to it and draws what it holds.
//
// The controls are private. Each has its member's name as its object name, so that tests
// and tools find it with findChild.
//
// Detektor.cpp holds the window's construction, the acquisition loop, the plot and the
// cursor; DetektorGeometry.cpp holds the geometry tab.

#include "model/Session.h"
#include "simulation/History.h"
#include "toolkit/Controls.h"
#include "toolkit/UpDown.h"
#include "toolkit/Widgets.h"

#include <QColor>
#include <QHash>
#include <QImage>
#include <QRect>
#include <QWidget>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QTabWidget;
class QTimer;

// The bench window as the detector window sees it: the distance controls it keeps in
// step with the detector, and the detector's shape on the bench. The bench implements it.
class BenchLink {
public:
    // Sets the distance scroll bar to `position` (tenths of a cm), clamped to its range.
    // When the position changes, the bench's change handler runs at once, before this
    // returns, and synchronises the distance once more.
    virtual void SetDistancePosition(int position) = 0;
    // Writes the distance into the bench's entry field.
    virtual void SetDistanceText(const QString& text) = 0;
    // Places the detector shape at `shape` (pixels, relative to the source centre) with
    // the marker line under its left edge, and brings the detector to the front.
    virtual void PlaceDetector(const QRect& shape) = 0;

protected:
    ~BenchLink() = default;
};

// The control that changed the detector distance, for TForm2::SyncDistance: none, the
// geometry tab's spinner UpDown6 or the bench's scroll bar ScrollBar2.
enum class DistanceSender { None, UpDown6, BenchScrollBar2 };

class TForm2 : public QWidget, private sim::HistoryHooks {
    Q_OBJECT
    friend class TForm2Probe; // tests and benchmarks reach the private state through it

public:
    // The window shows `session` in the strings of `catalogue`; both outlive it.
    TForm2(model::Session& session, strings::Catalogue& catalogue, QWidget* parent = nullptr);
    ~TForm2() override;

    // Links the bench window (done once when both windows exist; null unlinks it).
    void SetBench(BenchLink* bench) { Bench = bench; }

    // The detector, the calibration and the spectrum, to read.
    const model::Measurement& Measurement() const { return Session.Measurement(); }

    void SyncDistance(DistanceSender sender);
    void ShowGeometry();
    void DrawGeometry();

    // The one-off layout timer; the first layout has run once it has fired.
    QTimer* LayoutTimer() const { return Timer1; }

    // The string id that each control shows, in the order the captions apply them (after
    // the window title, string 29).
    std::span<const toolkit::Caption> CaptionTable() const { return Captions; }

protected:
    bool event(QEvent* event) override; // activation
    void closeEvent(QCloseEvent* event) override;

private:
    // Spectrum tab controls.
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSpektrum = nullptr;
    QWidget* Geometria = nullptr;
    QFrame* Panel5 = nullptr;
    QLineEdit* Edit1 = nullptr;
    toolkit::TUpDown* UpDown1 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QFrame* Panel1 = nullptr;
    toolkit::TImage* Image1 = nullptr;
    toolkit::TImage* Image3 = nullptr;
    toolkit::TShape* Shape1 = nullptr;
    toolkit::TUpDown* UpDown3 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit3 = nullptr;
    toolkit::TUpDown* UpDown2 = nullptr;
    QFrame* Panel6 = nullptr;
    QLineEdit* Preset = nullptr;
    QLabel* Label20 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    QLineEdit* CurTim = nullptr;
    QLabel* Label21 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QFrame* Panel3 = nullptr;
    QLabel* Label13 = nullptr;
    QLabel* Label14 = nullptr;
    QLineEdit* Edit10 = nullptr;
    QLabel* Label15 = nullptr;
    QLineEdit* Edit11 = nullptr;
    QPushButton* Button2 = nullptr;
    QLabel* Label16 = nullptr;
    QLineEdit* Edit12 = nullptr;
    QLabel* Label17 = nullptr;
    QLineEdit* Edit13 = nullptr;
    QLabel* Label18 = nullptr;
    QLineEdit* Edit14 = nullptr;
    QFrame* Panel4 = nullptr;
    QLabel* Label12 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label11 = nullptr;
    QLabel* Label10 = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;

    // Geometry tab controls.
    toolkit::TImage* Image2 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* ComboBox2 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label6 = nullptr;
    QLineEdit* Edit7 = nullptr;
    toolkit::TUpDown* UpDown4 = nullptr;
    QLabel* Label7 = nullptr;
    QLineEdit* Edit8 = nullptr;
    toolkit::TUpDown* UpDown5 = nullptr;
    QLabel* Label8 = nullptr;
    QLineEdit* Edit9 = nullptr;
    toolkit::TUpDown* UpDown6 = nullptr;
    QLabel* Label19 = nullptr;
    QLineEdit* Edit15 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* Edit6 = nullptr;
    QScrollBar* ScrollBar1 = nullptr;
    QScrollBar* ScrollBar2 = nullptr;

    // Construction (Detektor.cpp builds the window and the spectrum tab,
    // DetektorGeometry.cpp the geometry tab).
    void BuildSpectrumTab();
    void BuildGeometryTab();
    void ConnectHandlers();
    void ConnectGeometryHandlers();
    void NameControls(); // each control's object name is its member's name
    void BuildCaptionTable();

    // Window events.
    void FormActivate();
    void FormClose();
    bool FormKeyDown(int& key, Qt::KeyboardModifiers shift, quint64 timestamp);
    void FormKeyUp(int key, quint64 timestamp);
    void Timer1Timer();
    void Timer2Timer();
    void LoadCaptions();
    void BindFields(); // the geometry edits to their values, and the region ends

    // Accessibility (DetektorAccessible.cpp): names from the applied strings, and the
    // plot's description from what its readouts show.
    void ApplyAccessibleNames();
    void DescribePlot();

    // Acquisition.
    void Button1Click();
    void StopByClick(model::StopReason reason); // a stop of the program's own
    void Acquire();
    bool CountTick();
    void BitBtn1Click();
    void PresetExit();
    bool ReadPreset(); // PresetExit's work; false when the entry was refused
    void PresetKeyPress(int key);
    void CheckBox2Click();

    // Plot, range and scale.
    bool LaidOut() const; // the first-activation layout has run
    void InitDefaults();
    void ClearPlot();
    void ClearPlotBitmap();
    // The plot column of a channel, or nothing when the channel is not drawn (outside
    // 0..4095, in column 0 or right of the bitmap).
    std::optional<int> DrawnColumn(std::int64_t channel) const;
    void PlotChannel(std::int32_t channel) override; // also the history's draw hook
    void SetPlotPixel(int x, double y, QRgb colour);
    void DrawAxes();
    void Rescale();
    void UpDown1Click(toolkit::UpDownButton button);
    void UpDown2Click(toolkit::UpDownButton button);
    void UpDown3Click(toolkit::UpDownButton button);
    void Edit1Exit();
    void Edit2Exit();
    void Edit3Exit();

    // Cursor and region of interest.
    void PlaceCursor(); // Shape1 at the session's cursor
    void UpdateCursor();
    void Button2Click();
    void RegionEndExit(QLineEdit* edit); // Edit4Exit for Edit10 and Edit11

    // Geometry tab.
    void Edit4Exit(QObject* sender);
    void Edit4KeyPress(QObject* sender, int key);
    void ComboBox1Change();
    void ComboBox2Change();
    void SizeComboChange(QComboBox* combo, double& size); // shared by the two above
    void UpDown4Click();
    void UpDown5Click();
    void UpDown6Click();
    void ScrollBar1Change();
    void ScrollBar2Change();

    // The history's error path: source within the detector's bounding sphere.
    void SourceInsideDetector() override;

    BenchLink* Bench = nullptr;

    // The measurement (the detector geometry, the calibration with ChannelOffset,
    // ChannelsPerMeV and Resolution, the spectrum, all zero until InitDefaults), the
    // running flag, the view (ShownMinChannel, RequestedFullScale, PixelsPerChannel, ...),
    // the cursor and the region (RoiLow, RoiValid, ...).
    model::Session& Session;
    // The chosen pack's strings.
    strings::Catalogue& Catalogue;

    // Acquisition.
    std::int32_t TickLength = 0; // ms
    double NextTickTime = 0;     // days
    std::int32_t ElapsedTicks = 0;
    std::int32_t PresetSeconds = 0;
    bool Cleared = true;
    // Why the next run of Button1Click's Stop stops: the button, unless the program
    // clicks it itself.
    model::StopReason PendingStop = model::StopReason::Button;

    // Display state.
    QImage PlotBitmap;
    std::int32_t AxisOriginX = 0, AxisOriginY = 0;
    std::int32_t ProjectionOriginX = 0, ProjectionOriginY = 0;
    QRect AxisRect, GeometryRect;
    bool FirstActivation = true;

    // Projection.
    double Magnification = 0; // pixels per cm of the projection
    QColor PlotBackColour, PlotForeColour;

    bool CaptionsLoaded = false;
    std::vector<toolkit::Caption> Captions;
    std::size_t Observer = 0; // of the session

    // Entry fields of the geometry tab bound to the value they edit, and whether the
    // region ends are bound to the region (both made by LoadCaptions).
    QHash<QObject*, double*> BoundFields;
    bool RegionEndsBound = false;
};
