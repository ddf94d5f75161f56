#include "toolkit/Controls.h"

#include "strings/LangStrings.h"

#include <QFrame>
#include <QLabel>
#include <QPalette>

namespace toolkit {

QString LangText(std::int32_t id) {
    return QString::fromStdString(strings::LangString(id));
}

QString SpokenText(const QString& text) {
    QString spoken = text.trimmed();
    if (spoken.endsWith(QLatin1Char(':'))) spoken.chop(1);
    return spoken.trimmed();
}

void TieToLabel(QLabel* label, QWidget* control) {
    label->setBuddy(control);
    control->setAccessibleName(SpokenText(label->text()));
}

void NameAsShown(QLabel* label) {
    label->setAccessibleName(label->text().trimmed());
}

void SetBackground(QWidget* widget, const QColor& background) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, background);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void SetTextColour(QWidget* widget, const QColor& text) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, text);
    widget->setPalette(palette);
}

void SetColours(QWidget* widget, const QColor& background, const QColor& text) {
    SetTextColour(widget, text);
    SetBackground(widget, background);
}

QFrame* MakePanel(QWidget* parent, const QRect& place, const QColor& colour, const QColor& text,
                  int lineWidth) {
    auto* panel = new QFrame(parent);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(lineWidth);
    panel->setGeometry(place);
    SetColours(panel, colour, text);
    return panel;
}

QLabel* MakeLabel(QWidget* parent, int x, int y, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->move(x, y);
    label->adjustSize();
    return label;
}

QLabel* MakeLabel(QWidget* parent, int x, int y, const QString& text, const QFont& font) {
    auto* label = new QLabel(text, parent);
    label->setFont(font);
    label->move(x, y);
    label->adjustSize();
    return label;
}

QLabel* MakeLabel(QWidget* parent, const QRect& place, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(place);
    return label;
}

TUpDown* MakeSpinner(QWidget* parent, Qt::Orientation orientation, const QRect& place, int min,
                     int max, int position, QLineEdit* edit) {
    auto* spinner = new TUpDown(orientation, parent);
    spinner->SetRange(min, max);
    spinner->SetPosition(position);
    spinner->SetAssociate(edit);
    spinner->setGeometry(place);
    return spinner;
}

} // namespace toolkit
