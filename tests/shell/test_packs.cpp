// The language packs that ship with the program: every string id the windows use has a
// text, and the help files are RTF that reads without damage.
#include "platform/IniFile.h"
#include "shell/Language.h"
#include "toolkit/RtfReader.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QtTest>

#include <algorithm>
#include <string>

namespace {

// Every string id that a window looks up.
const int StringIds[] = {1,   2,   4,   5,   7,   8,   9,   10,  27,  29,  30,  31,  32,  33,
                         42,  43,  48,  55,  60,  61,  62,  63,  64,  200, 203, 204, 205, 206,
                         207, 208, 209, 210, 211, 215, 216, 217, 218, 219, 220, 221, 222, 223,
                         224, 225, 226, 227, 228, 229, 230, 256, 257, 401, 403, 404, 407};

const QString ShippedPacks = QStringLiteral(PELZAMO_LANG_SOURCE_DIR);

// The ids whose text is the same word in English and in Magyar: OK, Auto (the check box
// of the automatic scale) and the product's name.
const int SameInBothPacks[] = {1, 32, 403};

std::string PackText(const QString& pack, int id) {
    const platform::IniFile ini((ShippedPacks + "/" + pack + "/Pelzamo2007.ini").toStdString());
    return ini.Read("General", QString("S%1").arg(id, 4, 10, QChar('0')).toStdString(), "None");
}

QString Help(const QString& pack, const QString& file) {
    QFile rtf(ShippedPacks + "/" + pack + "/" + file);
    if (!rtf.open(QIODevice::ReadOnly)) return {};
    QTextDocument document;
    toolkit::ReadRtf(rtf.readAll(), document);
    return document.toPlainText();
}

} // namespace

class TestPacks : public QObject {
    Q_OBJECT

private slots:
    void theRequiredPacksShip() {
        const QStringList packs = shell::ListLanguagePacks(ShippedPacks);
        QVERIFY(packs.contains("English"));
        QVERIFY(packs.contains("Magyar"));
    }

    void everyStringIdHasAText() {
        for (const QString& pack : shell::ListLanguagePacks(ShippedPacks)) {
            const platform::IniFile ini(
                (ShippedPacks + "/" + pack + "/Pelzamo2007.ini").toStdString());
            for (int id : StringIds) {
                const std::string key = QString("S%1").arg(id, 4, 10, QChar('0')).toStdString();
                const std::string text = ini.Read("General", key, "None");
                QVERIFY2(text != "None" && !text.empty(),
                         qPrintable(pack + ": no text for " + QString::fromStdString(key)));
            }
            // The blanks of the bench label survive the quotes.
            QVERIFY(ini.Read("General", "S0060", "").starts_with("   "));
        }
    }

    // The Magyar pack speaks Magyar: no text of it is the English one.
    void magyarTextsAreMagyar() {
        for (int id : StringIds) {
            if (std::find(std::begin(SameInBothPacks), std::end(SameInBothPacks), id) !=
                std::end(SameInBothPacks))
                continue;
            const std::string magyar = PackText("Magyar", id);
            QVERIFY2(magyar != PackText("English", id), magyar.c_str());
        }
    }

    void hungarianDesignTexts() {
        const platform::IniFile ini((ShippedPacks + "/Magyar/Pelzamo2007.ini").toStdString());
        QCOMPARE(QString::fromStdString(ini.Read("General", "S0004", "")), QString("Súgó"));
        QCOMPARE(QString::fromStdString(ini.Read("General", "S0062", "")),
                 QString("Forrástól való távolság (cm)"));
        QCOMPARE(QString::fromStdString(ini.Read("General", "S0207", "")), QString("Bruttó: "));
    }

