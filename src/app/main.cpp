// A provisional start: the detector window on its own, with the first language pack
// found next to the executable. The full start-up sequence replaces it.

#include "measurement/Detektor.h"
#include "shell/LangStrings.h"
#include "simulation/CrossSection.h"

#include <QApplication>
#include <QDir>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelzamo2007"));
    sim::InitSimulation();

    shell::SetProgramDirFromExecutable(QCoreApplication::applicationFilePath().toStdString());
    const QDir programDir(QString::fromStdString(shell::ProgramDir));
    for (const QString& pack :
         programDir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        if (pack.startsWith(QLatin1Char('.'))) continue;
        shell::LanguageDir = QDir::toNativeSeparators(programDir.filePath(pack)).toStdString();
        break;
    }

    TForm2 detector;
    detector.show();
    return QApplication::exec();
}
