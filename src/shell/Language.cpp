#include "shell/Language.h"

#include "platform/Files.h"
#include "strings/LangStrings.h"
#include "toolkit/Controls.h"

#include <QComboBox>
#include <QEvent>
#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include <algorithm>

namespace shell {

QString ShownName(const std::filesystem::path& name) {
    const auto& native = name.native();
#ifdef _WIN32
    return QString::fromWCharArray(native.data(), qsizetype(native.size()));
#else
    return QString::fromUtf8(native.data(), qsizetype(native.size()));
#endif
}

std::vector<LanguagePack> LanguagePacks(const std::filesystem::path& programDir) {
    // The names are kept as the file system holds them: a round trip through text would
    // change those that are not valid text, and the folder would no longer open.
    std::vector<LanguagePack> packs;
    for (std::filesystem::path& name : platform::ListFolders(programDir)) {
        if (name.native().front() == '.') continue; // hidden
        QString shown = ShownName(name);
        packs.push_back({std::move(name), std::move(shown)});
    }
    std::stable_sort(packs.begin(), packs.end(), [](const LanguagePack& a, const LanguagePack& b) {
        const int order = a.shown.compare(b.shown, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a.name < b.name;
    });
    return packs;
}

QStringList ListLanguagePacks(const QString& programDir) {
    QStringList shown;
    for (const LanguagePack& pack :
         LanguagePacks(std::filesystem::path(programDir.toStdU16String())))
        shown << pack.shown;
    return shown;
}

} // namespace shell

TLanguageDlg::TLanguageDlg(strings::Catalogue& catalogue, QWidget* parent)
    : QDialog(parent), Catalogue(catalogue) {
    setWindowTitle(QStringLiteral("Select language"));
    resize(324, 184); // sizeable
    toolkit::SetBackground(this, toolkit::MoneyGreen);
    BuildControls();
    connect(BitBtn1, &QPushButton::clicked, this, [this] {
        BitBtn1Click();
        accept();
    });
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

void TLanguageDlg::BuildControls() {
    Label1 = new QLabel(QStringLiteral("Please select a language ! "), this);
    QFont bold = Label1->font();
    bold.setBold(true);
    bold.setPixelSize(16);
    Label1->setFont(bold);
    Label1->move(24, 8);
    Label1->adjustSize();

    ComboBox1 = new QComboBox(this); // a drop-down list: not editable
    ComboBox1->setGeometry(32, 40, 145, ComboBox1->sizeHint().height());
    // A screen reader names the list by its prompt, not by the pack shown in it.
    toolkit::TieToLabel(Label1, ComboBox1);
    toolkit::NameAsShown(Label1);

    BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton),
                              QStringLiteral("OK"), this);
    BitBtn1->setGeometry(224, 48, 75, 25);
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton),
                              QStringLiteral("Cancel"), this);
    BitBtn2->setGeometry(224, 80, 75, 25);
}

bool TLanguageDlg::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) FormActivate();
    return QDialog::event(event);
}

// Fills the list at every activation. A pack the user had already chosen stays chosen,
// so that switching to another window and back does not silently change the choice.
// Each item holds the index of its pack, whose folder name opens its files.
void TLanguageDlg::FormActivate() {
    const int current = ComboBox1->currentIndex();
    const std::filesystem::path chosen =
        current >= 0 ? Packs[std::size_t(current)].name : std::filesystem::path();
    ComboBox1->clear();
    Packs = shell::LanguagePacks(Catalogue.ProgramDir());
    int kept = -1;
    for (std::size_t i = 0; i < Packs.size(); ++i) {
        ComboBox1->addItem(Packs[i].shown, int(i));
        if (kept < 0 && !chosen.empty() && Packs[i].name == chosen) kept = int(i);
    }
    if (ComboBox1->count() == 0) {
        BitBtn1->setEnabled(false);
        return;
    }
    BitBtn1->setEnabled(true);
    ComboBox1->setCurrentIndex(kept >= 0 ? kept : 0);
}

void TLanguageDlg::BitBtn1Click() {
    Catalogue.CloseLanguageIni();
    if (ComboBox1->currentText().isEmpty()) return; // LanguageDir stays as it was
    Catalogue.ChoosePack(Catalogue.ProgramDir() / Packs[ComboBox1->currentData().toUInt()].name);
}
