#include "shell/Language.h"

#include "strings/LangStrings.h"

#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFont>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QStyle>

namespace shell {

QString LangText(std::int32_t id) {
    return QString::fromStdString(strings::LangString(id));
}

QStringList ListLanguagePacks(const QString& programDir) {
    // Without QDir::Hidden the listing leaves out hidden folders (on Linux the dot
    // names); the explicit test keeps dot names out wherever hidden means something else.
    QStringList packs;
    const QStringList entries =
        QDir(programDir)
            .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : entries)
        if (!name.startsWith(QLatin1Char('.'))) packs << name;
    return packs;
}

void SetMoneyGreen(QWidget* window) {
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, QColor(192, 220, 192));
    window->setPalette(palette);
    window->setAutoFillBackground(true);
}

} // namespace shell

TLanguageDlg::TLanguageDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Select language"));
    resize(324, 184); // sizeable
    shell::SetMoneyGreen(this);
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
void TLanguageDlg::FormActivate() {
    const QString chosen = ComboBox1->currentText();
    ComboBox1->clear();
    ComboBox1->addItems(shell::ListLanguagePacks(QString::fromStdString(strings::ProgramDir)));
    if (ComboBox1->count() == 0) {
        BitBtn1->setEnabled(false);
        return;
    }
    BitBtn1->setEnabled(true);
    const int kept = ComboBox1->findText(chosen);
    ComboBox1->setCurrentIndex(kept >= 0 ? kept : 0);
}

void TLanguageDlg::BitBtn1Click() {
    strings::CloseLanguageIni();
    const QString name = ComboBox1->currentText();
    if (name.isEmpty()) return; // LanguageDir stays as it was
    strings::LanguageDir = strings::ProgramDir + name.toStdString();
    strings::OpenLanguageIni(strings::LanguageDir + QString(QDir::separator()).toStdString() +
                             "Pelzamo2007.ini");
}
