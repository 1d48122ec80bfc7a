// libFuzzer target for the .rcf reader: any bytes must give a configuration
// or an error, never a crash; whatever is accepted must save, the saved file
// must read back to the same file, and the script generated from it must
// save as a .cfg.

#include "Prompts.h"
#include "RcfFile.h"
#include "ScriptGenerator.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fault(const char *what)
{
    std::fprintf(stderr, "fuzz_rcf: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const mg::RcfReadResult read = mg::readRcf(bytes, mg::Configuration{});
    if (!read.ok) {
        if (read.error.message.text.isEmpty())
            fault("a refused file without a message");
        return 0;
    }
    const mg::RcfWriteResult written = mg::writeRcf(read.config);
    if (!written.ok)
        fault("an accepted file cannot be saved");
    const mg::RcfReadResult again = mg::readRcf(written.bytes, mg::Configuration{});
    if (!again.ok)
        fault("a saved file cannot be read");
    if (mg::writeRcf(again.config).bytes != written.bytes)
        fault("a saved file does not read back to itself");

    mg::Configuration config = read.config;
    mg::AnswerPrompt answer(size % 2); // one answer to the ENAT question for the whole input
    if (!mg::writeScriptFile(mg::GenerateScript(config, answer)).ok)
        fault("the script of an accepted file cannot be saved");
    return 0;
}
