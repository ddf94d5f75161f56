// Hostile language packs, built in a program folder whose path, like the pack's own name,
// is not valid UTF-8: whatever sits where a pack file should be, choosing the pack, the
// string lookup and the help window neither block, nor read without a limit, nor take
// time beyond linear. CTest runs each row alone under a time limit: a row that hangs
// fails there.
#include "shell/Language.h"
#include "shell/Sugo.h"
#include "strings/LangStrings.h"

#include <QComboBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

enum class Replacement { None, Fifo, LinkToZero, Content };

constexpr int MB = 1024 * 1024;

// Characters of the help window's text, without the invisible break opportunities.
int ShownCharacters(const TForm3& help) {
    const QString text = help.RichEdit1->toPlainText();
    return int(text.size() - text.count(QChar(0x200B)));
}

} // namespace

class TestHostilePacks : public QObject {
    Q_OBJECT

private slots:
    void pack_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<Replacement>("replacement");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("caption"); // string 4, the help window's caption
        QTest::addColumn<int>("helpLength");  // of the text shown

        const QString ini = "Pelzamo2007.ini";
        const QString tasks = "Tasks.rtf";
        const QByteArray none;
#ifndef _WIN32 // named pipes and /dev/zero: on Windows the file tests refuse the devices
        QTest::newRow("fifo_ini") << ini << Replacement::Fifo << none << "None" << 5;
        QTest::newRow("endless_ini") << ini << Replacement::LinkToZero << none << "None" << 5;
        QTest::newRow("fifo_help") << tasks << Replacement::Fifo << none << "Help" << 0;
#endif
        // Beyond the reader's limit: treated as missing.
        QTest::newRow("huge_help")
            << tasks << Replacement::Content << "{\\rtf1 " + QByteArray(16 * MB, 'y') + "}"
            << "Help" << 0;
        QTest::newRow("unbroken_word")
            << tasks << Replacement::Content << "{\\rtf1 " + QByteArray(2 * MB, 'x') + "}"
            << "Help" << 2 * MB;
        QTest::newRow("nul_bytes")
            << tasks << Replacement::Content << QByteArray(2 * MB, '\0') << "Help" << 2 * MB;
        QTest::newRow("not_utf8") << tasks << Replacement::None << none << "Help" << 5;
    }

    void pack() {
        QFETCH(QString, file);
        QFETCH(Replacement, replacement);
        QFETCH(QByteArray, content);
        QFETCH(QString, caption);
        QFETCH(int, helpLength);

        QTemporaryDir temporary;
#ifdef _WIN32
        // Names are UTF-16 there: the folders' are not ASCII.
        const fs::path programDir =
            fs::path(temporary.path().toStdWString()) / L"Pr\u00f6gram" / L"";
        const fs::path pack = programDir / L"Fran\u00e7ais";
        const QString shown = QString("Fran\u00e7ais");
#else
        const std::string programDir =
            QFile::encodeName(temporary.path()).toStdString() + "/Pr\xF6gram/";
        const fs::path pack = programDir + "Fran\xE7"
                                           "ais";
        const QString shown = QString("Fran\uFFFDais");
#endif
        fs::create_directories(pack);
        std::ofstream(pack / "Pelzamo2007.ini") << "[General]\nS0004=Help\n";
        std::ofstream(pack / "Tasks.rtf") << "{\\rtf1 Tasks}";
        const fs::path replaced = pack / file.toStdString();
        if (replacement != Replacement::None) fs::remove(replaced);
#ifndef _WIN32
        if (replacement == Replacement::Fifo) QCOMPARE(::mkfifo(replaced.c_str(), 0600), 0);
        if (replacement == Replacement::LinkToZero) fs::create_symlink("/dev/zero", replaced);
#endif
        if (replacement == Replacement::Content)
            std::ofstream(replaced, std::ios::binary).write(content.constData(), content.size());

        // The pack is listed, shown with a replacement character, and chosen.
        strings::Catalogue catalogue;
        catalogue.SetProgramDir(programDir);
        TLanguageDlg dialog(catalogue);
        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(&dialog, &activate);
        QCOMPARE(dialog.ComboBox1->count(), 1);
        QCOMPARE(dialog.ComboBox1->currentText(), shown);
        dialog.BitBtn1->click();
        QCOMPARE(catalogue.LanguageDir().native(), pack.native());

        TForm3 help(catalogue);
        help.Tag = 1;
        help.show();
        QCoreApplication::sendEvent(&help, &activate);
        QCOMPARE(help.windowTitle(), caption);
        QCOMPARE(ShownCharacters(help), helpLength);
    }
};

QTEST_MAIN(TestHostilePacks)
#include "test_hostile_packs.moc"
