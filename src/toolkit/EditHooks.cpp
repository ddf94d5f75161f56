#include "toolkit/EditHooks.h"

#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPointer>
#include <QScrollBar>
#include <QWidget>
#include <optional>

namespace toolkit {

namespace {

// A property of a top-level window, true while a refused entry of that window takes the
// focus back. The control that had just received the focus then loses it again without
// the user leaving it, so its own exit handler must not run (it could refuse in turn and
// the two fields would pull the focus back and forth). The focus only moves inside the
// window that the refused entry belongs to, so the flag is that window's.
constexpr char RestoringFocus[] = "pelzamoRestoringFocus";

bool IsRestoringFocus(const QWidget* widget) {
    return widget->window()->property(RestoringFocus).toBool();
}

// Gives `target` the focus back with its window's flag set for the move.
void RestoreFocus(QWidget* target) {
    QPointer<QWidget> window(target->window());
    window->setProperty(RestoringFocus, true);
    target->setFocus(Qt::OtherFocusReason);
    if (window) window->setProperty(RestoringFocus, false);
}

bool IsMoveInsideWindow(Qt::FocusReason reason) {
    switch (reason) {
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
    case Qt::MouseFocusReason:
    case Qt::ShortcutFocusReason:
    case Qt::OtherFocusReason:
        return true;
    default: // window deactivated, popup or menu opened, no reason
        return false;
    }
}

// Runs a handler for one kind of event of the widget it is attached to; owned by that
// widget, so it goes away with it.
class ExitFilter : public QObject {
public:
    ExitFilter(QWidget* widget, std::function<void()> handler)
        : QObject(widget), widget_(widget), handler_(std::move(handler)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusOut && !running_ && !IsRestoringFocus(widget_)) {
            const auto* focus = static_cast<QFocusEvent*>(event);
            if (IsMoveInsideWindow(focus->reason())) {
                running_ = true;
                handler_();
                running_ = false;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget* widget_; // the filter's parent: it ends with the widget
    std::function<void()> handler_;
    bool running_ = false; // a handler that moves the focus itself does not re-enter
};

class EnterKeyFilter : public QObject {
public:
    EnterKeyFilter(QWidget* widget, std::function<void()> handler)
        : QObject(widget), handler_(std::move(handler)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) handler_();
        }
        return QObject::eventFilter(watched, event); // the key goes on to the widget
    }

private:
    std::function<void()> handler_;
};

} // namespace

void OnExit(QWidget* widget, std::function<void()> handler) {
    widget->installEventFilter(new ExitFilter(widget, std::move(handler)));
}

void OnEnterKey(QWidget* widget, std::function<void()> handler) {
    widget->installEventFilter(new EnterKeyFilter(widget, std::move(handler)));
}

void RefuseEntry(QLineEdit* edit) {
    if (edit == nullptr) return;
    edit->selectAll();
    if (edit->hasFocus()) return; // refused on Enter: the field never lost the focus

    // Refused while the focus is leaving (an exit handler): the focus is already on its
    // way to the next control, and the edit clears its selection when the focus-out
    // reaches it. Take the focus back once this move has finished, then select.
    QPointer<QLineEdit> target(edit);
    QMetaObject::invokeMethod(
        edit,
        [target] {
            if (!target || !target->isVisible() || !target->isEnabled()) return;
            RestoreFocus(target);
            target->selectAll();
        },
        Qt::QueuedConnection);
}

namespace {

// The step a key makes on a horizontal scroll bar; none for other keys.
std::optional<QAbstractSlider::SliderAction> ArrowStep(int key) {
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        return QAbstractSlider::SliderSingleStepSub;
    case Qt::Key_Right:
    case Qt::Key_Down:
        return QAbstractSlider::SliderSingleStepAdd;
    case Qt::Key_PageUp:
        return QAbstractSlider::SliderPageStepSub;
    case Qt::Key_PageDown:
        return QAbstractSlider::SliderPageStepAdd;
    case Qt::Key_Home:
        return QAbstractSlider::SliderToMinimum;
    case Qt::Key_End:
        return QAbstractSlider::SliderToMaximum;
    default:
        return std::nullopt;
    }
}

class ArrowKeys : public QObject {
public:
    explicit ArrowKeys(QScrollBar* bar) : QObject(bar), bar_(bar) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != bar_ || event->type() != QEvent::KeyPress) return false;
        // With or without modifiers: the bar's own handling would step the other way.
        const auto step = ArrowStep(static_cast<QKeyEvent*>(event)->key());
        if (!step) return false;
        bar_->triggerAction(*step);
        return true;
    }

private:
    QScrollBar* bar_;
};

} // namespace

void KeysFollowArrows(QScrollBar* bar) {
    bar->installEventFilter(new ArrowKeys(bar));
}

KeyPreview::KeyPreview(QWidget* window, Handler keyDown, Handler keyUp)
    : QObject(window), window_(window), keyDown_(std::move(keyDown)), keyUp_(std::move(keyUp)) {
    // Application-wide, so that the window sees keys before any child's own handling
    // (including keys a focused control would use, such as Alt+arrows).
    qApp->installEventFilter(this);
}

bool KeyPreview::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || (widget != window_ && !window_->isAncestorOf(widget))) return false;

    auto* key = static_cast<QKeyEvent*>(event);
    // A key that its receiver ignores travels on to the receiver's parents, and this
    // filter sees it again at each of them: handle it only at its first receiver.
    if (event == last_.event && type == last_.type && key->key() == last_.key &&
        key->timestamp() == last_.timestamp && last_.receiver != nullptr &&
        widget->isAncestorOf(last_.receiver))
        return false;
    last_ = Delivery{event, type, key->key(), key->timestamp(), widget};

    if (type == QEvent::KeyPress) return keyDown_ ? keyDown_(key) : false;
    // A held key repeats as presses only; the releases between repeats are dropped.
    if (key->isAutoRepeat()) return false;
    return keyUp_ ? keyUp_(key) : false;
}

} // namespace toolkit
