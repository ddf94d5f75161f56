// The help window: an activation that reads a changed help file and paints the first
// screen, the same with the file unchanged, and hostile files of the same sizes (one
// unbroken word; NUL bytes, which are not RTF and go the plain-text way). The time must
// grow linearly with the size. Runs without a display; measure with a Release build.

#include "shell/Sugo.h"
#include "strings/LangStrings.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

constexpr qsizetype MB = 1024 * 1024;

// A help text like the shipped ones, of about `bytes` bytes.
QByteArray HelpText(qsizetype bytes) {
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset238 "
                     "Arial;}}{\\colortbl;\\red0\\green96\\blue112;}\n";
    for (int i = 0; rtf.size() < bytes; ++i) {
        if (i % 10 == 0) rtf += "\\pard\\plain\\sb240\\b\\fs28\\cf1 Feladat\\par\n";
        rtf += "\\pard\\plain\\fs22\\li567\\fi-283 \\bullet\\tab A m\\'e9r\\'e9s {\\b "
               "fotocs\\'facs} \\u337? energia E{\\sub C} = 0,478 MeV, a h\\'e1tt\\'e9r \\'e9s a "
               "nett\\'f3 be\\'fct\\'e9ssz\\'e1m.\\par\n";
    }
    return rtf + "}";
}

QByteArray UnbrokenWord(qsizetype bytes) {
    return "{\\rtf1 " + QByteArray(bytes, 'x') + "}";
}

QByteArray NulBytes(qsizetype bytes) {
    return QByteArray(bytes, '\0');
}

// A pack holding one help file, chosen in a catalogue and shown by a help window of its
// own.
class HelpPack {
public:
    explicit HelpPack(const QByteArray& content) {
        QFile file(dir_.filePath("Tasks.rtf"));
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write the help file");
        catalogue_.ChoosePack(QFile::encodeName(dir_.path()).toStdString());
        help_.Tag = 1;
        help_.show();
    }

    // Activates the window and paints it, as the window system would.
    void Show() {
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(&help_, &activate);
        benchmark::DoNotOptimize(help_.grab());
    }

    // A new modification time, so that the next activation reads the file again.
    void Touch() {
        const timespec times[2] = {{0, UTIME_OMIT}, {++seconds_, 0}};
        ::utimensat(AT_FDCWD, QFile::encodeName(dir_.filePath("Tasks.rtf")).constData(), times, 0);
    }

private:
    QTemporaryDir dir_;
    strings::Catalogue catalogue_;
    TForm3 help_{catalogue_};
    time_t seconds_ = 1'000'000'000;
};

void ShowChanged(benchmark::State& state, const QByteArray& content) {
    HelpPack pack(content);
    for (auto _ : state) {
        state.PauseTiming();
        pack.Touch();
        state.ResumeTiming();
        pack.Show();
    }
    state.SetBytesProcessed(state.iterations() * content.size());
}

void BM_HelpText(benchmark::State& state) {
    ShowChanged(state, HelpText(state.range(0) * MB));
}
BENCHMARK(BM_HelpText)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

void BM_HelpTextUnchanged(benchmark::State& state) {
    HelpPack pack(HelpText(state.range(0) * MB));
    pack.Show();
    for (auto _ : state)
        pack.Show();
}
BENCHMARK(BM_HelpTextUnchanged)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

void BM_UnbrokenWord(benchmark::State& state) {
    ShowChanged(state, UnbrokenWord(state.range(0) * MB));
}
BENCHMARK(BM_UnbrokenWord)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

void BM_NulBytes(benchmark::State& state) {
    ShowChanged(state, NulBytes(state.range(0) * MB));
}
BENCHMARK(BM_NulBytes)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
