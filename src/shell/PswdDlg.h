#pragma once
// The identifier dialog of the start-up: the user types an identifier (a name or a
// group code), which the bench window shows at the head of its caption. Any text,
// the empty one included, is accepted.

#include "toolkit/Controls.h"

#include <QDialog>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;

class TPasswordDlg : public QDialog {
    Q_OBJECT

public:
    // The dialog's strings come from `catalogue`, which outlives it.
    explicit TPasswordDlg(strings::Catalogue& catalogue, QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QLineEdit* Password = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

    // The string id that each control shows, in the order they are applied.
    std::vector<toolkit::Caption> CaptionTable();

protected:
    bool event(QEvent* event) override; // activation

private:
    void BuildControls();
    void FormActivate();

    strings::Catalogue& Catalogue;
};
