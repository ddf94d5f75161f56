#pragma once
// Small helpers the windows share for building controls and for the text of their
// numeric entry fields.

#include "platform/Numbers.h"

#include <QLabel>
#include <QLineEdit>
#include <QRect>
#include <QString>
#include <cstdint>
#include <optional>

namespace platform {

// A label at (x, y), as wide as its text.
inline QLabel* MakeLabel(QWidget* parent, int x, int y, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->move(x, y);
    label->adjustSize();
    return label;
}

inline QLineEdit* MakeEdit(QWidget* parent, const QRect& geometry, const QString& text) {
    auto* edit = new QLineEdit(text, parent);
    edit->setGeometry(geometry);
    return edit;
}

// An integer entry: blanks dropped at both ends, then parsed; nothing when it does not parse.
inline std::optional<std::int32_t> ReadInteger(const QString& text) {
    return ParseInteger(TrimSpaces(text.toStdString()));
}

// A floating-point entry: blanks dropped at both ends, then parsed; nothing when it does
// not parse. A value that parses is always finite: "nan", "inf" and numbers too large
// for a double do not parse.
inline std::optional<double> ReadFloat(const QString& text) {
    return ParseFloat(TrimSpaces(text.toStdString()));
}

// A value in the general display format ('.' as separator, at most 15 digits).
inline QString FormatNumber(double value) {
    return QString::fromStdString(FormatFloat(value));
}

} // namespace platform
