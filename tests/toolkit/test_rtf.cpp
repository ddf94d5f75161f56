// The help viewer's RTF reader: what it renders, what it skips, and that no input,
// however broken, makes it crash, hang or read outside the data.
#include "toolkit/RtfReader.h"

#include <QFont>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QtTest>

#include <cstdint>
#include <random>

namespace {

QString Rendered(const QByteArray& rtf) {
    QTextDocument document;
    toolkit::ReadRtf(rtf, document);
    return document.toRawText();
}

QStringList Blocks(const QTextDocument& document) {
    QStringList blocks;
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next())
        blocks << b.text();
    return blocks;
}

// The character format of the first character of word in the document.
QTextCharFormat FormatOf(const QTextDocument& document, const QString& word) {
    const QTextCursor found = document.find(word);
    if (found.isNull()) return {};
    QTextCursor cursor(const_cast<QTextDocument*>(&document));
    cursor.setPosition(found.selectionStart() + 1);
    return cursor.charFormat();
}

} // namespace

class TestRtf : public QObject {
    Q_OBJECT

private slots:
    void paragraphsLinesAndTabs() {
        QTextDocument document;
        toolkit::ReadRtf("{\\rtf1\\ansi First\\par Second\\line next\\tab x\\par}", document);
        const QStringList blocks = Blocks(document);
        QCOMPARE(blocks.size(), 3); // the closing \par opens an empty last paragraph
        QCOMPARE(blocks[0], QString("First"));
        QCOMPARE(blocks[1], QString("Second") + QChar(QChar::LineSeparator) + "next\tx");
        QCOMPARE(blocks[2], QString());
        // Line ends in the source are not text; a control word's delimiting blank is eaten.
        QCOMPARE(Rendered("{\\rtf1 a\r\nb\\par\r\nc}"), QString("ab") + QChar(0x2029) + "c");
    }

    void characterFormattingIsScopedToGroups() {
        QTextDocument document;
        toolkit::ReadRtf("{\\rtf1 plain {\\b bold {\\i both}} after \\ul under \\ulnone done "
                          "\\b heavy \\b0 light \\i1 it \\i0 up \\ul x \\ul0 y}",
                          document);
        QCOMPARE(document.toPlainText(),
                 QString("plain bold both after under done heavy light it up x y"));
        QCOMPARE(FormatOf(document, "plain").fontWeight(), int(QFont::Normal));
        QCOMPARE(FormatOf(document, "bold").fontWeight(), int(QFont::Bold));
        QVERIFY(!FormatOf(document, "bold").fontItalic());
        QCOMPARE(FormatOf(document, "both").fontWeight(), int(QFont::Bold));
        QVERIFY(FormatOf(document, "both").fontItalic());
        QCOMPARE(FormatOf(document, "after").fontWeight(), int(QFont::Normal));
        QVERIFY(FormatOf(document, "under").fontUnderline());
        QVERIFY(!FormatOf(document, "done").fontUnderline());
        QCOMPARE(FormatOf(document, "heavy").fontWeight(), int(QFont::Bold));
        QCOMPARE(FormatOf(document, "light").fontWeight(), int(QFont::Normal));
        QVERIFY(FormatOf(document, "it").fontItalic());
        QVERIFY(!FormatOf(document, "up").fontItalic());
        QVERIFY(FormatOf(document, "x").fontUnderline());
        QVERIFY(!FormatOf(document, "y").fontUnderline());
    }

    void fontSizesInHalfPointsAndClamped() {
        QTextDocument document;
        toolkit::ReadRtf("{\\rtf1 \\fs30 big \\fs99999999999 huge \\fs-5 tiny \\plain reset}",
                          document);
        QCOMPARE(FormatOf(document, "big").fontPointSize(), 15.0);
        QVERIFY(FormatOf(document, "huge").fontPointSize() <= 144.0);
        QVERIFY(FormatOf(document, "tiny").fontPointSize() >= 2.0);
        QCOMPARE(FormatOf(document, "reset").fontPointSize(), 12.0);
    }

    void colourTable() {
        QTextDocument document;
        toolkit::ReadRtf("{\\rtf1{\\colortbl;\\red255\\green0\\blue0;\\red0\\green128\\blue999;}"
                          "\\cf1 red \\cf2 teal \\cf0 auto \\cf77 missing {\\cf1 inner} outer}",
                          document);
        QCOMPARE(document.toPlainText(), QString("red teal auto missing inner outer"));
        QCOMPARE(FormatOf(document, "red").foreground().color(), QColor(255, 0, 0));
        QCOMPARE(FormatOf(document, "teal").foreground().color(), QColor(0, 128, 255));
        QVERIFY(!FormatOf(document, "auto").hasProperty(QTextFormat::ForegroundBrush));
        QVERIFY(!FormatOf(document, "missing").hasProperty(QTextFormat::ForegroundBrush));
        QCOMPARE(FormatOf(document, "inner").foreground().color(), QColor(255, 0, 0));
        QVERIFY(!FormatOf(document, "outer").hasProperty(QTextFormat::ForegroundBrush));
    }

