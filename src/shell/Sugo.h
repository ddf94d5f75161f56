#pragma once
// The help window: shows the chosen pack's Tasks.rtf (tag 1) or Program.rtf (tag 0),
// read again and shown from its start at every activation. A missing file leaves the
// window empty, silently.

#include <QWidget>

class QPushButton;
class QTextBrowser;

class TForm3 : public QWidget {
    Q_OBJECT

public:
    explicit TForm3(QWidget* parent = nullptr);

    // Which help text to show: 1 for the tasks, 0 for the program usage. The bench menu
    // sets it before showing the window.
    int Tag = 0;

    QTextBrowser* RichEdit1 = nullptr;
    QPushButton* Button1 = nullptr; // back

    // The help file that the current tag selects.
    QString HelpFilePath() const;

protected:
    bool event(QEvent* event) override; // activation
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildControls();
    void FormActivate();
    void LoadHelp();
    void Button1Click();
};
