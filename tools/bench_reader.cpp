// bench_reader: how long reading the largest script back takes, beside
// generating it. Not a test: it prints figures.
//
//   bench_reader FILE.rcf [ROUNDS]
//
// Reads the configuration, generates its script once, then times ROUNDS
// generations and ROUNDS readings of that script (wall clock, this thread)
// and prints the median and the slowest of each in milliseconds.

#include "Configuration.h"
#include "Prompts.h"
#include "RcfFile.h"
#include "ScriptGenerator.h"
#include "ScriptReader.h"

#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Figures {
    double median = 0;
    double slowest = 0;
};

template <typename Work>
Figures timeRounds(int rounds, Work work)
{
    std::vector<double> ms;
    ms.reserve(std::size_t(rounds));
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer clock;
        clock.start();
        work();
        ms.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_reader FILE.rcf [ROUNDS]\n");
        return 2;
    }
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 200;
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "bench_reader: cannot read %s\n", argv[1]);
        return 1;
    }
    const mg::RcfReadResult rcf = mg::readRcf(file.readAll(), mg::Configuration());
    if (!rcf.ok) {
        std::fprintf(stderr, "bench_reader: %s is not a configuration\n", argv[1]);
        return 1;
    }
    mg::AnswerPrompt no(false);
    mg::Configuration config = rcf.config;
    const QString script = mg::GenerateScript(config, no);

    const Figures generating = timeRounds(rounds, [&] {
        mg::Configuration copy = rcf.config;
        mg::GenerateScript(copy, no);
    });
    std::size_t unplaced = 0;
    const Figures reading = timeRounds(rounds, [&] { unplaced = mg::readScript(script).unplaced.size(); });

    mg::Configuration back = mg::readScript(script).config;
    const bool same = mg::GenerateScript(back, no) == script;
    std::printf("script: %lld lines, %lld characters; read back the same: %s, unplaced lines: %zu\n",
                static_cast<long long>(script.count(QLatin1Char('\n'))), static_cast<long long>(script.size()),
                same ? "yes" : "NO", unplaced);
    std::printf("generate: median %.3f ms, slowest %.3f ms (%d rounds)\n", generating.median, generating.slowest, rounds);
    std::printf("read:     median %.3f ms, slowest %.3f ms (%d rounds)\n", reading.median, reading.slowest, rounds);
    // The unplaced lines are reported, not failed: a golden file may hold a
    // value the window would refuse (an empty Ethernet address).
    return same ? 0 : 1;
}
