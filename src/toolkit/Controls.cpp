#include "toolkit/Controls.h"

#include "strings/LangStrings.h"

#include <QAbstractButton>
#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QPalette>
#include <QTabWidget>

namespace toolkit {

QString LangText(strings::Catalogue& catalogue, std::int32_t id) {
    return QString::fromStdString(catalogue.LangString(id));
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

namespace {

// The tab widget that shows `page`, or null: a page's parent is the tab widget's stack.
QTabWidget* TabsOf(QWidget* page) {
    for (QWidget* up = page->parentWidget(); up != nullptr; up = up->parentWidget())
        if (auto* tabs = qobject_cast<QTabWidget*>(up)) return tabs;
    return nullptr;
}

void ApplyCaption(const Caption& row, const QString& text) {
    QObject* control = row.control;
    if (control == nullptr) return;
    switch (row.part) {
    case CaptionPart::Text:
    case CaptionPart::FitText:
        if (auto* label = qobject_cast<QLabel*>(control)) {
            label->setText(text);
            if (row.part == CaptionPart::FitText) label->adjustSize();
        } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
            button->setText(text);
        } else if (auto* action = qobject_cast<QAction*>(control)) {
            action->setText(text);
        }
        break;
    case CaptionPart::Title:
        if (auto* menu = qobject_cast<QMenu*>(control))
            menu->setTitle(text);
        else if (auto* window = qobject_cast<QWidget*>(control))
            window->setWindowTitle(text);
        break;
    case CaptionPart::ToolTip:
        if (auto* widget = qobject_cast<QWidget*>(control)) widget->setToolTip(text);
        break;
    case CaptionPart::Tab:
        if (auto* page = qobject_cast<QWidget*>(control))
            if (QTabWidget* tabs = TabsOf(page)) tabs->setTabText(tabs->indexOf(page), text);
        break;
    }
}

} // namespace

void ApplyCaptions(strings::Catalogue& catalogue, std::span<const Caption> table) {
    for (const Caption& row : table)
        ApplyCaption(row, LangText(catalogue, row.id));
}

void NameControls(std::span<const NamedControl> controls) {
    for (const auto& [control, name] : controls)
        control->setObjectName(QLatin1String(name));
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
