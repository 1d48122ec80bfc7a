// tzel: a PLACEHOLDER for the router maker's password encoder.
//
// Marrowgate never encodes the manager password itself. For a transfer over
// the LAN it starts "tzel" from its program folder with the password's words
// and the two arguments ">" "pass.tmp", and puts the contents of pass.tmp
// into the file the router loads ("set user=NAME pass=ENCODED").
//
// A real router expects the maker's own encoding, which this program does
// NOT produce: a file made with this stand-in sets a password the router
// will not understand. It exists so that the program and its tests run, and
// so that the project's router simulator can read the result. A site with
// real routers replaces it by putting the maker's encoder at the same path:
// <program folder>/tzel (the folder named by "Target" in the machine-wide
// settings file, or the folder of the marrowgate executable).
//
// Placeholder encoding: "$0$" followed by the upper-case hex of the
// password's bytes in Shift_JIS (cp932), no line break. The password is the
// words before ">" joined by single spaces.
//
// Invocation:
//   tzel WORD... > FILE     as the program starts it, without a shell: ">"
//                           and FILE arrive as arguments; FILE (relative to
//                           the working folder) is written.
//   tzel WORD...            the encoding goes to standard output, so that
//                           `tzel words > pass.tmp` from a shell works too.
//   tzel --identify-standin alone: prints the stand-in's marker line and
//                           exits 0, so that the program can tell it from
//                           the maker's encoder and warn before a LAN
//                           installation (script/StandInEncoder.h says why
//                           the maker's cannot answer the same).
// Exit code 0 on success, 1 when the output cannot be written, 2 on a bad
// command line or a password Shift_JIS cannot represent.
//
// Switches for tests, from the environment:
//   TZEL_STANDIN_SLEEP=<seconds>  sleep this long before anything else
//                                 (fractions allowed), to test time-outs.
//   TZEL_STANDIN_FAIL=<how>       misbehave, to test how a failing encoder
//                                 is caught:
//     1        exit 1 at once without writing anything;
//     status   write the answer, then exit 3;
//     crash    write the answer, then abort (no core file);
//     empty    create the output empty, exit 0;
//     missing  write nothing, exit 0;
//     garbage  write the answer with a second line after it
//              ("set user=intruder pass=x"), exit 0.
//   Unset, empty or "0": no failure. Any other value is a mistake in the
//   test: a message and exit 2.

#include "StandInEncoder.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringDecoder>
#include <QStringEncoder>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include <sys/resource.h>

namespace {

// Windows' cp932, which ICU calls windows-31j. A character it cannot map
// comes out as a substitute byte, so only bytes that read back as the same
// text count.
bool toShiftJis(const QString &text, QByteArray &bytes)
{
    QStringEncoder encoder("windows-31j");
    QStringDecoder decoder("windows-31j");
    if (!encoder.isValid() || !decoder.isValid())
        return false;
    bytes = encoder.encode(text);
    const QString back = decoder.decode(bytes);
    return !encoder.hasError() && !decoder.hasError() && back == text;
}

void sleepIfAsked()
{
    const char *value = std::getenv("TZEL_STANDIN_SLEEP");
    if (!value || !*value)
        return;
    char *end = nullptr;
    const double seconds = std::strtod(value, &end);
    if (end == value || *end != '\0' || !(seconds > 0))
        return;
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds < 86400 ? seconds : 86400));
}

enum class Failure { None, ExitAtOnce, Status, Crash, Empty, Missing, Garbage, Unknown };

Failure failureAsked()
{
    const QByteArray value = qgetenv("TZEL_STANDIN_FAIL");
    if (value.isEmpty() || value == "0")
        return Failure::None;
    const struct { const char *name; Failure failure; } known[] = {
        {"1", Failure::ExitAtOnce}, {"status", Failure::Status}, {"crash", Failure::Crash},
        {"empty", Failure::Empty},  {"missing", Failure::Missing}, {"garbage", Failure::Garbage},
    };
    for (const auto &k : known)
        if (value == k.name)
            return k.failure;
    return Failure::Unknown;
}

} // namespace

int main(int argc, char *argv[])
{
    // Before the test switches: a stand-in told to sleep or to fail is
    // still the stand-in.
    if (argc == 2 && std::strcmp(argv[1], mg::StandInEncoder::IdentifyArgument) == 0) {
        std::puts(mg::StandInEncoder::Marker);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    sleepIfAsked();
    const Failure failure = failureAsked();
    if (failure == Failure::Unknown) {
        std::fputs("tzel: TZEL_STANDIN_FAIL must be 1, status, crash, empty, missing or garbage\n", stderr);
        return 2;
    }
    if (failure == Failure::ExitAtOnce)
        return 1;

    QStringList words;
    const char *outputName = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]) == ">") {
            if (i + 2 != argc) {
                std::fputs("usage: tzel WORD... [> FILE]\n", stderr);
                return 2;
            }
            outputName = argv[i + 1];
            break;
        }
        words << QString::fromLocal8Bit(argv[i]);
    }
    const QString password = words.join(QLatin1Char(' '));

    QByteArray bytes;
    if (!toShiftJis(password, bytes)) {
        std::fputs("tzel: the password has a character Shift_JIS cannot represent\n", stderr);
        return 2;
    }
    QByteArray encoded = "$0$" + bytes.toHex().toUpper();
    if (failure == Failure::Missing)
        return 0;
    if (failure == Failure::Empty)
        encoded.clear();
    else if (failure == Failure::Garbage)
        encoded += "\r\nset user=intruder pass=x";

    std::FILE *out = outputName ? std::fopen(outputName, "wb") : stdout;
    if (!out) {
        std::perror(outputName);
        return 1;
    }
    const bool written = std::fwrite(encoded.constData(), 1, encoded.size(), out) == size_t(encoded.size());
    const bool closed = outputName ? std::fclose(out) == 0 : std::fflush(out) == 0;
    if (!written || !closed) {
        std::perror(outputName ? outputName : "tzel");
        return 1;
    }
    if (failure == Failure::Crash) {
        const rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        std::abort();
    }
    return failure == Failure::Status ? 3 : 0;
}
