// The help viewer's RTF reader: a typical help text and hostile input of the same size,
// whose cost must stay linear in its length.
#include "toolkit/RtfReader.h"

#include <QApplication>
#include <QTextDocument>
#include <benchmark/benchmark.h>

#include <random>

namespace {

// A help text like the shipped ones: headings, formatted words, accents, bullet items.
QByteArray HelpText(int paragraphs) {
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset238 "
                     "Arial;}}{\\colortbl;\\red0\\green96\\blue112;}\n";
    for (int i = 0; i < paragraphs; ++i) {
        if (i % 10 == 0) rtf += "\\pard\\plain\\sb240\\b\\fs28\\cf1 Feladat\\par\n";
        rtf +=
            "\\pard\\plain\\fs22\\li567\\fi-283 \\bullet\\tab A m\\'e9r\\'e9s {\\b fotocs\\'facs} "
            "\\u337? energia E{\\sub C} = 0,478 MeV, a h\\'e1tt\\'e9r \\'e9s a nett\\'f3 "
            "be\\'fct\\'e9ssz\\'e1m.\\par\n";
    }
    return rtf + "}";
}

// Random control words, escapes and groups behind a valid header.
QByteArray Soup(qsizetype bytes) {
    // No lone braces: the document must not end early nor sink below the depth cap.
    static const char* const tokens[] = {
        "{\\i y}",         "\\b", "\\'f5", "\\u-10179",  "\\par",
        "\\fs99999999999", "a",   " ",     "{\\*\\x z}", "\\bin3 abc"};
    std::mt19937 generator(7);
    QByteArray rtf = "{\\rtf1 ";
    while (rtf.size() < bytes)
        rtf += tokens[generator() % std::size(tokens)];
    return rtf;
}

void Read(benchmark::State& state, const QByteArray& rtf) {
    for (auto _ : state) {
        QTextDocument document;
        toolkit::ReadRtf(rtf, document);
        benchmark::DoNotOptimize(document.characterCount());
    }
    state.SetBytesProcessed(state.iterations() * rtf.size());
}

void BM_HelpText(benchmark::State& state) {
    Read(state, HelpText(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_HelpText)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_Soup(benchmark::State& state) {
    Read(state, Soup(state.range(0)));
}
BENCHMARK(BM_Soup)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

void BM_DeepNesting(benchmark::State& state) {
    const qsizetype depth = state.range(0);
    Read(state, "{\\rtf1 " + QByteArray(depth, '{') + "x" + QByteArray(depth, '}') + "}");
}
BENCHMARK(BM_DeepNesting)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv); // QTextDocument's layout wants fonts
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
