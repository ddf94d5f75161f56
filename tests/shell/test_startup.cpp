// The start-up sequence and the shell's windows, run against a program folder of the
// test's own, with the modal dialogs answered from timers. Runs offscreen.
#include "bench/Main.h"
#include "measurement/Detektor.h"
#include "shell/About.h"
#include "shell/Language.h"
#include "shell/PswdDlg.h"
#include "shell/Startup.h"
#include "shell/Sugo.h"
#include "strings/LangStrings.h"

#include "WindowTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>

#include <functional>

int RunPackTests(int argc, char** argv);
int RunAccessibleTests(int argc, char** argv);

namespace {

using windowtest::Ui;

// Whether the detector window's entry fields are bound to their values: a y typed into
// Edit8 (disabled at start) is stored only then.
bool FieldsBound(TForm2& detector) {
    Ui(detector).Edit8->setEnabled(true);
    Ui(detector).Edit8->setText(QStringLiteral("1.25"));
    QTest::keyClick(Ui(detector).Edit8, Qt::Key_Return);
    Ui(detector).Edit8->setEnabled(false);
    return detector.Measurement().Geometry.y == 1.25;
}

const char* const FullPackIni = "[General]\n"
                                "S0001=Okay\n"
                                "S0002=Abort\n"
                                "S0004=Help caption\n"
                                "S0010=Back text\n"
                                "S0029=Detector caption\n"
                                "S0030=Spectrum tab\n"
                                "S0048=Move text\n"
                                "S0200=Bench title\n"
                                "S0256=Identifier caption\n"
                                "S0257=Identifier prompt\n"
                                "S0401=About caption\n"
                                "S0403=Product\n"
                                "S0404=Version line\n"
                                "S0407=Credit line\n";

// Like the full pack, but without string 29, with other bench texts and no Program.rtf.
const char* const NoCaptionsIni = "[General]\n"
                                  "S0001=OK\n"
                                  "S0004=Other help\n"
                                  "S0048=Other move\n"
                                  "S0200=Other title\n"
                                  "S0401=Other about\n";

void WriteFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

// Answers the modal dialog of type T as soon as it is shown and active (its strings are
// applied on activation), while the object lives. A dialog that does not appear in time
// is rejected, so a failing test cannot hang.
class ModalAnswer {
public:
    explicit ModalAnswer(std::function<bool()> tryAnswer) : tryAnswer_(std::move(tryAnswer)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (tryAnswer_()) {
                timer_.stop();
            } else if (deadline_.hasExpired()) {
                timer_.stop();
                if (auto* other = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                    other->reject();
            }
        });
        timer_.start(5);
    }

private:
    std::function<bool()> tryAnswer_;
    QTimer timer_;
    QDeadlineTimer deadline_{5000};
};

template <class T>
[[nodiscard]] std::unique_ptr<ModalAnswer> WhenModal(std::function<void(T*)> action) {
    return std::make_unique<ModalAnswer>([action] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isActiveWindow()) return false;
        action(dialog);
        return true;
    });
}

[[nodiscard]] std::unique_ptr<ModalAnswer> ChooseLanguage(const QString& name) {
    return WhenModal<TLanguageDlg>([name](TLanguageDlg* dialog) {
        dialog->ComboBox1->setCurrentIndex(dialog->ComboBox1->findText(name));
        dialog->BitBtn1->click();
    });
}

[[nodiscard]] std::unique_ptr<ModalAnswer> EnterIdentifier(const QString& identifier) {
    return WhenModal<TPasswordDlg>([identifier](TPasswordDlg* dialog) {
        dialog->Password->setText(identifier);
        dialog->OKBtn->click();
    });
}

// Counts how often a widget is shown.
class ShowCounter : public QObject {
public:
    int shows = 0;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) ++shows;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

class TestStartup : public QObject {
    Q_OBJECT

    QTemporaryDir programDir;

