#include "toolkit/RtfReader.h"

#include "platform/Numbers.h"
#include "platform/TextCodec.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace toolkit {
namespace {

// ---------------------------------------------------------------------------------------
// Code pages of \'hh characters and raw 8-bit text. Bytes below 0x80 are ASCII in both.

constexpr int kCodePageWestern = 1252;
constexpr int kCodePageCentralEuropean = 1250;

int SupportedCodePage(int codePage) {
    return codePage == kCodePageCentralEuropean ? kCodePageCentralEuropean : kCodePageWestern;
}

// Both code pages stay within the Basic Multilingual Plane: one UTF-16 unit per byte.
char16_t DecodeByte(unsigned char byte, int codePage) {
    return static_cast<char16_t>(codePage == kCodePageCentralEuropean
                                     ? platform::Windows1250Char(byte)
                                     : platform::Windows1252Char(byte));
}

// The code page that a font's \fcharset implies; nullopt where the document's applies.
std::optional<int> CharsetCodePage(int charset) {
    switch (charset) {
    case 0:
        return kCodePageWestern; // ANSI
    case 238:
        return kCodePageCentralEuropean; // Eastern European
    default:
        return std::nullopt;
    }
}

// ---------------------------------------------------------------------------------------
// Limits that keep the work per input byte bounded, whatever the input.

constexpr std::size_t kMaxDepth = 256;     // groups deeper than this are skipped whole
constexpr std::size_t kMaxWordLength = 32; // longer control words are unknown
constexpr std::int64_t kParamSaturation = 2'000'000'000;
constexpr int kMaxUnicodeSkip = 16; // \ucN beyond this is cut
constexpr std::size_t kMaxColours = 1024;
constexpr std::size_t kMaxFonts = 1024;
constexpr int kMaxTabStops = 32;
constexpr double kPixelsPerTwip = 96.0 / 1440.0; // twips are 1/1440 inch; 96 pixels per inch
constexpr int kMaxIndentTwips = 30000;

// Before the text layout breaks a word that is too long for its line, it looks for the
// end of the word; so a paragraph of one unbroken word of n characters costs time in
// n squared. An invisible break opportunity (a zero-width space) after every so many
// characters without a blank keeps that linear. No word of real text comes near this
// length, so real text never gets one.
constexpr int kMaxUnbrokenRun = 256;
constexpr char16_t kZeroWidthSpace = 0x200B;

bool EndsUnbrokenRun(char16_t c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == QChar::LineSeparator ||
           c == QChar::ParagraphSeparator;
}

// ---------------------------------------------------------------------------------------
// Reader state.

enum class Destination : std::uint8_t {
    Text,       // rendered
    Skip,       // not rendered: header, pictures, info, \* destinations...
    FontTable,  // read for the fonts' code pages
    ColourTable // read for \cfN
};

// Character and paragraph properties. RTF scopes both to groups, so the whole record is
// saved at '{' and restored at '}'. Kept trivially copyable: a group push is one copy.
struct GroupState {
    Destination destination = Destination::Text;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    std::int8_t vertical = 0; // 1 superscript, -1 subscript
    int fontSize = 24;        // half-points
    int colour = 0;           // index into the colour table; 0 = automatic
    int highlight = 0;        // index into the colour table; 0 = none
    int font = -1;            // \fN; -1 = the document's default font
    int unicodeSkip = 1;      // fallback characters after \uN (\ucN)

