#pragma once
// The language dialog: lists the language packs (the subfolders of the program folder)
// and opens the chosen pack's language file.

#include <QDialog>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;

namespace strings {
class Catalogue;
}

namespace shell {

// A language pack's folder: its name as the file system holds it, which is what opens
// its files, and as it is shown (a name that is not valid UTF-8 shows replacement
// characters where it is not).
struct LanguagePack {
    std::filesystem::path name;
    QString shown;
};

// The language packs of programDir: its subfolders, without hidden ones (the names that
// begin with '.'), sorted by the shown name without regard to case, so that the list
// (and the pack selected first) does not depend on the order in which the file system
// happens to return the folders.
std::vector<LanguagePack> LanguagePacks(const std::filesystem::path& programDir);

// A folder name as shown: the name's text, with replacement characters where it is not
// valid text.
QString ShownName(const std::filesystem::path& name);

// The shown names of the language packs of programDir.
QStringList ListLanguagePacks(const QString& programDir);

} // namespace shell

class TLanguageDlg : public QDialog {
    Q_OBJECT

public:
    // Lists the packs of the catalogue's program folder and chooses one in it; the
    // catalogue outlives the dialog.
    explicit TLanguageDlg(strings::Catalogue& catalogue, QWidget* parent = nullptr);

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

    strings::Catalogue& Catalogue;

    // The packs listed at the last activation; each item of ComboBox1 holds its index.
    std::vector<shell::LanguagePack> Packs;
};
