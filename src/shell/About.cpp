#include "shell/About.h"

#include "shell/Language.h"

#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSvgRenderer>

namespace shell {

namespace {

// One icon picture of size × size pixels.
QPixmap IconPixmap(QSvgRenderer& design, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    design.render(&painter);
    return pixmap;
}

} // namespace

QIcon ApplicationIcon() {
    // The icon's one design (data/pelzamo2007.svg); the installed icon files are rendered
    // from it too.
    QSvgRenderer design(QStringLiteral(":/icons/pelzamo2007.svg"));
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128})
        icon.addPixmap(IconPixmap(design, size));
    return icon;
}

} // namespace shell

namespace {

void SetTextColour(QLabel* label, QColor colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

// A bold white label of the panel.
QLabel* MakeLabel(QWidget* parent, int x, int y, const QString& text, int pixelSize) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    font.setPixelSize(pixelSize);
    label->setFont(font);
    SetTextColour(label, Qt::white);
    label->move(x, y);
    label->adjustSize();
    return label;
}

} // namespace

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(299, 213); // a fixed dialog frame, centred on the screen
    shell::SetMoneyGreen(this);
    BuildPanel();

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setGeometry(111, 180, 75, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

void TAboutBox::BuildPanel() {
    // A teal panel, raised inside a lowered frame.
    Panel1 = new QFrame(this);
    Panel1->setGeometry(8, 8, 281, 161);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(2);
    QPalette palette = Panel1->palette();
    palette.setColor(QPalette::Window, QColor(0, 128, 128));
    Panel1->setPalette(palette);
    Panel1->setAutoFillBackground(true);
    auto* outer = new QFrame(this);
    outer->setGeometry(7, 7, 283, 163);
    outer->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    outer->lower();

    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setGeometry(8, 8, 65, 57);
    ProgramIcon->setScaledContents(true); // stretched

    ProductName = MakeLabel(Panel1, 74, 16, QStringLiteral("Pelzamo2007"), 13);
    QFont arial = ProductName->font();
    arial.setFamily(QStringLiteral("Arial"));
    ProductName->setFont(arial);
    Version = MakeLabel(Panel1, 81, 40, QString(), 11);
    Version->setWordWrap(true); // a long task title takes a second line
    Version->setGeometry(81, 40, 281 - 81 - 6, 38);
    Version->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Fixed, not localised.
    Authorship = MakeLabel(Panel1, 18, 80, QStringLiteral("Pelzamo2007 development team"), 11);
    Comments = MakeLabel(Panel1, 17, 104, QString(), 11);
    Comments->setWordWrap(true);
    Comments->setGeometry(17, 104, 281 - 17 - 8, 161 - 104 - 4);
    Comments->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

bool TAboutBox::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) FormActivate();
    return QDialog::event(event);
}

void TAboutBox::FormActivate() {
    setWindowTitle(shell::LangText(401));
    ProductName->setText(shell::LangText(403));
    Version->setText(shell::LangText(404));
    Comments->setText(shell::LangText(407));
    OKButton->setText(shell::LangText(1));
    ProductName->adjustSize();

    SetTextColour(ProductName, QColor(255, 255, 128)); // light yellow
    ProgramIcon->setPixmap(QApplication::windowIcon().pixmap(64, 64));
}
