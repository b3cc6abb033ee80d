// The status query with every request answered by a batch from the input: nothing, one
// datagram, or several (doubled, late, stray), each after an arbitrary number of waits.
#include "fuzz/harness.h"

using namespace fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    StreamReader stream({data, size});
    RunStatusQuery([&](ScriptedSocketApi& api, std::span<const std::uint8_t>) {
        for (auto& item : stream.NextBatch(255)) api.Deliver(std::move(item.bytes), item.delay);
    });
    return 0;
}
