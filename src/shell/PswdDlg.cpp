#include "shell/PswdDlg.h"

#include "toolkit/Controls.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TPasswordDlg::TPasswordDlg(strings::Catalogue& catalogue, QWidget* parent)
    : QDialog(parent), Catalogue(catalogue) {
    setWindowTitle(QStringLiteral("Azonosító beadása"));
    setFixedSize(233, 93); // a fixed dialog frame; Qt centres a parentless dialog on the screen
    toolkit::SetBackground(this, toolkit::MoneyGreen);
    BuildControls();
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject); // also Esc
}

void TPasswordDlg::BuildControls() {
    Label1 = new QLabel(QStringLiteral("Add meg az azonosítódat"), this);
    Label1->move(50, 9);
    Label1->adjustSize();

    // Shown as typed: it is an identifier, not a secret.
    Password = new QLineEdit(this);
    Password->setGeometry(8, 27, 217, Password->sizeHint().height());

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setGeometry(70, 59, 75, 25);
    OKBtn->setDefault(true); // Enter
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setGeometry(150, 59, 75, 25);
}

bool TPasswordDlg::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) FormActivate();
    return QDialog::event(event);
}

std::vector<toolkit::Caption> TPasswordDlg::CaptionTable() {
    using toolkit::CaptionPart;
    return {{this, 256, CaptionPart::Title},
            {Label1, 257, CaptionPart::FitText},
            {OKBtn, 1},
            {CancelBtn, 2}};
}

void TPasswordDlg::FormActivate() {
    toolkit::ApplyCaptions(Catalogue, CaptionTable());
    toolkit::TieToLabel(Label1, Password); // the field's accessible name is the prompt
}
