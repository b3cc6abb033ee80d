// The verification reply: only a datagram that really carries cmd 21 and status 0 may count
// as the administrator's success.
#include "fuzz/harness.h"
#include "protocol/messages.h"
#include "protocol/verify.h"
#include "tests/support/oracle.h"

using namespace fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const Raw raw({data, size});
    const Bytes reply(data, data + size);
    ScriptedSocketApi api;
    api.onSend = [&](std::span<const std::uint8_t> req) {
        Expect(req.size() == 44, "verify request length");
        api.Deliver(reply);
    };
    RecordingSink sink;
    const protocol::VerifyResult r =
        protocol::VerifyAdministrator(api, sink, kMac, "admin", "secret");
    CheckBalanced(api);
    using R = protocol::VerifyResult;
    const bool full = raw.size() >= 4;
    switch (r) {
        case R::Accepted:
            Expect(full && raw.Cmd() == protocol::CMD_VERIFY && raw.Status() == 0,
                   "accepted without cmd 21 and status 0");
            Expect(sink.messages.empty(), "message on success");
            break;
        case R::Refused:
            Expect(raw.Cmd() == protocol::CMD_VERIFY, "refused by another cmd");
            Expect(sink.messages.size() == 1 && sink.messages[0] == protocol::text::kVerifyFailed,
                   "refusal message");
            break;
        case R::OtherReply:
            Expect(sink.messages.empty(), "message for another cmd");
            break;
        case R::TimedOut:
            Expect(raw.size() == 0, "a datagram arrived but the wait timed out");
            break;
        case R::NotSent:
            Fail("not sent");
    }
    return 0;
}
