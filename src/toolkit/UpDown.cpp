#include "toolkit/UpDown.h"

#include <QApplication>
#include <QBoxLayout>
#include <QLineEdit>
#include <QToolButton>
#include <algorithm>

namespace toolkit {

namespace {

// Held down, an arrow repeats after this delay at this interval (milliseconds).
constexpr int RepeatDelayMs = 400;
constexpr int RepeatIntervalMs = 100;

// The arrows are drawn in the application's button text colours rather than in the text
// colour inherited from the panel the spinner sits on: white text on a teal panel would
// draw white arrows on the light button face.
void UseButtonTextColours(QWidget* button) {
    const QPalette standard = QApplication::palette(button);
    QPalette palette = button->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const QColor text = standard.color(group, QPalette::ButtonText);
        palette.setColor(group, QPalette::WindowText, text);
        palette.setColor(group, QPalette::ButtonText, text);
    }
    button->setPalette(palette);
}

QToolButton* MakeArrow(Qt::ArrowType arrow, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setAutoRepeatDelay(RepeatDelayMs);
    button->setAutoRepeatInterval(RepeatIntervalMs);
    button->setFocusPolicy(Qt::NoFocus); // a click must not take the focus from the edit
    // The two arrows share the widget's whole area, however small it is.
    button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    UseButtonTextColours(button);
    return button;
}

} // namespace

TUpDown::TUpDown(Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent), orientation_(orientation) {
    const bool vertical = orientation == Qt::Vertical;
    up_ = MakeArrow(vertical ? Qt::UpArrow : Qt::RightArrow, this);
    down_ = MakeArrow(vertical ? Qt::DownArrow : Qt::LeftArrow, this);

    auto* layout =
        new QBoxLayout(vertical ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight, this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // Vertical: up on top; horizontal: down (left arrow) first, up (right arrow) second.
    layout->addWidget(vertical ? up_ : down_);
    layout->addWidget(vertical ? down_ : up_);

    connect(up_, &QToolButton::clicked, this, [this] { Click(UpDownButton::Up); });
    connect(down_, &QToolButton::clicked, this, [this] { Click(UpDownButton::Down); });
}

void TUpDown::SetAccessibleNames(const QString& spinner, const QString& up, const QString& down) {
    setAccessibleName(spinner);
    up_->setAccessibleName(up);
    down_->setAccessibleName(down);
}

void TUpDown::SetRange(int min, int max) {
    if (min > max) std::swap(min, max);
    min_ = min;
    max_ = max;
    position_ = std::clamp(position_, min_, max_);
}

void TUpDown::SetPosition(int position) {
    position_ = std::clamp(position, min_, max_);
}

void TUpDown::Click(UpDownButton button) {
    if (!isEnabled()) return;
    // Step in 64 bits so that a range reaching the int limits cannot overflow.
    const long long step = button == UpDownButton::Up ? 1 : -1;
    position_ = static_cast<int>(std::clamp<long long>(position_ + step, min_, max_));
    // The attached edit shows the new position before any handler runs, also when the
    // position stayed at a limit.
    if (associate_ != nullptr) associate_->setText(QString::number(position_));
    emit clicked(button);
}

} // namespace toolkit