    void helpFilesReadCleanly() {
        for (const QString& pack : shell::ListLanguagePacks(ShippedPacks)) {
            for (const char* file : {"Program.rtf", "Tasks.rtf"}) {
                const QString text = Help(pack, file);
                QVERIFY2(text.size() > 2000,
                         qPrintable(pack + "/" + file + " is missing or short"));
                QVERIFY2(!text.contains(QChar(0xFFFD)), qPrintable(pack + "/" + file));
                QVERIFY2(!text.contains('\\') && !text.contains('{'),
                         qPrintable(pack + "/" + file));
            }
        }
        // Accents come through the code page.
        QVERIFY(Help("Magyar", "Tasks.rtf").contains("Ellenőrzés"));
        QVERIFY(Help("Magyar", "Program.rtf").contains("Kilépés"));
    }

    void theTaskSheetsCarryTheKeyNumbers() {
        const QStringList english = {"0.662", "2.56",  "3.75",  "0.478", "2.328", "3.511",
                                     "2.049", "1.538", "3.239", "2.728", "FWHM"};
        const QString tasks = Help("English", "Tasks.rtf");
        for (const QString& number : english)
            QVERIFY2(tasks.contains(number), qPrintable(number));
        const QString feladatok = Help("Magyar", "Tasks.rtf");
        for (QString number : english)
            QVERIFY2(feladatok.contains(number.replace('.', ',')), qPrintable(number));
    }

    // Every field refuses a decimal comma: the usage texts write numbers with a point.
    void theUsageTextsWriteDecimalPoints() {
        for (const QString& pack : shell::ListLanguagePacks(ShippedPacks)) {
            const QString usage = Help(pack, "Program.rtf");
            const auto comma = QRegularExpression(QStringLiteral("\\d,\\d")).match(usage);
            QVERIFY2(!comma.hasMatch(),
                     qPrintable(pack + ": " + usage.mid(comma.capturedStart() - 20, 40)));
        }
    }

    void theUsageTextsExplainTheKeys() {
        const QString usage = Help("English", "Program.rtf");
        for (const char* key : {"Alt+Right", "Alt+Ctrl", "Auto", "Clear", "Preset", "Accept"})
            QVERIFY2(usage.contains(key), key);
        const QString hasznalat = Help("Magyar", "Program.rtf");
        for (const char* key :
             {"Alt+jobbra", "Alt", "Ctrl", "Auto", "Törlés", "Időzítés", "Elfogad"})
            QVERIFY2(hasznalat.contains(QString::fromUtf8(key)), key);
    }

    // The tables of the usage help (keys, bullets, numbered steps): in all rows of one
    // table the text after the tab starts in the same column, none pushed on to a later
    // tab stop by a long first part. Measured with the fonts of the machine that runs it.
    void tabbedRowsKeepTheirColumn() {
        for (const QString& pack : shell::ListLanguagePacks(ShippedPacks)) {
            QFile rtf(ShippedPacks + "/" + pack + "/Program.rtf");
            QVERIFY(rtf.open(QIODevice::ReadOnly));
            QTextDocument document;
            toolkit::ReadRtf(rtf.readAll(), document);
            document.setTextWidth(633); // the help window's text area
            document.size();            // lays the whole text out
            QTextBlockFormat table;     // the paragraph format of the rows before
            double column = 0;
            int rows = 0;
            for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
                const int tab = block.text().indexOf('\t');
                if (block.blockFormat().tabPositions().isEmpty() || tab < 0) continue;
                const QTextLine line = block.layout()->lineForTextPosition(tab + 1);
                QVERIFY(line.isValid());
                const double x = line.cursorToX(tab + 1);
                if (block.blockFormat() != table) {
                    table = block.blockFormat();
                    column = x;
                }
                QVERIFY2(x == column, qPrintable(pack + ": " + block.text().left(tab)));
                ++rows;
            }
            QVERIFY(rows >= 8);
        }
    }
};

int RunPackTests(int argc, char** argv) {
    TestPacks packs;
    return QTest::qExec(&packs, argc, argv);
}

#include "test_packs.moc"
