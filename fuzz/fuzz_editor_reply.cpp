// libFuzzer target. The editor's reply line to a fixed tool call, against the reply made from the
// parsed line.

#include "fuzz/fuzzFailure.h"
#include "fuzz/replyChecks.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto input =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    abortOnProblem(editorReplyInputProblem(input));
    return 0;
}