    // Paragraph.
    Qt::Alignment alignment = Qt::AlignLeft;
    int leftIndent = 0;  // twips
    int rightIndent = 0; // twips
    int firstIndent = 0; // twips
    int spaceBefore = 0; // twips
    int spaceAfter = 0;  // twips
    int tabCount = 0;
    std::array<int, kMaxTabStops> tabs{}; // twips
};

void ResetCharacter(GroupState& s) {
    s.bold = s.italic = s.underline = s.strike = false;
    s.vertical = 0;
    s.fontSize = 24;
    s.colour = s.highlight = 0;
    s.font = -1;
}

void ResetParagraph(GroupState& s) {
    s.alignment = Qt::AlignLeft;
    s.leftIndent = s.rightIndent = s.firstIndent = 0;
    s.spaceBefore = s.spaceAfter = 0;
    s.tabCount = 0;
}

// The control words the reader acts on.
enum class Word {
    // Destinations.
    FontTable,
    ColourTable,
    SkipDestination,
    // Document.
    AnsiCodePage,
    DefaultFont,
    DefaultTab,
    // Characters.
    Par,
    Line,
    Tab,
    Cell,
    Row,
    Page,
    Unicode,
    UnicodeSkip,
    // Character formatting.
    Plain,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Strike,
    Superscript,
    Subscript,
    NoSuperSub,
    FontSize,
    Colour,
    Highlight,
    Font,
    FontCharset,
    FontCodePage,
    Red,
    Green,
    Blue,
    // Paragraph formatting.
    Pard,
    AlignLeft,
    AlignCentre,
    AlignRight,
    AlignJustify,
    LeftIndent,
    RightIndent,
    FirstIndent,
    SpaceBefore,
    SpaceAfter,
    TabStop,
};

const std::unordered_map<std::string_view, Word>& Words() {
    static const std::unordered_map<std::string_view, Word> words = {
        {"fonttbl", Word::FontTable},
        {"colortbl", Word::ColourTable},
        // Destinations whose content is never shown.
        {"stylesheet", Word::SkipDestination},
        {"info", Word::SkipDestination},
        {"pict", Word::SkipDestination},
        {"object", Word::SkipDestination},
        {"header", Word::SkipDestination},
        {"headerl", Word::SkipDestination},
        {"headerr", Word::SkipDestination},
        {"headerf", Word::SkipDestination},
        {"footer", Word::SkipDestination},
        {"footerl", Word::SkipDestination},
        {"footerr", Word::SkipDestination},
        {"footerf", Word::SkipDestination},
        {"footnote", Word::SkipDestination},
        {"fldinst", Word::SkipDestination},
        {"xe", Word::SkipDestination},
        {"tc", Word::SkipDestination},
        {"txe", Word::SkipDestination},
        {"rxe", Word::SkipDestination},
        {"listtable", Word::SkipDestination},
        {"listoverridetable", Word::SkipDestination},
        {"revtbl", Word::SkipDestination},
        {"rsidtbl", Word::SkipDestination},
        {"filetbl", Word::SkipDestination},
        {"generator", Word::SkipDestination},
        {"themedata", Word::SkipDestination},
        {"colorschememapping", Word::SkipDestination},
        {"datastore", Word::SkipDestination},
        {"latentstyles", Word::SkipDestination},
        {"pgdsctbl", Word::SkipDestination},
        {"nonshppict", Word::SkipDestination},
        {"shpinst", Word::SkipDestination},
        {"annotation", Word::SkipDestination},
        {"atnid", Word::SkipDestination},
        {"atnauthor", Word::SkipDestination},
        {"bkmkstart", Word::SkipDestination},
        {"bkmkend", Word::SkipDestination},
        {"template", Word::SkipDestination},
        {"docvar", Word::SkipDestination},
        {"userprops", Word::SkipDestination},
        {"pn", Word::SkipDestination},
        // Document.
        {"ansicpg", Word::AnsiCodePage},
        {"deff", Word::DefaultFont},
        {"deftab", Word::DefaultTab},
        // Characters.
        {"par", Word::Par},
        {"line", Word::Line},
        {"tab", Word::Tab},
        {"cell", Word::Cell},
        {"nestcell", Word::Cell},
        {"row", Word::Row},
        {"nestrow", Word::Row},
        {"page", Word::Page},
        {"sect", Word::Page},
        {"u", Word::Unicode},
        {"uc", Word::UnicodeSkip},
        // Character formatting.
        {"plain", Word::Plain},
        {"b", Word::Bold},
        {"i", Word::Italic},
        {"ul", Word::Underline},
        {"uld", Word::Underline},
        {"uldb", Word::Underline},
        {"ulw", Word::Underline},
        {"ulth", Word::Underline},
        {"uldash", Word::Underline},
        {"ulwave", Word::Underline},
        {"ulnone", Word::UnderlineNone},
        {"strike", Word::Strike},
        {"super", Word::Superscript},
        {"sub", Word::Subscript},
        {"nosupersub", Word::NoSuperSub},
        {"fs", Word::FontSize},
        {"cf", Word::Colour},
        {"highlight", Word::Highlight},
        {"cb", Word::Highlight},
        {"f", Word::Font},
        {"fcharset", Word::FontCharset},
        {"cpg", Word::FontCodePage},
        {"red", Word::Red},
        {"green", Word::Green},
        {"blue", Word::Blue},
        // Paragraph formatting.
        {"pard", Word::Pard},
        {"ql", Word::AlignLeft},
        {"qc", Word::AlignCentre},
        {"qr", Word::AlignRight},
        {"qj", Word::AlignJustify},
        {"li", Word::LeftIndent},
        {"ri", Word::RightIndent},
        {"fi", Word::FirstIndent},
        {"sb", Word::SpaceBefore},
        {"sa", Word::SpaceAfter},
        {"tx", Word::TabStop},
    };
    return words;
}

// Control words that stand for one character.
std::optional<char16_t> SymbolWord(std::string_view name) {
    static const std::unordered_map<std::string_view, char16_t> symbols = {
        {"emdash", 0x2014},  {"endash", 0x2013},    {"emspace", 0x2003},
        {"enspace", 0x2002}, {"bullet", 0x2022},    {"lquote", 0x2018},
        {"rquote", 0x2019},  {"ldblquote", 0x201C}, {"rdblquote", 0x201D},
    };
    const auto found = symbols.find(name);
    if (found == symbols.end()) return std::nullopt;
    return found->second;
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// ---------------------------------------------------------------------------------------

class RtfParser {
public:
    RtfParser(const char* begin, const char* end, QTextDocument& document)
        : p_(begin), end_(end), document_(document), cursor_(&document) {}

    void Run();

private:
    // Tokens.
    void ReadControl();
    void ReadControlWord();
    void ReadHexCharacter();
    void OpenGroup();
    bool CloseGroup(); // false once the outermost group has closed
    void RawByte(unsigned char byte);

    void ApplyWord(Word word, bool hasParam, int param);
    bool ApplyTableWord(Word word, bool hasParam, int param);
    bool ApplyTextWord(Word word, bool hasParam, int param);
    void ApplyFormatting(Word word, bool hasParam, int param);
    void ApplyDestination(Word word);

    // Text output.
    bool Skipping() const { return overflowDepth_ > 0 || state_.destination == Destination::Skip; }
    bool ConsumeFallback();
    void AppendUnit(char16_t unit);
    void AppendCharacter(char16_t c);
    void ResolvePendingSurrogate();
    void AppendToRun(QChar c);
    void FlushRun();
    void EndParagraph();
    void FinishColourEntry();

    int CodePage() const;
    QTextCharFormat CharFormat() const;
    QTextBlockFormat BlockFormat() const;
    std::optional<QColor> TableColour(int index) const;

    const char* p_;
    const char* end_;
    QTextDocument& document_;
    QTextCursor cursor_;

    GroupState state_;
    std::vector<GroupState> stack_;
    std::size_t overflowDepth_ = 0; // groups opened beyond kMaxDepth
    bool started_ = false;          // the outermost group has been opened

    int documentCodePage_ = kCodePageWestern;
    int defaultFont_ = 0;
    int fontInTable_ = -1; // the font being described in the font table
    std::map<int, int> fontCodePages_;

    std::vector<std::optional<QColor>> colours_;
    int red_ = 0, green_ = 0, blue_ = 0;
    bool colourComponentSeen_ = false;

    int fallbackToSkip_ = 0; // characters of a \uN fallback still to drop
    char16_t pendingHighSurrogate_ = 0;
    QString run_;         // text waiting to be inserted with CharFormat()
    int unbrokenRun_ = 0; // characters since the last blank of the paragraph
};

void RtfParser::Run() {
    document_.clear();
    // One edit of the whole text: the document settles its cursors and notifies its
    // layout once, not at every insert.
    cursor_.beginEditBlock();
    stack_.reserve(64);
    while (p_ < end_) {
        const char c = *p_++;
        switch (c) {
        case '{':
            OpenGroup();
            break;
        case '}':
            if (!CloseGroup()) p_ = end_; // text after the document's last brace is ignored
            break;
        case '\\':
            ReadControl();
            break;
        case '\r':
        case '\n':
            break; // line ends in RTF source are not text
        default:
            RawByte(static_cast<unsigned char>(c));
            break;
        }
    }
    FlushRun();
    cursor_.setBlockFormat(BlockFormat());
    cursor_.endEditBlock();
}

void RtfParser::OpenGroup() {
    fallbackToSkip_ = 0;
    FlushRun();
    started_ = true;
    if (overflowDepth_ > 0 || stack_.size() >= kMaxDepth) {
        ++overflowDepth_;
        return;
    }
    stack_.push_back(state_);
}

bool RtfParser::CloseGroup() {
    fallbackToSkip_ = 0;
    FlushRun();
    if (overflowDepth_ > 0) {
        --overflowDepth_;
        return true;
    }
    if (stack_.empty()) return !started_;
    const Destination closing = state_.destination;
    state_ = stack_.back();
    stack_.pop_back();
    if (closing == Destination::ColourTable && state_.destination != Destination::ColourTable &&
        colourComponentSeen_) {
        FinishColourEntry(); // a last entry without its ';'
    }
    return !stack_.empty();
}

void RtfParser::ReadControl() {
    if (p_ >= end_) return; // a lone backslash at the end
    const char c = *p_;
    if (IsLetter(c)) {
        ReadControlWord();
        return;
    }
    ++p_;
    if (c == '\'') {
        ReadHexCharacter();
        return;
    }
    if (c == '*') {
        // An ignorable destination: none of them is rendered.
        FlushRun();
        if (overflowDepth_ == 0) state_.destination = Destination::Skip;
        return;
    }
    if (ConsumeFallback()) return;
    switch (c) {
    case '\\':
    case '{':
    case '}':
        AppendCharacter(static_cast<char16_t>(c));
        break;
    case '~':
        AppendCharacter(0x00A0);
        break;
    case '_':
        AppendCharacter(0x2011);
        break;
    case '\r':
    case '\n':
        if (!Skipping() && state_.destination == Destination::Text) EndParagraph();
        break;
    default:
        break; // \- optional hyphen, \: index entry, unknown symbols
    }
}

void RtfParser::ReadControlWord() {
    std::array<char, kMaxWordLength> letters{};
    std::size_t length = 0;
    bool tooLong = false;
    while (p_ < end_ && IsLetter(*p_)) {
        if (length < kMaxWordLength)
            letters[length++] = *p_;
        else
            tooLong = true;
        ++p_;
    }

    bool hasParam = false;
    bool negative = false;
    std::int64_t value = 0;
    if (p_ < end_ && *p_ == '-' && p_ + 1 < end_ && platform::IsDecimalDigit(p_[1])) {
        negative = true;
        ++p_;
    }
    while (p_ < end_ && platform::IsDecimalDigit(*p_)) {
        hasParam = true;
        value = std::min<std::int64_t>(value * 10 + (*p_ - '0'), kParamSaturation);
        ++p_;
    }
    if (p_ < end_ && *p_ == ' ') ++p_; // the delimiting blank belongs to the word
    const int param = static_cast<int>(negative ? -value : value);

    const std::string_view name(letters.data(), length);
    if (!tooLong && name == "bin") {
        // Raw binary data follows; it is never text, whatever the destination.
        const std::int64_t count = hasParam && !negative ? value : 0;
        p_ += std::min<std::int64_t>(count, end_ - p_);
        return;
    }
    if (overflowDepth_ > 0) return;
    if (name == "u" && hasParam) {
        // A \uN inside a fallback counts as a fallback character itself.
        if (ConsumeFallback()) return;
        ApplyWord(Word::Unicode, hasParam, param);
        return;
    }
    if (ConsumeFallback()) return;
    if (tooLong) return;
    if (const auto symbol = SymbolWord(name)) {
        AppendCharacter(*symbol);
        return;
    }
    const auto found = Words().find(name);
    if (found == Words().end()) return;
    ApplyWord(found->second, hasParam, param);
}

void RtfParser::ReadHexCharacter() {
    int value = -1;
    if (end_ - p_ >= 2) {
        const int high = platform::HexDigitValue(p_[0]);
        const int low = platform::HexDigitValue(p_[1]);
        if (high >= 0 && low >= 0) {
            value = high * 16 + low;
            p_ += 2;
        }
    }
    if (value < 0) return; // a broken \' is dropped; what follows is read normally
    if (overflowDepth_ > 0 || ConsumeFallback()) return;
    AppendUnit(DecodeByte(static_cast<unsigned char>(value), CodePage()));
}

void RtfParser::RawByte(unsigned char byte) {
    if (overflowDepth_ > 0 || ConsumeFallback()) return;
    if (state_.destination == Destination::ColourTable) {
        if (byte == ';') FinishColourEntry();
        return;
    }
    if (byte == '\t') {
        AppendCharacter('\t');
        return;
    }
    if (byte < 0x20) return; // control bytes are not text
    AppendUnit(DecodeByte(byte, CodePage()));
}

// Drops one character of a \uN fallback; true when the character was dropped.
bool RtfParser::ConsumeFallback() {
    if (fallbackToSkip_ <= 0) return false;
    --fallbackToSkip_;
    return true;
}

void RtfParser::ApplyDestination(Word word) {
    FlushRun();
    switch (word) {
    case Word::FontTable:
        state_.destination = Destination::FontTable;
        break;
    case Word::ColourTable:
        state_.destination = Destination::ColourTable;
        colours_.clear();
        red_ = green_ = blue_ = 0;
        colourComponentSeen_ = false;
        break;
    default:
        state_.destination = Destination::Skip;
        break;
    }
}

void RtfParser::ApplyWord(Word word, bool hasParam, int param) {
    if (ApplyTableWord(word, hasParam, param)) return;
    // Everything else acts on rendered text only.
    if (state_.destination != Destination::Text) return;
    if (ApplyTextWord(word, hasParam, param)) return;
    // Formatting: the text so far keeps the format it was written in.
    FlushRun();
    ApplyFormatting(word, hasParam, param);
}

// Words of the document header and its tables, acted on in any destination; true when
// word is one of them.
bool RtfParser::ApplyTableWord(Word word, bool hasParam, int param) {
    switch (word) {
    case Word::FontTable:
    case Word::ColourTable:
    case Word::SkipDestination:
        ApplyDestination(word);
        return true;
    case Word::AnsiCodePage:
        if (hasParam) documentCodePage_ = SupportedCodePage(param);
        return true;
    case Word::DefaultFont:
        if (hasParam) defaultFont_ = param;
        return true;
    case Word::DefaultTab:
        if (hasParam && param > 0) {
            QTextOption option = document_.defaultTextOption();
            option.setTabStopDistance(std::min(param, kMaxIndentTwips) * kPixelsPerTwip);
            document_.setDefaultTextOption(option);
        }
        return true;
    case Word::Red:
    case Word::Green:
    case Word::Blue:
        if (state_.destination == Destination::ColourTable) {
            const int v = std::clamp(hasParam ? param : 0, 0, 255);
            (word == Word::Red ? red_ : word == Word::Green ? green_ : blue_) = v;
            colourComponentSeen_ = true;
        }
        return true;
    case Word::Font:
        if (!hasParam) return true;
        if (state_.destination == Destination::FontTable) {
            fontInTable_ = param;
        } else {
            FlushRun();
            state_.font = param;
        }
        return true;
    case Word::FontCharset:
    case Word::FontCodePage:
        if (state_.destination == Destination::FontTable && hasParam && fontInTable_ >= 0 &&
            (fontCodePages_.size() < kMaxFonts || fontCodePages_.count(fontInTable_) > 0)) {
            const std::optional<int> codePage =
                word == Word::FontCharset ? CharsetCodePage(param) : SupportedCodePage(param);
            if (codePage) fontCodePages_[fontInTable_] = *codePage;
        }
        return true;
    default:
        return false;
    }
}

// Words that write text or end a paragraph; true when word is one of them.
bool RtfParser::ApplyTextWord(Word word, bool hasParam, int param) {
    switch (word) {
    case Word::Par:
    case Word::Row:
    case Word::Page:
        EndParagraph();
        return true;
    case Word::Line:
        AppendCharacter(QChar::LineSeparator);
        return true;
    case Word::Tab:
    case Word::Cell:
        AppendCharacter('\t');
        return true;
    case Word::Unicode: {
        // N is a signed 16-bit value; negative N stands for N + 65536.
        const int unit = param < 0 ? param + 65536 : param;
        AppendUnit(unit >= 0 && unit <= 0xFFFF ? static_cast<char16_t>(unit) : 0xFFFD);
        fallbackToSkip_ = state_.unicodeSkip;
        return true;
    }
    case Word::UnicodeSkip:
        if (hasParam) state_.unicodeSkip = std::clamp(param, 0, kMaxUnicodeSkip);
        return true;
    default:
        return false;
    }
}

// Character and paragraph formatting of the current group.
void RtfParser::ApplyFormatting(Word word, bool hasParam, int param) {
    const bool on = !hasParam || param != 0; // \b and \b1 switch on, \b0 off
    const int twips = std::clamp(param, -kMaxIndentTwips, kMaxIndentTwips);
    GroupState& s = state_;
    switch (word) {
    case Word::Plain:
        ResetCharacter(s);
        break;
    case Word::Bold:
        s.bold = on;
        break;
    case Word::Italic:
        s.italic = on;
        break;
    case Word::Underline:
        s.underline = on;
        break;
    case Word::UnderlineNone:
        s.underline = false;
        break;
    case Word::Strike:
        s.strike = on;
        break;
    case Word::Superscript:
        s.vertical = 1;
        break;
    case Word::Subscript:
        s.vertical = -1;
        break;
    case Word::NoSuperSub:
        s.vertical = 0;
        break;
    case Word::FontSize:
        s.fontSize = hasParam ? std::clamp(param, 4, 288) : 24;
        break;
    case Word::Colour:
        s.colour = param;
        break;
    case Word::Highlight:
        s.highlight = param;
        break;
    case Word::Pard:
        ResetParagraph(s);
        break;
    case Word::AlignLeft:
        s.alignment = Qt::AlignLeft;
        break;
    case Word::AlignCentre:
        s.alignment = Qt::AlignHCenter;
        break;
    case Word::AlignRight:
        s.alignment = Qt::AlignRight;
        break;
    case Word::AlignJustify:
        s.alignment = Qt::AlignJustify;
        break;
    case Word::LeftIndent:
        s.leftIndent = twips;
        break;
    case Word::RightIndent:
        s.rightIndent = twips;
        break;
    case Word::FirstIndent:
        s.firstIndent = twips;
        break;
    case Word::SpaceBefore:
        s.spaceBefore = std::max(0, twips);
        break;
    case Word::SpaceAfter:
        s.spaceAfter = std::max(0, twips);
        break;
    case Word::TabStop:
        if (param > 0 && s.tabCount < kMaxTabStops)
            s.tabs[static_cast<std::size_t>(s.tabCount++)] = twips;
        break;
    default:
        break;
    }
}

void RtfParser::FinishColourEntry() {
    if (colours_.size() < kMaxColours) {
        if (colourComponentSeen_)
            colours_.emplace_back(QColor(red_, green_, blue_));
        else
            colours_.emplace_back(std::nullopt); // an empty entry: the automatic colour
    }
    red_ = green_ = blue_ = 0;
    colourComponentSeen_ = false;
}

void RtfParser::AppendUnit(char16_t unit) {
    if (Skipping() || state_.destination != Destination::Text) return;
    if (IsHighSurrogate(unit)) {
        ResolvePendingSurrogate();
        pendingHighSurrogate_ = unit;
        return;
    }
    if (IsLowSurrogate(unit)) {
        if (pendingHighSurrogate_ != 0) {
            run_.append(QChar(pendingHighSurrogate_));
            AppendToRun(QChar(unit));
            pendingHighSurrogate_ = 0;
        } else {
            AppendToRun(QChar(0xFFFD)); // half a pair
        }
        return;
    }
    AppendCharacter(unit);
}

void RtfParser::AppendCharacter(char16_t c) {
    if (Skipping() || state_.destination != Destination::Text) return;
    ResolvePendingSurrogate();
    if (c < 0x20 && c != '\t') return;
    AppendToRun(QChar(c));
}

// A high surrogate not followed by its low half shows as a replacement character.
void RtfParser::ResolvePendingSurrogate() {
    if (pendingHighSurrogate_ == 0) return;
    pendingHighSurrogate_ = 0;
    AppendToRun(QChar(0xFFFD));
}

// Appends a whole character (or the second half of a pair) to the run.
void RtfParser::AppendToRun(QChar c) {
    run_.append(c);
    if (EndsUnbrokenRun(c.unicode())) {
        unbrokenRun_ = 0;
    } else if (++unbrokenRun_ == kMaxUnbrokenRun) {
        run_.append(QChar(kZeroWidthSpace));
        unbrokenRun_ = 0;
    }
}

void RtfParser::FlushRun() {
    ResolvePendingSurrogate();
    if (run_.isEmpty()) return;
    cursor_.insertText(run_, CharFormat());
    run_.clear();
}

void RtfParser::EndParagraph() {
    FlushRun();
    unbrokenRun_ = 0;
    cursor_.setBlockFormat(BlockFormat());
    cursor_.insertBlock(BlockFormat(), CharFormat());
}

int RtfParser::CodePage() const {
    const int font = state_.font >= 0 ? state_.font : defaultFont_;
    const auto found = fontCodePages_.find(font);
    return found != fontCodePages_.end() ? found->second : documentCodePage_;
}

std::optional<QColor> RtfParser::TableColour(int index) const {
    if (index <= 0 || static_cast<std::size_t>(index) >= colours_.size()) return std::nullopt;
    return colours_[static_cast<std::size_t>(index)];
}

QTextCharFormat RtfParser::CharFormat() const {
    QTextCharFormat format;
    format.setFontWeight(state_.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(state_.italic);
    format.setFontUnderline(state_.underline);
    format.setFontStrikeOut(state_.strike);
    format.setFontPointSize(state_.fontSize / 2.0);
    if (state_.vertical != 0)
        format.setVerticalAlignment(state_.vertical > 0 ? QTextCharFormat::AlignSuperScript
                                                        : QTextCharFormat::AlignSubScript);
    if (const auto colour = TableColour(state_.colour)) format.setForeground(*colour);
    if (const auto colour = TableColour(state_.highlight)) format.setBackground(*colour);
    return format;
}

QTextBlockFormat RtfParser::BlockFormat() const {
    QTextBlockFormat format;
    format.setAlignment(state_.alignment);
    format.setLeftMargin(std::max(0, state_.leftIndent) * kPixelsPerTwip);
    format.setRightMargin(std::max(0, state_.rightIndent) * kPixelsPerTwip);
    format.setTextIndent(state_.firstIndent * kPixelsPerTwip);
    format.setTopMargin(state_.spaceBefore * kPixelsPerTwip);
    format.setBottomMargin(state_.spaceAfter * kPixelsPerTwip);
    if (state_.tabCount > 0) {
        QList<QTextOption::Tab> tabs;
        for (int i = 0; i < state_.tabCount; ++i)
            tabs.append(QTextOption::Tab(state_.tabs[static_cast<std::size_t>(i)] * kPixelsPerTwip,
                                         QTextOption::LeftTab));
        format.setTabPositions(tabs);
    }
    return format;
}

// Where the RTF document starts ("{\rtf", after blanks or a UTF-8 mark); -1 when the
// data is not RTF.
qsizetype RtfStart(const QByteArray& data) {
    qsizetype i = 0;
    if (data.startsWith("\xEF\xBB\xBF")) i = 3;
    while (i < data.size() &&
           (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n'))
        ++i;
    return data.mid(i, 5) == "{\\rtf" ? i : -1;
}

// The text with a zero-width space after every kMaxUnbrokenRun characters without a
// blank or line end, never inside a surrogate pair.
QString WithBreakOpportunities(const QString& text) {
    QString out;
    out.reserve(text.size() + text.size() / kMaxUnbrokenRun + 1);
    int unbroken = 0;
    for (const QChar c : text) {
        out.append(c);
        if (EndsUnbrokenRun(c.unicode())) {
            unbroken = 0;
        } else if (++unbroken >= kMaxUnbrokenRun && !c.isHighSurrogate()) {
            out.append(QChar(kZeroWidthSpace));
            unbroken = 0;
        }
    }
    return out;
}

} // namespace

void ReadRtf(const QByteArray& rtf, QTextDocument& document) {
    const qsizetype start = RtfStart(rtf);
    if (start < 0) {
        // Not RTF at all: shown as plain text, as a rich-text viewer does.
        document.setPlainText(WithBreakOpportunities(QString::fromUtf8(rtf)));
        return;
    }
    QTextOption option = document.defaultTextOption();
    option.setTabStopDistance(720 * kPixelsPerTwip); // RTF's default tab: half an inch
    document.setDefaultTextOption(option);
    RtfParser(rtf.constData() + start, rtf.constData() + rtf.size(), document).Run();
}

} // namespace toolkit
