#pragma once
// What the windows share for building their controls: the colours of the design, the
// language pack's texts, palette painters, labels, panels, spinners and entry fields, and
// the text of the numeric entry fields.

#include "platform/Numbers.h"
#include "toolkit/UpDown.h"

#include <QColor>
#include <QLineEdit>
#include <QRect>
#include <QString>
#include <cstdint>
#include <optional>
#include <span>

class QFont;
class QFrame;
class QLabel;
class QObject;
class QWidget;

namespace strings {
class Catalogue;
}

namespace toolkit {

// Colours of the design.
inline const QColor MoneyGreen{192, 220, 192}; // the windows' background
inline const QColor Teal{0, 128, 128};         // the panels of controls

// Enter, as a typed character.
inline constexpr int CarriageReturn = 13;

// The text of string id `id` of the catalogue's chosen pack, "None" when it is missing.
QString LangText(strings::Catalogue& catalogue, std::int32_t id);

// One row of a window's caption table: the string id that a control shows, and which of
// its texts the string is. A window applies its table in order when it is activated;
// the same table tells which label names which control.
enum class CaptionPart {
    Text,    // the text of a label, button, check box or menu action
    FitText, // a label's text, the label then sized to it
    Title,   // the title of a window or a menu
    ToolTip, // the hint
    Tab,     // the tab text of a page of a tab widget (the control is the page)
};
struct Caption {
    QObject* control;
    std::int32_t id;
    CaptionPart part = CaptionPart::Text;
};

// Sets the text of each row, looked up in the catalogue's chosen pack, in the table's
// order.
void ApplyCaptions(strings::Catalogue& catalogue, std::span<const Caption> table);

// A control and the name of the member that holds it (PELZAMO_NAMED(Edit1)).
struct NamedControl {
    QObject* control;
    const char* name;
};
#define PELZAMO_NAMED(member)                                                                      \
    ::toolkit::NamedControl {                                                                      \
        member, #member                                                                            \
    }
// Gives each control its member's name as its object name, which is how tests find the
// windows' private controls.
void NameControls(std::span<const NamedControl> controls);

// Palette painters. A widget's background is filled with its own colour; its text colour
// is also that of its children, unless they set their own.
void SetBackground(QWidget* widget, const QColor& background);
void SetTextColour(QWidget* widget, const QColor& text);
void SetColours(QWidget* widget, const QColor& background, const QColor& text);

// A raised panel in its own colours.
QFrame* MakePanel(QWidget* parent, const QRect& place, const QColor& colour, const QColor& text,
                  int lineWidth = 1);

// A label at (x, y), as wide as its text; optionally in a font of its own.
QLabel* MakeLabel(QWidget* parent, int x, int y, const QString& text);
QLabel* MakeLabel(QWidget* parent, int x, int y, const QString& text, const QFont& font);
// A label in a fixed box.
QLabel* MakeLabel(QWidget* parent, const QRect& place, const QString& text);

// Accessibility. A visible text as a screen reader should say it: blanks at both ends
// and a closing colon dropped ("Gross: " gives "Gross").
QString SpokenText(const QString& text);
// Ties a control to its visible label: the label becomes the control's buddy (its
// "labelled by" relation) and the label's spoken text the control's accessible name.
void TieToLabel(QLabel* label, QWidget* control);
// A label's accessible name: its text without padding blanks (the screen keeps them).
void NameAsShown(QLabel* label);

// A spinner with its position range and start position, attached to `edit` when given.
TUpDown* MakeSpinner(QWidget* parent, Qt::Orientation orientation, const QRect& place, int min,
                     int max, int position, QLineEdit* edit = nullptr);

inline QLineEdit* MakeEdit(QWidget* parent, const QRect& geometry, const QString& text) {
    auto* edit = new QLineEdit(text, parent);
    edit->setGeometry(geometry);
    return edit;
}

// An integer entry: blanks dropped at both ends, then parsed; nothing when it does not parse.
inline std::optional<std::int32_t> ReadInteger(const QString& text) {
    return platform::ParseInteger(platform::TrimSpaces(text.toStdString()));
}

// A floating-point entry: blanks dropped at both ends, then parsed; nothing when it does
// not parse. A value that parses is always finite: "nan", "inf" and numbers too large
// for a double do not parse.
inline std::optional<double> ReadFloat(const QString& text) {
    return platform::ParseFloat(platform::TrimSpaces(text.toStdString()));
}

// A value in the general display format ('.' as separator, at most 15 digits).
inline QString FormatNumber(double value) {
    return QString::fromStdString(platform::FormatFloat(value));
}

} // namespace toolkit
