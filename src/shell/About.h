#pragma once
// The About box: product name, task title and year, a credit line from the language
// pack, a fixed authorship line, and the application icon.

#include "toolkit/Controls.h"

#include <QDialog>
#include <QIcon>
#include <vector>

class QFrame;
class QLabel;
class QPushButton;

namespace shell {

// The application icon, drawn in code: a gamma spectrum with a photopeak.
QIcon ApplicationIcon();

} // namespace shell

class TAboutBox : public QDialog {
    Q_OBJECT

public:
    // The box's strings come from `catalogue`, which outlives it.
    explicit TAboutBox(strings::Catalogue& catalogue, QWidget* parent = nullptr);

    QFrame* Panel1 = nullptr;
    QLabel* ProgramIcon = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QLabel* Authorship = nullptr;
    QLabel* Comments = nullptr;
    QPushButton* OKButton = nullptr;

    // The string id that each control shows, in the order they are applied.
    std::vector<toolkit::Caption> CaptionTable();

protected:
    bool event(QEvent* event) override; // activation

private:
    void BuildPanel();
    void FormActivate();

    strings::Catalogue& Catalogue;
};
