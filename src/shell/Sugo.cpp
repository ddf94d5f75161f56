#include "shell/Sugo.h"

#include "strings/LangStrings.h"
#include "toolkit/Controls.h"
#include "toolkit/RtfReader.h"

#include <QAbstractTextDocumentLayout>
#include <QEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBrowser>
#include <QTextDocument>

#include <algorithm>

namespace {

constexpr int DesignWidth = 696;
constexpr int DesignHeight = 480;

} // namespace

TForm3::TForm3(strings::Catalogue& catalogue, QWidget* parent)
    : QWidget(parent, Qt::Window), Catalogue(catalogue) {
    setWindowTitle(QStringLiteral("Súgó"));
    resize(DesignWidth, DesignHeight); // sizeable
    toolkit::SetBackground(this, toolkit::MoneyGreen);
    BuildControls();
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
}

void TForm3::BuildControls() {
    RichEdit1 = new QTextBrowser(this); // read-only
    RichEdit1->setOpenLinks(false);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setGeometry(13, 16, 633, 401);
    Blank = RichEdit1->document()->clone(this);

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

std::vector<toolkit::Caption> TForm3::CaptionTable() {
    return {{this, 4, toolkit::CaptionPart::Title}, {Button1, 10}};
}

void TForm3::FormActivate() {
    toolkit::ApplyCaptions(Catalogue, CaptionTable());
    // The text and its scroll bar are the help, as the caption says.
    RichEdit1->setAccessibleName(windowTitle());
    RichEdit1->verticalScrollBar()->setAccessibleName(windowTitle());

    LoadHelp(); // shown from its start
    RichEdit1->verticalScrollBar()->setValue(0);
}

std::filesystem::path TForm3::HelpFilePath() const {
    // Without a chosen pack the help files are looked for where the language file is.
    return Catalogue.PackFilePath(Tag != 0 ? "Tasks.rtf" : "Program.rtf");
}

void TForm3::LoadHelp() {
    const std::filesystem::path path = HelpFilePath();
    platform::RegularFile file(path);
    if (Shown.document != nullptr && file.IsOpen() && path == Shown.path &&
        file.Stamp() == Shown.stamp) {
        ShowDocument(Shown.document); // unchanged since it was rendered
        return;
    }

    auto* document = Blank->clone(this);
    // As the viewer keeps its own document: its font, no undo steps for read-only text.
    document->setDefaultFont(RichEdit1->font());
    document->setUndoRedoEnabled(false);
    const std::optional<std::string> content = file.ReadAll();
    if (content) // else it stays empty
        toolkit::ReadRtf(QByteArray::fromRawData(content->data(), qsizetype(content->size())),
                         *document);
    // Its layout, made for the finished text, measures fonts on the viewer as the viewer's
    // own does.
    document->documentLayout()->setPaintDevice(RichEdit1->viewport());
    Shown = content ? Rendered{path, file.Stamp(), document} : Rendered{};
    ShowDocument(document);
}

// Hands the document to the viewer, with the viewer's cursor at the end of the text as
// loading it piece by piece would leave it, and no selection. The document shown before
// is dropped unless it is this one again.
void TForm3::ShowDocument(QTextDocument* document) {
    QTextDocument* previous = RichEdit1->document();
    if (previous != document) { // handing it over again would lay it all out again
        // The viewer deletes the document it made itself; ours are deleted here.
        const bool ours = previous->parent() == this;
        RichEdit1->setDocument(document);
        if (ours) delete previous;
    }
    RichEdit1->moveCursor(QTextCursor::End);
}

void TForm3::Button1Click() {
    close(); // only hidden: the menu shows it again
}