    QString ProgramPath() const { return programDir.path() + QDir::separator(); }

    // The steps up to the dialogs, with the test's program folder in place of the
    // executable's (the bench window's creation sets ProgramDir first).
    void StartUntilDialogs(shell::Startup& startup) {
        startup.CreateMainWindow();
        startup.Catalogue().SetProgramDir(ProgramPath().toStdString());
        startup.CreateDialogs();
    }

    // The event loop's start without running it: show the bench window and wait for
    // its first activation to have set the caption.
    void ShowBench(shell::Startup& startup) {
        startup.Bench()->show();
        startup.Bench()->activateWindow();
        QTRY_VERIFY(Ui(*startup.Bench()).Panel1->isVisible());
    }

    // The whole start-up with OK in both dialogs, up to the bench window's first activation.
    void StartWith(shell::Startup& startup, const QString& pack, const QString& identifier) {
        StartUntilDialogs(startup);
        const auto language = ChooseLanguage(pack);
        startup.RunLanguageDialog();
        const auto answer = EnterIdentifier(identifier);
        startup.RunIdentifierDialog();
        startup.CreateWindows();
        ShowBench(startup);
    }

private slots:
    void initTestCase() {
        QVERIFY(programDir.isValid());
        const QString root = ProgramPath();
        for (const char* pack : {"English", "NoCaptions", ".old"})
            QDir(root).mkdir(pack);
        WriteFile(root + "English/Pelzamo2007.ini", FullPackIni);
        WriteFile(root + "English/Program.rtf", "{\\rtf1 Usage {\\b text}\\par}");
        WriteFile(root + "English/Tasks.rtf", "{\\rtf1 Task {\\b sheet}\\par}");
        WriteFile(root + "NoCaptions/Pelzamo2007.ini", NoCaptionsIni);
        WriteFile(root + "NoCaptions/Tasks.rtf", "{\\rtf1 Other tasks}");
        WriteFile(root + ".old/Pelzamo2007.ini", FullPackIni);
        WriteFile(root + "notes.txt", "a plain file");
    }

    void okAndOkStartsTheProgram() {
        shell::Startup startup;
        StartUntilDialogs(startup);
        const auto language = ChooseLanguage("English");
        startup.RunLanguageDialog();
        const auto identifier = EnterIdentifier("abc");
        startup.RunIdentifierDialog();
        QVERIFY(!startup.EndRequested());
        QCOMPARE(QString::fromStdString(startup.Catalogue().LanguageDir().string()),
                 ProgramPath() + "English");

        // The identifier dialog applied its strings when it was activated.
        QCOMPARE(startup.IdentifierDialog()->windowTitle(), QString("Identifier caption"));
        QCOMPARE(startup.IdentifierDialog()->Label1->text(), QString("Identifier prompt"));
        QCOMPARE(startup.IdentifierDialog()->OKBtn->text(), QString("Okay"));
        QCOMPARE(startup.IdentifierDialog()->CancelBtn->text(), QString("Abort"));

        startup.CreateWindows();
        QVERIFY(startup.Detector()->isVisible());
        QTRY_COMPARE(startup.Detector()->windowTitle(), QString("Detector caption"));
        ShowBench(startup);
        QCOMPARE(startup.Bench()->windowTitle(), QString("abc   Bench title"));
        QCOMPARE(Ui(*startup.Bench()).Label7->text(), QString("Move text"));
        // The detector window had laid itself out: the field shows its default distance.
        QCOMPARE(Ui(*startup.Bench()).Edit1->text(), QString("8.5"));
        QVERIFY(FieldsBound(*startup.Detector()));
        QCOMPARE(Ui(*startup.Detector()).PageControl1->tabText(0), QString("Spectrum tab"));
    }

