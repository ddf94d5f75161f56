// What a screen reader finds in every window, through Qt's accessibility interface, with
// each shipped language pack: every visible control has a name, without padding blanks,
// and the spectrum plot describes what its readouts show.
#include "bench/Main.h"
#include "measurement/Detektor.h"
#include "shell/About.h"
#include "shell/Language.h"
#include "shell/PswdDlg.h"
#include "shell/Sugo.h"
#include "strings/LangStrings.h"
#include "toolkit/Widgets.h"

#include "WindowTestSupport.h"

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

#include <memory>

namespace {

const QString Packs = QStringLiteral(PELZAMO_LANG_SOURCE_DIR);

// Roles that only hold other objects: a screen reader does not stop at them.
bool IsContainer(QAccessible::Role role) {
    switch (role) {
    case QAccessible::Client:
    case QAccessible::Pane:
    case QAccessible::Grouping:
    case QAccessible::Border:
    case QAccessible::Window:
    case QAccessible::Dialog:
    case QAccessible::MenuBar:
    case QAccessible::PageTabList:
    case QAccessible::LayeredPane:
    case QAccessible::Separator:
    case QAccessible::NoRole:
        return true;
    default:
        return false;
    }
}

// The visible objects below node that have no name or a padded one, as "role: text".
void Unnamed(QAccessibleInterface* node, QStringList& faults, int depth = 0) {
    if (depth > 20) return; // bounded: the windows' trees are a few levels deep
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface* child = node->child(i);
        if (child == nullptr || child->state().invisible) continue;
        const QString name = child->text(QAccessible::Name);
        // "None" is the text of a string missing from the pack.
        if (!IsContainer(child->role()) &&
            (name.isEmpty() || name != name.trimmed() || name == QLatin1String("None")))
            faults << QStringLiteral("%1 '%2' (%3)")
                          .arg(int(child->role()))
                          .arg(name,
                               child->object() ? child->object()->metaObject()->className() : "");
        Unnamed(child, faults, depth + 1);
    }
}

// One window, shown and activated, so that it has applied the strings of its catalogue.
struct Shown {
    model::Session session{windowtest::Generator(), windowtest::Clock()};
    strings::Catalogue catalogue;
    std::unique_ptr<TForm2> detector;
    std::unique_ptr<TForm1> bench;
    std::unique_ptr<QWidget> other;

    QWidget* Open(const QString& window) {
        if (window == "bench" || window == "detector") {
            detector = std::make_unique<TForm2>(session, catalogue);
            bench = std::make_unique<TForm1>(session, catalogue);
            bench->SetDetector(detector.get());
            detector->show();
            if (!QTest::qWaitFor([this] { return windowtest::LaidOut(*detector); })) return nullptr;
            bench->show();
            if (!QTest::qWaitFor([this] { return windowtest::Ui(*bench).Panel1->isVisible(); }))
                return nullptr;
            if (window == "bench") return bench.get();
            detector->activateWindow();
            if (!QTest::qWaitForWindowActive(detector.get())) return nullptr;
            return detector.get();
        }
        if (window == "identifier") other = std::make_unique<TPasswordDlg>(catalogue);
        if (window == "language") other = std::make_unique<TLanguageDlg>(catalogue);
        if (window == "help") other = std::make_unique<TForm3>(catalogue);
        if (window == "about") other = std::make_unique<TAboutBox>(catalogue);
        other->show();
        other->activateWindow();
        return QTest::qWaitForWindowActive(other.get()) ? other.get() : nullptr;
    }
};

} // namespace

class TestAccessible : public QObject {
    Q_OBJECT

private slots:
    void everyVisibleControlIsNamed_data() {
        QTest::addColumn<QString>("pack");
        QTest::addColumn<QString>("window");
        for (const char* pack : {"English", "Magyar"})
            for (const char* window :
                 {"bench", "detector", "identifier", "language", "help", "about"})
                QTest::newRow(qPrintable(QString("%1 %2").arg(pack, window)))
                    << QString(pack) << QString(window);
    }
    void everyVisibleControlIsNamed() {
        QFETCH(QString, pack);
        QFETCH(QString, window);
        Shown shown;
        shown.catalogue.ChoosePack((Packs + "/" + pack).toStdString());
        QWidget* widget = shown.Open(window);
        QVERIFY(widget != nullptr);

        QStringList faults;
        Unnamed(QAccessible::queryAccessibleInterface(widget), faults);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(", ")));

        // Entry fields are labelled by their visible labels.
        const auto labelledBy = [](QWidget* field, QWidget* label) {
            for (const auto& [other, relation] :
                 QAccessible::queryAccessibleInterface(field)->relations(QAccessible::Label))
                if (other->object() == label) return true;
            return false;
        };
        if (window == "bench")
            QVERIFY(labelledBy(windowtest::Ui(*shown.bench).Edit1,
                               windowtest::Ui(*shown.bench).Label3));
        if (window != "detector") return;
        TForm2& form = *shown.detector;
        const windowtest::DetectorControls ui = windowtest::Ui(form);
        QVERIFY(labelledBy(ui.Edit12, ui.Label16));
        // The plot says what the readouts show, and follows them.
        const auto description = [&ui] {
            return QAccessible::queryAccessibleInterface(ui.Image3)->text(QAccessible::Description);
        };
        QVERIFY(description().contains(ui.Label9->text().trimmed()));
        QVERIFY(description().contains(ui.Edit1->text().trimmed()));
        QTest::keyClick(&form, Qt::Key_Right, Qt::AltModifier);
        QVERIFY(description().contains(ui.Label9->text().trimmed()));
        QCOMPARE(ui.Edit10->accessibleName(),
                 ui.Label13->text().trimmed() + " " + ui.Label14->text().trimmed().chopped(1));
    }
};

int RunAccessibleTests(int argc, char** argv) {
    TestAccessible accessible;
    return QTest::qExec(&accessible, argc, argv);
}

#include "test_accessible.moc"
