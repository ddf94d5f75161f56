#pragma once
// The help window: shows the chosen pack's Tasks.rtf (tag 1) or Program.rtf (tag 0),
// looked at again and shown from its start at every activation. A missing file, and
// anything the bounded reader refuses (platform/Files.h), leaves the window empty,
// silently.
//
// A help text is rendered into a document of its own, away from the viewer, and handed
// to the viewer in one step: the viewer lays it out once instead of after every piece.
// While the file keeps its size and modification time, the next activation shows the
// rendered document again without reading the file.

#include "platform/Files.h"
#include "toolkit/Controls.h"

#include <QWidget>
#include <filesystem>
#include <vector>

class QPushButton;
class QTextBrowser;
class QTextDocument;

class TForm3 : public QWidget {
    Q_OBJECT

public:
    // The window's strings and help files come from `catalogue`, which outlives it.
    explicit TForm3(strings::Catalogue& catalogue, QWidget* parent = nullptr);

    // Which help text to show: 1 for the tasks, 0 for the program usage. The bench menu
    // sets it before showing the window.
    int Tag = 0;

    QTextBrowser* RichEdit1 = nullptr;
    QPushButton* Button1 = nullptr; // back

    // The string id that each control shows, in the order they are applied.
    std::vector<toolkit::Caption> CaptionTable();

    // The help file that the current tag selects, as the file system's bytes.
    std::filesystem::path HelpFilePath() const;

protected:
    bool event(QEvent* event) override; // activation
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildControls();
    void FormActivate();
    void LoadHelp();
    void ShowDocument(QTextDocument* document);
    void Button1Click();

    strings::Catalogue& Catalogue;
    // An empty document as the viewer made its own: every help text starts from its
    // font, margins and options.
    QTextDocument* Blank = nullptr;
    // The help text shown last and the file it was read from; Document is null while
    // there is none to reuse.
    struct Rendered {
        std::filesystem::path path;
        platform::FileStamp stamp;
        QTextDocument* document = nullptr;
    };
    Rendered Shown;
};
