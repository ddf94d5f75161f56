#pragma once
// The language dialog: lists the language packs (the subfolders of the program folder)
// and opens the chosen pack's language file.

#include <QDialog>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;

namespace shell {

// A language pack's folder: its name as the file system holds it, which is what opens
// its files, and as it is shown (a name that is not valid UTF-8 shows replacement
// characters where it is not).
struct LanguagePack {
    std::string name;
    QString shown;
};

// The language packs of programDir (the file system's bytes): its subfolders, without
// hidden ones (on Linux the names that begin with '.'), sorted by the shown name without
// regard to case, so that the list (and the pack selected first) does not depend on the
// order in which the file system happens to return the folders.
std::vector<LanguagePack> LanguagePacks(const std::string& programDir);

// The shown names of the language packs of programDir.
QStringList ListLanguagePacks(const QString& programDir);

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
