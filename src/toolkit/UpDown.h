#pragma once
// An up-down spinner with a position range that can be attached to an edit. A click
// moves the position one step within the range, writes it into the attached edit and
// then emits clicked(); a position set by the program emits nothing.

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace toolkit {

enum class UpDownButton { Up, Down }; // for horizontal spinners Up is the right arrow

class TUpDown : public QWidget {
    Q_OBJECT
public:
    explicit TUpDown(Qt::Orientation orientation, QWidget* parent = nullptr);

    void SetRange(int min, int max);
    int Min() const { return min_; }
    int Max() const { return max_; }
    // Clamped to the range; runs no handler.
    void SetPosition(int position);
    int Position() const { return position_; }
    void SetAssociate(QLineEdit* edit) { associate_ = edit; }
    QLineEdit* Associate() const { return associate_; }

    // The accessible names of the spinner (what it changes) and of its two arrows.
    void SetAccessibleNames(const QString& spinner, const QString& up, const QString& down);

    // What a click of one arrow does (also used by tests).
    void Click(UpDownButton button);

signals:
    // Emitted on every enabled click, also at a limit where the position stays.
    void clicked(toolkit::UpDownButton button);

private:
    Qt::Orientation orientation_;
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    QLineEdit* associate_ = nullptr;
    QToolButton* up_;
    QToolButton* down_;
};

} // namespace toolkit
