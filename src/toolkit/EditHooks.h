#pragma once
// Entry-field events as the windows need them.

#include <QKeyEvent>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>

class QLineEdit;
class QScrollBar;

namespace toolkit {

// Runs handler when the widget loses the focus to another control of its own window
// (Tab, Backtab, a mouse click, or a programmatic move). Focus lost because the window
// was deactivated or a popup or message box opened does not count, so a refused entry
// that takes the focus back cannot loop.
void OnExit(QWidget* widget, std::function<void()> handler);

// Runs handler when Enter or Return is typed in the widget; the key is then passed on.
void OnEnterKey(QWidget* widget, std::function<void()> handler);

// A refused entry: select the whole text and keep the focus in the field. Called from an
// exit handler, it takes the focus back once the focus move has finished (the control
// that briefly had the focus runs no exit handler for that), then selects the text.
void RefuseEntry(QLineEdit* edit);

// The keys of a horizontal scroll bar move it as its arrow buttons do, the platform's
// way: Left, Up and Page Up toward the left arrow (down the range), Right, Down and Page
// Down toward the right arrow, Home and End to the ends. (Qt's scroll bars turn Left and
// Right round: Right would move toward the left arrow.)
void KeysFollowArrows(QScrollBar* bar);

// Key preview: handler sees every key press and release aimed at window or any of its
// children before the focused control does. It returns true when it used the key (the
// key then goes no further). Releases of auto-repeated keys are not passed to keyUp, so
// a held key gives repeated presses without releases in between. The preview belongs to
// the window and ends with it.
class KeyPreview : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<bool(QKeyEvent* event)>;
    KeyPreview(QWidget* window, Handler keyDown, Handler keyUp);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The key event last handled, to recognise it when it travels on to the parents of
    // its receiver.
    struct Delivery {
        const QEvent* event = nullptr;
        QEvent::Type type = QEvent::None;
        int key = 0;
        quint64 timestamp = 0;
        QPointer<QWidget> receiver;
    };

    QWidget* window_;
    Handler keyDown_;
    Handler keyUp_;
    Delivery last_;
};

} // namespace toolkit
