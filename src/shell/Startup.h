#pragma once
// The program's start-up: the bench window (the main window), the language and the
// identifier dialogs, then the help window, the About box and the detector window, and
// the event loop. Each step is a call of its own, so that tests can run the sequence
// against a program folder of their own and answer the modal dialogs.

#include "model/Session.h"
#include "platform/Clock.h"
#include "simulation/Random.h"
#include "strings/LangStrings.h"

#include <memory>

class TAboutBox;
class TForm1;
class TForm2;
class TForm3;
class TLanguageDlg;
class TPasswordDlg;

namespace shell {

class Startup {
public:
    // Owns the program's one generator (which the simulation's initialisation seeds),
    // the clock of the ticks, the measurement session that the windows show and the
    // string catalogue that they read their texts and pack files from.
    Startup();
    ~Startup();
    Startup(const Startup&) = delete;
    Startup& operator=(const Startup&) = delete;

    // Sets the application title and icon and creates the bench window, which sets
    // ProgramDir.
    void CreateMainWindow();
    // True when the bench window's creation found the program folder; otherwise says so
    // in a message box and returns false: without it there is no pack to choose.
    bool CheckProgramFolder();
    // Creates the language dialog and the identifier dialog.
    void CreateDialogs();
    // Shows the language dialog modally; any result but OK requests the end.
    void RunLanguageDialog();
    // Shows the identifier dialog modally; any result but OK requests the end. Once the
    // end is requested the dialog is not shown for input: it counts as cancelled.
    void RunIdentifierDialog();
    // Creates the help window, the About box and the detector window, links them to
    // the bench window, and shows the detector window (not when the end is requested).
    void CreateWindows();
    // Shows the bench window and runs the event loop until the end of the program;
    // returns at once when the end was requested during the start-up.
    int RunEventLoop();

    // All steps in order; ends at once, with exit code 1, without the program folder.
    int Run();

    bool EndRequested() const { return EndOfProgram; }

    TForm1* Bench() const { return Form1.get(); }
    TLanguageDlg* LanguageDialog() const { return LanguageDlg.get(); }
    TPasswordDlg* IdentifierDialog() const { return PasswordDlg.get(); }
    TForm3* Help() const { return Form3.get(); }
    TAboutBox* About() const { return AboutBox.get(); }
    TForm2* Detector() const { return Form2.get(); }
    sim::RandomGenerator& Generator() { return Rng; }
    model::Session& Session() { return Measurement; }
    strings::Catalogue& Catalogue() { return Strings; }

private:
    void WaitForDetectorLayout();

    // Made first, destroyed last: every window refers to them.
    sim::RandomGenerator Rng;
    platform::SteadyClock Clock;
    model::Session Measurement{Rng, Clock};
    strings::Catalogue Strings;

    // Destroyed in reverse order: the detector window before the bench window it uses.
    std::unique_ptr<TForm1> Form1;
    std::unique_ptr<TLanguageDlg> LanguageDlg;
    std::unique_ptr<TPasswordDlg> PasswordDlg;
    std::unique_ptr<TForm3> Form3;
    std::unique_ptr<TAboutBox> AboutBox;
    std::unique_ptr<TForm2> Form2;

    // The end of the program has been requested. Qt's quit does nothing before the
    // event loop runs, so the sequence keeps its own flag.
    bool EndOfProgram = false;
};

// The entry point's work: the simulation's initialisation, the toolkit, the start-up
// sequence and the event loop. Returns the program's exit code.
int RunProgram(int& argc, char** argv);

} // namespace shell
