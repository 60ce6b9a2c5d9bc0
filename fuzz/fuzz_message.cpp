// libFuzzer target. A request line, then after a line feed the editor's reply line to any tool
// call.

#include "fuzz/fuzzFailure.h"
#include "fuzz/replyChecks.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto input =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    abortOnProblem(messageInputProblem(input));
    return 0;
}
