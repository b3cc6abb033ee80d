// dravmoor verify: the administrator's name and password, checked by the adapter.
#include "protocol/verify.h"
#include "cli/context.h"
#include "protocol/limits.h"

namespace cli {

int Verify(Context& c, const protocol::Mac& mac, const std::string& user)
{
    if (user.size() > protocol::kNameWidth)
        throw UsageError{"the name has more than 16 characters"};
    if (!c.io.readPassword) throw UsageError{"no password source"};
    const std::optional<std::string> password = c.io.readPassword();
    if (!password) {
        c.Error("no password given");
        return kExitUsage;
    }
    if (password->size() > protocol::kPasswordWidth)
        throw UsageError{"the password has more than 8 characters"};
    StderrSink sink(c.io.err);
    switch (protocol::VerifyAdministrator(c.api, sink, mac, user, *password, c.Reach())) {
        case protocol::VerifyResult::Accepted:
            c.Result("verified", "the adapter accepted the name and password");
            return kExitOk;
        case protocol::VerifyResult::Refused:
            return kExitRefused;  // "Verify failed!"
        case protocol::VerifyResult::OtherReply:
            c.Error("the first answer was not a verification answer");
            return kExitFailed;
        case protocol::VerifyResult::TimedOut:
            return kExitTimedOut;
        case protocol::VerifyResult::NotSent:
            return kExitFailed;
    }
    return kExitFailed;
}

}  // namespace cli
