#include "shell/Startup.h"

#include "bench/Main.h"
#include "measurement/Detektor.h"
#include "shell/About.h"
#include "shell/Language.h"
#include "shell/PswdDlg.h"
#include "shell/Sugo.h"
#include "simulation/Random.h"
#include "strings/LangStrings.h"

#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>

namespace shell {

namespace {

// The longest wait for the detector window's layout at start-up, ms.
constexpr int MaxLayoutWaitMs = 1000;

} // namespace

Startup::Startup() = default;
Startup::~Startup() = default;

void Startup::CreateMainWindow() {
    QApplication::setApplicationName(QStringLiteral("Pelzamo2007"));
    QApplication::setWindowIcon(ApplicationIcon());
    Form1 = std::make_unique<TForm1>(Measurement, Strings);
}

bool Startup::CheckProgramFolder() {
    if (!Strings.ProgramDir().empty()) return true;
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Pelzamo2007"),
                    QStringLiteral("The program folder cannot be found, so there are no "
                                   "language packs to choose from. The program ends."),
                    QMessageBox::Ok);
    box.exec();
    return false;
}

void Startup::CreateDialogs() {
    LanguageDlg = std::make_unique<TLanguageDlg>(Strings);
    PasswordDlg = std::make_unique<TPasswordDlg>(Strings);
}

void Startup::RunLanguageDialog() {
    if (LanguageDlg->exec() != QDialog::Accepted) EndOfProgram = true;
}

void Startup::RunIdentifierDialog() {
    if (EndOfProgram) return; // its modal loop would end at once with Cancel
    if (PasswordDlg->exec() != QDialog::Accepted) EndOfProgram = true;
}

void Startup::CreateWindows() {
    Form3 = std::make_unique<TForm3>(Strings);
    AboutBox = std::make_unique<TAboutBox>(Strings);
    Form2 = std::make_unique<TForm2>(Measurement, Strings);

    Form1->SetDetector(Form2.get());
    TPasswordDlg* identifier = PasswordDlg.get();
    Form1->SetIdentifierSource([identifier] { return identifier->Password->text(); });
    TForm3* help = Form3.get();
    Form1->ShowHelp = [help](int tag) {
        help->Tag = tag;
        help->show();
        help->raise();
        help->activateWindow(); // its activation loads the text of the new tag
    };
    TAboutBox* about = AboutBox.get();
    Form1->ShowAbout = [about] { about->exec(); };

    // The detector window is visible from its creation, unless the program is ending
    // anyway: then no window is shown and no measurement can start.
    if (EndOfProgram) return;
    Form2->show();
    Form2->activateWindow();
    WaitForDetectorLayout();
}

// The detector window sets its defaults (the detector geometry among them) in a one-shot
// timer after its first activation, and the bench window's first activation writes the
// detector's distance into its entry field. So that the field shows the real distance
// rather than that of a still empty geometry (0 cm), the detector window is given time
// to lay itself out before the bench window is shown. Bounded, in case the window
// system never activates the window.
void Startup::WaitForDetectorLayout() {
    QEventLoop wait;
    // Connected after the window's own handler, so the layout has run when this quits.
    QObject::connect(Form2->LayoutTimer(), &QTimer::timeout, &wait, &QEventLoop::quit);
    QTimer::singleShot(MaxLayoutWaitMs, &wait, &QEventLoop::quit);
    wait.exec();
}

int Startup::RunEventLoop() {
    if (EndOfProgram) return 0;
    Form1->show();
    Form1->activateWindow();
    return QApplication::exec();
}

int Startup::Run() {
    CreateMainWindow();
    if (!CheckProgramFolder()) return 1;
    CreateDialogs();
    RunLanguageDialog();
    RunIdentifierDialog();
    CreateWindows();
    return RunEventLoop();
}

int RunProgram(int& argc, char** argv) {
    Startup startup;                               // the generator, the clock and the session
    startup.Generator().SetSeed(sim::ClockSeed()); // seeded once, from the clock
    QApplication application(argc, argv);
    return startup.Run();
}

} // namespace shell
