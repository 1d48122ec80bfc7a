// libFuzzer target for the script reader: any bytes must give a
// configuration and a report, never a crash or a hang; every line reported
// must be a line of the input with a reason; and when every line was placed
// and the Ethernet side is there (a script without it is nothing the program
// writes), the script made from what was read must read back with nothing
// left over and make the same script.

#include "Prompts.h"
#include "ScriptGenerator.h"
#include "ScriptReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fault(const char *what)
{
    std::fprintf(stderr, "fuzz_script: %s\n", what);
    std::abort();
}

QString generate(mg::Configuration config)
{
    mg::AnswerPrompt no(false);
    return mg::GenerateScript(config, no);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const mg::ScriptReadResult read = mg::readScriptBytes(bytes);
    const qsizetype lines = bytes.count('\n') + 1;
    for (const mg::UnplacedLine &u : read.unplaced) {
        if (u.reason.isEmpty())
            fault("a line reported without a reason");
        if (u.line < 0 || u.line > lines)
            fault("a line reported past the end of the input");
    }
    const QString script = generate(read.config);
    if (!read.unplaced.isEmpty() || read.config.Common.EthIP.isEmpty())
        return 0;
    const mg::ScriptReadResult again = mg::readScript(script);
    if (!again.unplaced.isEmpty())
        fault("a generated script does not read back whole");
    if (generate(again.config) != script)
        fault("a generated script does not come back byte for byte");
    return 0;
}
