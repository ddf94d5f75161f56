#pragma once
// The language dialog: lists the language packs (the subfolders of the program folder)
// and opens the chosen pack's language file. Also the small helpers every window of the
// shell uses to apply its strings.

#include <QDialog>
#include <QString>
#include <QStringList>
#include <cstdint>

class QComboBox;
class QLabel;
class QPushButton;

namespace shell {

// The text of a string id of the chosen pack, "None" when missing.
QString LangText(std::int32_t id);

// The language packs of programDir: its subfolders, without hidden ones and those whose
// names begin with '.', sorted by name without regard to case, so that the list (and
// the pack selected first) does not depend on the order in which the file system
// happens to return the folders.
QStringList ListLanguagePacks(const QString& programDir);

// Money green (192, 220, 192), the background of the shell's windows.
void SetMoneyGreen(QWidget* window);

} // namespace shell

class TLanguageDlg : public QDialog {
    Q_OBJECT

public:
    explicit TLanguageDlg(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QPushButton* BitBtn1 = nullptr; // OK
    QPushButton* BitBtn2 = nullptr; // Cancel

protected:
    bool event(QEvent* event) override; // activation

private:
    void BuildControls();
    void FormActivate();
    void BitBtn1Click();
};
