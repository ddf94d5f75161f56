#pragma once
// The bench window, the program's main window: the source, the detector shape and its
// marker line over a distance scale in centimetres, the detector-distance controls (a
// scroll bar in tenths of a cm and an entry field), and the main menu. Closing it ends
// the program.
//
// The detector's position belongs to the session (model::Session). This window sets the
// shown distance there and calls TForm2::SyncDistance, which writes the distance back
// into the controls here and places the detector shape, through the bench's side of
// their link (BenchLink).
//
// The controls are private. Each has its member's name as its object name, so that tests
// and tools find it with findChild.

#include "measurement/Detektor.h"

#include <QImage>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

class QAction;
class QFrame;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QScrollBar;
class QTimer;

class TForm1 : public QMainWindow, private BenchLink {
    Q_OBJECT

public:
    // The window shows the distance of `session` in the strings of `catalogue`, whose
    // ProgramDir it sets; both outlive it.
    TForm1(model::Session& session, strings::Catalogue& catalogue, QWidget* parent = nullptr);
    ~TForm1() override;

    // Links the detector window both ways: the distance controls here and the detector's
    // shape follow it.
    void SetDetector(TForm2* detector);
    // Where the first activation takes the user's identifier from (the identifier
    // dialog's text); without one the identifier is empty.
    void SetIdentifierSource(std::function<QString()> source) {
        IdentifierSource = std::move(source);
    }

    // Set by the program shell: show the help window with tag 1 (tasks) or 0 (program
    // usage), and show the About box. Unset, the menu items do nothing.
    std::function<void(int tag)> ShowHelp;
    std::function<void()> ShowAbout;

    // The string id that each control shows, in the order the captions apply them.
    std::span<const toolkit::Caption> CaptionTable() const { return Captions; }

protected:
    bool event(QEvent* event) override; // activation
    void closeEvent(QCloseEvent* event) override;

private:
    // Client area.
    QWidget* Client = nullptr;
    QFrame* Bevel1 = nullptr;
    QFrame* Panel1 = nullptr;
    toolkit::TImage* Image1 = nullptr;
    toolkit::TShape* Shape2 = nullptr;
    QLabel* Label2 = nullptr;
    toolkit::TShape* Shape4 = nullptr;
    toolkit::TShape* Shape9 = nullptr;
    QFrame* Panel2 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label7 = nullptr;
    QScrollBar* ScrollBar2 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QTimer* Timer1 = nullptr;

    // Main menu.
    QMenu* Sg1 = nullptr;
    QAction* Feladatok1 = nullptr;
    QAction* Aprogramhasznlata1 = nullptr;
    QAction* Nvjegy1 = nullptr;
    QAction* Kilps1 = nullptr;

    // Construction.
    void BuildClientArea();
    void BuildBench();
    void BuildDistancePanel();
    void BuildMenu();
    void ConnectHandlers();
    void NameControls(); // each control's object name is its member's name
    void BuildCaptionTable();

    // Window events.
    void FormCreate();
    void Timer1Timer();
    void PlaceTopRight();
    void FormActivate();
    bool FormKeyPress(QKeyEvent* key);
    void FormClose();
    void LoadCaptions();
    void ApplyAccessibleNames(); // MainAccessible.cpp: names from the applied strings
    void DrawBench();

    // Distance controls.
    void ScrollBar2Change();
    void Edit1Exit();

    // The detector window's side of the link.
    void SetDistancePosition(int position) override;
    void SetDistanceText(const QString& text) override;
    void PlaceDetector(const QRect& shape) override;

    // Menu.
    void Kilps1Click();
    void Sg1Click(QObject* sender);
    void Nvjegy1Click();
    void QuitOnceStopped();

    model::Session& Session;
    strings::Catalogue& Catalogue;
    bool ExitRequested = false;
    std::size_t Observer = 0; // of the session
    std::vector<toolkit::Caption> Captions;

    QImage BenchBitmap; // the bench picture with the scale
    bool FirstActivation = true;
    std::int32_t SourceCentreX = 0; // pixel centre of the source inside Panel1
    std::int32_t SourceCentreY = 0;
    QString Identifier;

    // Guarded: the program may destroy the detector window before this one.
    QPointer<TForm2> Detector;
    std::function<QString()> IdentifierSource;
};
