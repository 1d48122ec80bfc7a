// libFuzzer target for the router-output parser: any bytes, cut into any
// arrivals, must give the same text as the stream read at once, and an
// "Error" must be reported exactly when the text holds one, never more often
// than it occurs.
//
// The first byte of the input chooses how the rest is cut, so the fuzzer
// explores cuts and streams together.

#include "RouterOutputParser.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fault(const char *what)
{
    std::fprintf(stderr, "fuzz_router_output: %s\n", what);
    std::abort();
}

struct Shown {
    QString text;
    int reports = 0;
};

Shown feedInPieces(mg::RouterOutputParser &parser, const QByteArray &stream, std::uint8_t cut)
{
    Shown shown;
    const qsizetype longest = qsizetype(cut % 16) + 1;
    qsizetype at = 0;
    int piece = 0;
    while (at < stream.size()) {
        // Piece lengths from 1 to longest, taken from the stream itself.
        const qsizetype length =
            cut == 0 ? 1 : 1 + qsizetype(std::uint8_t(stream.at((at + piece * 31 + cut) % stream.size()))) % longest;
        const mg::RouterOutput out = parser.feed(stream.mid(at, length));
        shown.text += out.text;
        shown.reports += out.error;
        if (out.error && out.text.isEmpty())
            fault("an error reported with no text");
        at += length;
        ++piece;
    }
    return shown;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::uint8_t cut = data[0];
    const QByteArray stream(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    mg::RouterOutputParser whole;
    const mg::RouterOutput once = whole.feed(stream);
    const qsizetype occurrences = once.text.count(QStringLiteral("Error"));
    if (once.error != (occurrences > 0))
        fault("the error verdict of the whole stream does not match its text");

    mg::RouterOutputParser pieces;
    const Shown shown = feedInPieces(pieces, stream, cut);
    if (shown.text != once.text)
        fault("the text depends on how the stream was cut");
    if ((shown.reports > 0) != (occurrences > 0))
        fault("an Error was missed or invented when the stream was cut");
    if (shown.reports > occurrences)
        fault("an Error was reported twice");

    // A reset parser is as good as a new one.
    pieces.reset();
    if (pieces.feed(stream) != once)
        fault("a reset parser reads differently from a new one");
    return 0;
}
