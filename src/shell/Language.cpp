#include "shell/Language.h"

#include "platform/Controls.h"
#include "platform/Files.h"
#include "strings/LangStrings.h"

#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include <algorithm>

namespace shell {

std::vector<LanguagePack> LanguagePacks(const std::string& programDir) {
    // The names are listed as bytes: a round trip through text would change those that
    // are not valid UTF-8, and the folder would no longer open.
    std::vector<LanguagePack> packs;
    for (std::string& name : platform::ListFolders(programDir)) {
        if (name.front() == '.') continue; // hidden
        QString shown = QString::fromUtf8(name.data(), qsizetype(name.size()));
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
    for (const LanguagePack& pack : LanguagePacks(QFile::encodeName(programDir).toStdString()))
        shown << pack.shown;
    return shown;
}

} // namespace shell

TLanguageDlg::TLanguageDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Select language"));
    resize(324, 184); // sizeable
    platform::SetBackground(this, platform::MoneyGreen);
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
// Each item holds the folder's name as bytes, for opening its files.
void TLanguageDlg::FormActivate() {
    const QVariant chosen = ComboBox1->currentData();
    ComboBox1->clear();
    for (const shell::LanguagePack& pack : shell::LanguagePacks(strings::ProgramDir))
        ComboBox1->addItem(pack.shown, QByteArray::fromStdString(pack.name));
    if (ComboBox1->count() == 0) {
        BitBtn1->setEnabled(false);
        return;
    }
    BitBtn1->setEnabled(true);
    const int kept = chosen.isValid() ? ComboBox1->findData(chosen) : -1;
    ComboBox1->setCurrentIndex(kept >= 0 ? kept : 0);
}

void TLanguageDlg::BitBtn1Click() {
    strings::CloseLanguageIni();
    if (ComboBox1->currentText().isEmpty()) return; // LanguageDir stays as it was
    strings::LanguageDir =
        strings::ProgramDir + ComboBox1->currentData().toByteArray().toStdString();
    strings::OpenLanguageIni(strings::PackFilePath("Pelzamo2007.ini"));
}