    void codePages() {
        // Windows-1252 is the default; \ansicpg1250 switches to Central European.
        QCOMPARE(Rendered("{\\rtf1\\ansi \\'e9\\'f5\\'80\\'96}"), QString::fromUtf8("éõ€–"));
        QCOMPARE(Rendered("{\\rtf1\\ansi\\ansicpg1250 \\'e9\\'f5\\'fb\\'d5\\'db\\'8a}"),
                 QString::fromUtf8("éőűŐŰŠ"));
        // Raw 8-bit bytes are read in the code page too; hex digits in either case.
        QCOMPARE(Rendered("{\\rtf1\\ansicpg1250 \xf5\\'F5}"), QString::fromUtf8("őő"));
        // A font's charset decides for text in that font.
        QCOMPARE(Rendered("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fcharset0 Arial;}"
                          "{\\f1\\fcharset238 Arial CE;}}\\'f5\\f1\\'f5{\\f0\\'f5}\\'f5}"),
                 QString::fromUtf8("õőõő"));
        // The default font's charset applies to text without \f.
        QCOMPARE(Rendered("{\\rtf1\\ansi\\deff1{\\fonttbl{\\f1\\fcharset238 Arial;}}\\'f5}"),
                 QString::fromUtf8("ő"));
        // An unknown code page falls back to Windows-1252.
        QCOMPARE(Rendered("{\\rtf1\\ansicpg999 \\'f5}"), QString::fromUtf8("õ"));
    }

    void unicodeEscapesAndFallbacks() {
        QCOMPARE(Rendered("{\\rtf1 \\u337?x}"), QString::fromUtf8("őx"));
        QCOMPARE(Rendered("{\\rtf1 \\uc2\\u337 ox y}"), QString::fromUtf8("ő y"));
        QCOMPARE(Rendered("{\\rtf1 \\uc0\\u337 x}"), QString::fromUtf8("őx"));
        // The fallback may be a \'hh character; a group end stops the skipping.
        QCOMPARE(Rendered("{\\rtf1 \\u8364\\'80 euro}"), QString::fromUtf8("€ euro"));
        QCOMPARE(Rendered("{\\rtf1 {\\uc3\\u8364}abc}"), QString::fromUtf8("€abc"));
        // \uc is scoped to its group.
        QCOMPARE(Rendered("{\\rtf1 {\\uc2 a}\\u337??b}"), QString::fromUtf8("aő?b"));
        // Negative N: N + 65536; a surrogate pair makes one character.
        QCOMPARE(Rendered("{\\rtf1 \\u-3?}"), QString(QChar(0xFFFD)));
        QCOMPARE(Rendered("{\\rtf1 \\u-10179?\\u-8704?}"), QString::fromUtf8("😀"));
        // Half a pair, a value out of range and a NUL do not make invalid text.
        QCOMPARE(Rendered("{\\rtf1 \\u-10179?x}"), QString(QChar(0xFFFD)) + "x");
        QCOMPARE(Rendered("{\\rtf1 \\u-8704?x}"), QString(QChar(0xFFFD)) + "x");
        QCOMPARE(Rendered("{\\rtf1 \\u99999?x}"), QString(QChar(0xFFFD)) + "x");
        QCOMPARE(Rendered("{\\rtf1 \\u0?x}"), QString("x"));
    }

    void escapedCharactersAndSymbols() {
        QCOMPARE(Rendered("{\\rtf1 a\\\\b\\{c\\}d\\~e\\-f}"),
                 QString("a\\b{c}d") + QChar(0xA0) + "ef");
        QCOMPARE(
            Rendered("{\\rtf1 \\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote}"),
            QString::fromUtf8("—–•‘’“”"));
    }