    void theEventLoopRunsUntilQuit() {
        shell::Startup startup;
        StartUntilDialogs(startup);
        const auto language = ChooseLanguage("English");
        startup.RunLanguageDialog();
        const auto identifier = EnterIdentifier("loop");
        startup.RunIdentifierDialog();
        startup.CreateWindows();
        bool benchShown = false;
        QTimer::singleShot(100, [&] {
            benchShown = startup.Bench()->isVisible();
            QCoreApplication::quit();
        });
        QCOMPARE(startup.RunEventLoop(), 0);
        QVERIFY(benchShown);
    }

    void emptyIdentifierGivesThreeLeadingBlanks() {
        shell::Startup startup;
        StartUntilDialogs(startup);
        const auto language = ChooseLanguage("English");
        startup.RunLanguageDialog();
        const auto identifier = EnterIdentifier("");
        startup.RunIdentifierDialog();
        QVERIFY(!startup.EndRequested());
        startup.CreateWindows();
        ShowBench(startup);
        QCOMPARE(startup.Bench()->windowTitle(), QString("   Bench title"));
    }

    void cancelInTheLanguageDialogEndsWithoutAskingForTheIdentifier() {
        shell::Startup startup;
        StartUntilDialogs(startup);
        ShowCounter identifierShows;
        startup.IdentifierDialog()->installEventFilter(&identifierShows);
        const auto answer =
            WhenModal<TLanguageDlg>([](TLanguageDlg* dialog) { dialog->BitBtn2->click(); });
        startup.RunLanguageDialog();
        QVERIFY(startup.EndRequested());
        QVERIFY(startup.Catalogue().LanguageDir().empty());

        // Were it shown, it would be refused here rather than wait.
        const auto refuse = WhenModal<TPasswordDlg>([](TPasswordDlg* dialog) { dialog->reject(); });
        startup.RunIdentifierDialog();
        QCOMPARE(identifierShows.shows, 0);
        QVERIFY(startup.EndRequested());

        // The remaining windows exist, but none is shown, and the loop ends at once.
        startup.CreateWindows();
        QVERIFY(startup.Help() && startup.About() && startup.Detector());
        QVERIFY(!startup.Detector()->isVisible());
        bool loopRan = false;
        QTimer guard; // destroyed with the test, so it cannot fire in a later one
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, [&] {
            loopRan = true;
            QCoreApplication::quit();
        });
        guard.start(0);
        QCOMPARE(startup.RunEventLoop(), 0);
        QVERIFY(!loopRan);
        QVERIFY(!startup.Bench()->isVisible());
        QVERIFY(!startup.Session().Running());
    }

    void closingTheLanguageDialogCountsAsCancel() {
        shell::Startup startup;
        StartUntilDialogs(startup);
        const auto answer = WhenModal<TLanguageDlg>([](TLanguageDlg* dialog) { dialog->close(); });
        startup.RunLanguageDialog();
        QVERIFY(startup.EndRequested());
    }

    void cancelInTheIdentifierDialogEndsTheProgram() {
        shell::Startup startup;
        StartUntilDialogs(startup);
        const auto language = ChooseLanguage("English");
        startup.RunLanguageDialog();
        QVERIFY(!startup.EndRequested());
        const auto answer =
            WhenModal<TPasswordDlg>([](TPasswordDlg* dialog) { dialog->CancelBtn->click(); });
        startup.RunIdentifierDialog();
        QVERIFY(startup.EndRequested());
        startup.CreateWindows();
        QVERIFY(!startup.Detector()->isVisible());
        QCOMPARE(startup.RunEventLoop(), 0);
        QVERIFY(!startup.Bench()->isVisible());
    }

    void packWithoutDetectorCaption() {
        shell::Startup startup;
        StartWith(startup, "NoCaptions", "x");
        TForm2* detector = startup.Detector();
        detector->activateWindow();
        QTRY_COMPARE(detector->windowTitle(), QString("None"));
        // The detector window keeps its design texts and leaves its fields unbound...
        QVERIFY(!FieldsBound(*detector));
        QCOMPARE(Ui(*detector).PageControl1->tabText(0), QString("Spektrum"));
        QCOMPARE(Ui(*detector).Button2->text(), QString("Elfogad"));
        QCOMPARE(Ui(*detector).Label20->text(), QString("Időzítés (s)"));
        // ...while the bench window still applies its own strings.
        QCOMPARE(startup.Bench()->windowTitle(), QString("x   Other title"));
        QCOMPARE(Ui(*startup.Bench()).Label7->text(), QString("Other move"));
        QCOMPARE(Ui(*startup.Bench()).Sg1->title(), QString("Other help"));
    }

    void languageListSkipsDotFoldersAndFiles() {
        QCOMPARE(shell::ListLanguagePacks(ProgramPath()), QStringList({"English", "NoCaptions"}));

        strings::Catalogue catalogue;
        catalogue.SetProgramDir(ProgramPath().toStdString());
        TLanguageDlg dialog(catalogue);
        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(&dialog, &activate);
        QCOMPARE(dialog.ComboBox1->count(), 2);
        QCOMPARE(dialog.ComboBox1->currentText(), QString("English"));
        QVERIFY(dialog.BitBtn1->isEnabled());
        QCOMPARE(dialog.windowTitle(), QString("Select language"));
        QCOMPARE(dialog.Label1->text(), QString("Please select a language ! "));

        // A later activation refills the list but keeps the user's choice.
        dialog.ComboBox1->setCurrentIndex(1);
        QCoreApplication::sendEvent(&dialog, &activate);
        QCOMPARE(dialog.ComboBox1->count(), 2);
        QCOMPARE(dialog.ComboBox1->currentText(), QString("NoCaptions"));
    }

    void noPacksDisablesOk() {
        QTemporaryDir empty;
        QDir(empty.path()).mkdir(".hidden");
        strings::Catalogue catalogue;
        catalogue.SetProgramDir((empty.path() + QDir::separator()).toStdString());
        TLanguageDlg dialog(catalogue);
        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(&dialog, &activate);
        QCOMPARE(dialog.ComboBox1->count(), 0);
        QVERIFY(!dialog.BitBtn1->isEnabled());
        QVERIFY(dialog.BitBtn2->isEnabled());
    }

    void helpReloadsWhenSwitchingBetweenTasksAndUsage() {
        shell::Startup startup;
        StartWith(startup, "English", "h");
        TForm3* help = startup.Help();

        Ui(*startup.Bench()).Feladatok1->trigger();
        QTRY_COMPARE(help->RichEdit1->toPlainText().trimmed(), QString("Task sheet"));
        QVERIFY(help->isVisible());
        QCOMPARE(help->Tag, 1);
        QCOMPARE(help->windowTitle(), QString("Help caption"));
        QCOMPARE(help->Button1->text(), QString("Back text"));

        // Chosen while the help window is open: reloaded with the usage text.
        startup.Bench()->activateWindow();
        QTRY_VERIFY(startup.Bench()->isActiveWindow());
        Ui(*startup.Bench()).Aprogramhasznlata1->trigger();
        QTRY_COMPARE(help->RichEdit1->toPlainText().trimmed(), QString("Usage text"));
        QCOMPARE(help->Tag, 0);

        help->Button1->click();
        QVERIFY(!help->isVisible());
    }

    void helpForAPackWithoutProgramRtfIsEmpty() {
        shell::Startup startup;
        StartWith(startup, "NoCaptions", "e");
        TForm3* help = startup.Help();

        Ui(*startup.Bench()).Feladatok1->trigger();
        QTRY_COMPARE(help->RichEdit1->toPlainText(), QString("Other tasks"));
        startup.Bench()->activateWindow();
        QTRY_VERIFY(startup.Bench()->isActiveWindow());
        Ui(*startup.Bench()).Aprogramhasznlata1->trigger();
        QTRY_VERIFY(help->RichEdit1->toPlainText().isEmpty());
        QCOMPARE(help->windowTitle(), QString("Other help"));
    }

    void aboutBoxAppliesItsStringsAtEveryActivation() {
        shell::Startup startup;
        StartWith(startup, "English", "a");

        QStringList seen;
        bool iconShown = false;
        QColor productColour;
        auto look = [&](TAboutBox* about) {
            seen << about->windowTitle() << about->ProductName->text() << about->Version->text()
                 << about->Comments->text() << about->OKButton->text();
            // The icon design is drawn, not a blank: teal inside the plot area.
            iconShown =
                about->ProgramIcon->pixmap().toImage().pixelColor(20, 20) == QColor(0, 128, 128);
            productColour = about->ProductName->palette().color(QPalette::WindowText);
            about->OKButton->click();
        };
        const auto answer = WhenModal<TAboutBox>(look);
        Ui(*startup.Bench()).Nvjegy1->trigger();
        QCOMPARE(seen,
                 QStringList({"About caption", "Product", "Version line", "Credit line", "Okay"}));
        QVERIFY(iconShown);
        QCOMPARE(productColour, QColor(255, 255, 128));
        QVERIFY(startup.About()->Authorship->text().contains("Pelzamo2007"));

        // Another language file: the next activation shows its strings.
        startup.Catalogue().ChoosePack((ProgramPath() + "NoCaptions").toStdString());
        seen.clear();
        const auto answerAgain = WhenModal<TAboutBox>(look);
        Ui(*startup.Bench()).Nvjegy1->trigger();
        QCOMPARE(seen, QStringList({"Other about", "None", "None", "None", "OK"}));
    }

    void helpStartsFromTheTopAtEveryActivation() {
        QTemporaryDir pack;
        QByteArray longText = "{\\rtf1 ";
        for (int i = 0; i < 300; ++i)
            longText += "Line " + QByteArray::number(i) + "\\par ";
        WriteFile(pack.path() + "/Tasks.rtf", longText + "}");
        strings::Catalogue catalogue;
        catalogue.ChoosePack(pack.path().toStdString());

        TForm3 help(catalogue);
        help.Tag = 1;
        help.show();
        QTRY_VERIFY(help.RichEdit1->toPlainText().startsWith("Line 0"));
        QScrollBar* bar = help.RichEdit1->verticalScrollBar();
        QVERIFY(bar->maximum() > 100);
        bar->setValue(100);

        // Every activation shows the text from its start.
        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(&help, &activate);
        QCOMPARE(bar->value(), 0);
        QVERIFY(help.RichEdit1->toPlainText().startsWith("Line 0"));
        // A file changed since it was shown is read again.
        WriteFile(pack.path() + "/Tasks.rtf", "{\\rtf1 Changed}");
        QCoreApplication::sendEvent(&help, &activate);
        QCOMPARE(help.RichEdit1->toPlainText(), QString("Changed"));
        // The usage text is missing in this pack: the window is empty, silently.
        help.Tag = 0;
        QCoreApplication::sendEvent(&help, &activate);
        QVERIFY(help.RichEdit1->toPlainText().isEmpty());
    }

    void identifierDialogAcceptsAnyText() {
        strings::Catalogue catalogue;
        TPasswordDlg dialog(catalogue);
        const auto answer = WhenModal<TPasswordDlg>([](TPasswordDlg* d) {
            QTest::keyClicks(d->Password, "  any text, even {this} ");
            QTest::keyClick(d->Password, Qt::Key_Return); // the default button
        });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QCOMPARE(dialog.Password->text(), QString("  any text, even {this} "));
        QCOMPARE(dialog.Password->echoMode(), QLineEdit::Normal);
    }
};

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    int failures = 0;
    {
        TestStartup startup;
        failures += QTest::qExec(&startup, argc, argv);
    }
    failures += RunPackTests(argc, argv);
    failures += RunAccessibleTests(argc, argv);
    return failures;
}

#include "test_startup.moc"
