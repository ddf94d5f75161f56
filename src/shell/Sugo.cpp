#include "shell/Sugo.h"

#include "platform/RtfReader.h"
#include "shell/Language.h"
#include "strings/LangStrings.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBrowser>

#include <algorithm>

namespace {

constexpr int DesignWidth = 696;
constexpr int DesignHeight = 480;
// Help files are a few kilobytes; anything beyond this is not read.
constexpr qint64 MaxHelpFileBytes = 16 * 1024 * 1024;

} // namespace

TForm3::TForm3(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("Súgó"));
    resize(DesignWidth, DesignHeight); // sizeable
    shell::SetMoneyGreen(this);
    BuildControls();
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
}

void TForm3::BuildControls() {
    RichEdit1 = new QTextBrowser(this); // read-only
    RichEdit1->setOpenLinks(false);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setGeometry(13, 16, 633, 401);

    Button1 = new QPushButton(QStringLiteral("Vissza"), this);
    Button1->setGeometry(328, 424, 75, 25);
}

// The text area grows with the window; the button stays centred under it. At the design
// size this is the design layout.
void TForm3::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int dw = width() - DesignWidth;
    const int dh = height() - DesignHeight;
    RichEdit1->setGeometry(13, 16, std::max(50, 633 + dw), std::max(50, 401 + dh));
    Button1->move(std::max(0, 328 + dw / 2), std::max(0, 424 + dh));
}

bool TForm3::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) FormActivate();
    return QWidget::event(event);
}

void TForm3::FormActivate() {
    setWindowTitle(shell::LangText(4));
    Button1->setText(shell::LangText(10));

    LoadHelp(); // shown from its start
    RichEdit1->verticalScrollBar()->setValue(0);
}

QString TForm3::HelpFilePath() const {
    // Without a chosen pack the help files are looked for where the language file is.
    const QString dir = strings::LanguageDir.empty()
                            ? QString::fromStdString(strings::ProgramDir)
                            : QString::fromStdString(strings::LanguageDir) + QDir::separator();
    return dir + (Tag != 0 ? QStringLiteral("Tasks.rtf") : QStringLiteral("Program.rtf"));
}

void TForm3::LoadHelp() {
    RichEdit1->clear();
    QFile file(HelpFilePath());
    if (!file.exists() || !file.open(QIODevice::ReadOnly)) return; // stays empty
    platform::ReadRtf(file.read(MaxHelpFileBytes), *RichEdit1->document());
}

void TForm3::Button1Click() {
    close(); // only hidden: the menu shows it again
}