    void skippedDestinations() {
        const QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}}"
                               "{\\colortbl;\\red1\\green2\\blue3;}"
                               "{\\stylesheet{\\s0 Normal;}}{\\info{\\title Secret}{\\author Me}}"
                               "{\\*\\generator Writer 1.0;}{\\header Head}{\\footer Foot}"
                               "{\\pict\\pngblip 89504e47}{\\*\\unknownthing hidden}"
                               "{\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt shown}}"
                               "{\\field{\\fldinst PAGE}{\\fldrslt  page}}"
                               "{\\pict\\bin6 }}{{{x} visible}";
        QCOMPARE(Rendered(rtf), QString("shown page visible"));
    }

    void brokenInputStaysSafe() {
        // Unbalanced braces, truncated words and escapes, text after the last brace.
        QCOMPARE(Rendered("{\\rtf1 {\\b open"), QString("open"));
        QCOMPARE(Rendered("{\\rtf1 a}}}} after"), QString("a"));
        QCOMPARE(Rendered("{\\rtf1 a\\"), QString("a"));
        QCOMPARE(Rendered("{\\rtf1 a\\fs"), QString("a"));
        QCOMPARE(Rendered("{\\rtf1 a\\fs-"), QString("a-")); // a delimiter, not a sign
        QCOMPARE(Rendered("{\\rtf1 a\\'"), QString("a"));
        QCOMPARE(Rendered("{\\rtf1 a\\''"), QString("a'"));
        QCOMPARE(Rendered("{\\rtf1 a\\'4"), QString("a4"));
        QCOMPARE(Rendered("{\\rtf1 a\\'zz"), QString("azz"));
        QCOMPARE(Rendered("{\\rtf1 a\\u"), QString("a"));
        QCOMPARE(Rendered("{\\rtf1 a\\bin999999999999 lost}"), QString("a"));
        QCOMPARE(Rendered("{\\rtf1 a\\bin-5 b}"), QString("ab"));
        QCOMPARE(Rendered("{\\rtf1 \\uc99999999999\\u337 abcdefghijklmnopqrstuvwxyz}"),
                 QString::fromUtf8("őqrstuvwxyz"));
        QCOMPARE(Rendered(QByteArray("{\\rtf1 a\0b}", 11)), QString("ab"));
        QCOMPARE(Rendered("{\\rtf1 \\" + QByteArray(100, 'x') + "9 z}"), QString("z"));
        QCOMPARE(Rendered(""), QString());
    }

    void deepNestingDoesNotRecurseOrOverflow() {
        const int depth = 100000;
        const QByteArray rtf = "{\\rtf1 before" + QByteArray(depth, '{') + "\\b deep" +
                               QByteArray(depth, '}') + " after}";
        QTextDocument document;
        toolkit::ReadRtf(rtf, document);
        QVERIFY(document.toPlainText().startsWith("before"));
        QVERIFY(document.toPlainText().endsWith(" after"));
        // Whatever happened inside, the formatting outside is restored.
        QCOMPARE(FormatOf(document, "after").fontWeight(), int(QFont::Normal));
        // Unclosed deep nesting just ends.
        QCOMPARE(Rendered("{\\rtf1 x" + QByteArray(depth, '{')), QString("x"));
    }

    void notRtfIsShownAsPlainText() {
        QCOMPARE(Rendered("Just text,\nno markup."),
                 QString("Just text,") + QChar(0x2029) + "no markup.");
        QCOMPARE(Rendered("\xEF\xBB\xBF  {\\rtf1 marked}"), QString("marked"));
    }

    // Random bytes and random token soup, behind a valid header so that the reader
    // really parses them. Under the sanitizers an out-of-bounds read fails the run.
    void randomInputNeverCrashes() {
        std::mt19937 generator(20070101);
        const char* const tokens[] = {
            "{",          "}",
            "\\",         "\\'",
            "\\'f",       "\\'f5",
            "\\u",        "\\u-",
            "\\u-10179",  "\\u65535",
            "\\uc",       "\\uc3",
            "\\b",        "\\b0",
            "\\i",        "\\ul",
            "\\ulnone",   "\\fs",
            "\\fs-99",    "\\cf",
            "\\cf3",      "\\par",
            "\\line",     "\\tab",
            "\\*",        "\\fonttbl",
            "\\colortbl", "\\red",
            "\\green255", "\\blue",
            ";",          "\\f",
            "\\f1",       "\\fcharset238",
            "\\ansicpg",  "\\ansicpg1250",
            "\\bin",      "\\bin3",
            "\\pict",     "\\plain",
            "\\pard",     "\\qc",
            "\\tx",       "\\li-999999",
            " ",          "a",
            "\xf5",       "\r\n",
            "\\\\",       "\\{",
            "\\}",        "?",
            "\\deff9",
        };
        constexpr int tokenCount = static_cast<int>(sizeof tokens / sizeof tokens[0]);
        for (int round = 0; round < 300; ++round) {
            QByteArray soup = "{\\rtf1 ";
            QByteArray bytes = "{\\rtf1 ";
            const int length = static_cast<int>(generator() % 2000);
            for (int i = 0; i < length; ++i) {
                soup += tokens[generator() % tokenCount];
                bytes += static_cast<char>(generator() & 0xFF);
            }
            QTextDocument document;
            toolkit::ReadRtf(soup, document);
            toolkit::ReadRtf(bytes, document);
            QVERIFY(document.characterCount() >= 1);
        }
    }
};

QTEST_MAIN(TestRtf)
#include "test_rtf.moc"
