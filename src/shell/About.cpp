#include "shell/About.h"

#include "toolkit/Controls.h"

#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#ifndef PELZAMO_ICON_PICTURES
#include <QSvgRenderer>
#endif

namespace shell {

namespace {

#ifndef PELZAMO_ICON_PICTURES

// One icon picture of size × size pixels.
QPixmap IconPixmap(QSvgRenderer& design, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    design.render(&painter);
    return pixmap;
}
#endif

} // namespace

QIcon ApplicationIcon() {
    // The icon's one design (data/pelzamo2007.svg); the installed icon files are rendered
    // from it too. Without Qt's SVG module (the Windows build) the same pictures come
    // rendered by the build.
    QIcon icon;
#ifdef PELZAMO_ICON_PICTURES
    for (int size : {16, 32, 48, 64, 128})
        icon.addFile(QStringLiteral(":/icons/pelzamo2007-%1.png").arg(size));
#else
    QSvgRenderer design(QStringLiteral(":/icons/pelzamo2007.svg"));
    for (int size : {16, 32, 48, 64, 128})
        icon.addPixmap(IconPixmap(design, size));
#endif
    return icon;
}

} // namespace shell

namespace {

using toolkit::MakeLabel;

// The bold font of the panel's labels, `pixelSize` pixels high.
QFont BoldFont(const QWidget* panel, int pixelSize) {
    QFont font = panel->font();
    font.setBold(true);
    font.setPixelSize(pixelSize);
    return font;
}

} // namespace

TAboutBox::TAboutBox(strings::Catalogue& catalogue, QWidget* parent)
    : QDialog(parent), Catalogue(catalogue) {
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(299, 213); // a fixed dialog frame, centred on the screen
    toolkit::SetBackground(this, toolkit::MoneyGreen);
    BuildPanel();

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setGeometry(111, 180, 75, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

void TAboutBox::BuildPanel() {
    // A teal panel with bold white labels, raised inside a lowered frame.
    Panel1 = toolkit::MakePanel(this, QRect(8, 8, 281, 161), toolkit::Teal, Qt::white, 2);
    auto* outer = new QFrame(this);
    outer->setGeometry(7, 7, 283, 163);
    outer->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    outer->lower();

    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setGeometry(8, 8, 65, 57);
    ProgramIcon->setScaledContents(true); // stretched

    ProductName = MakeLabel(Panel1, 74, 16, QStringLiteral("Pelzamo2007"), BoldFont(Panel1, 13));
    QFont arial = ProductName->font();
    arial.setFamily(QStringLiteral("Arial"));
    ProductName->setFont(arial);
    const QFont bold = BoldFont(Panel1, 11);
    Version = MakeLabel(Panel1, 81, 40, QString(), bold);
    Version->setWordWrap(true); // a long task title takes a second line
    Version->setGeometry(81, 40, 281 - 81 - 6, 38);
    Version->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Fixed, not localised.
    Authorship = MakeLabel(Panel1, 18, 80, QStringLiteral("Pelzamo2007 development team"), bold);
    Comments = MakeLabel(Panel1, 17, 104, QString(), bold);
    Comments->setWordWrap(true);
    Comments->setGeometry(17, 104, 281 - 17 - 8, 161 - 104 - 4);
    Comments->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

bool TAboutBox::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) FormActivate();
    return QDialog::event(event);
}

std::vector<toolkit::Caption> TAboutBox::CaptionTable() {
    using toolkit::CaptionPart;
    return {{this, 401, CaptionPart::Title},
            {ProductName, 403, CaptionPart::FitText},
            {Version, 404},
            {Comments, 407},
            {OKButton, 1}};
}

void TAboutBox::FormActivate() {
    toolkit::ApplyCaptions(Catalogue, CaptionTable());

    toolkit::SetTextColour(ProductName, QColor(255, 255, 128)); // light yellow
    ProgramIcon->setPixmap(QApplication::windowIcon().pixmap(64, 64));
    ProgramIcon->setAccessibleName(ProductName->text()); // the icon is the product's
}
