#include "protocol/verify.h"

#include "protocol/messages.h"

namespace protocol {

VerifyResult VerifyAdministrator(sockets::SocketApi& api, MessageSink& sink, const Mac& mac,
                                 std::string_view user, std::string_view password,
                                 const Route& route)
{
    Session session(api, sink, kLibraryVersion);
    if (!session.ok()) return VerifyResult::NotSent;
    session.SetRoute(route);

    auto reply = session.Exchange(CMD_VERIFY, mac, VerifyPayload(user, password), kVerifyWait);
    VerifyResult result;
    if (!reply) {
        sink.ShowMessage(text::kTimeoutVerify);
        result = VerifyResult::TimedOut;
    } else if (reply->size() < 4 || reply->Header().cmd != CMD_VERIFY) {
        // A datagram too short to carry a status proves nothing: it never counts as success.
        result = VerifyResult::OtherReply;
    } else if (reply->Header().status == 0) {
        result = VerifyResult::Accepted;
    } else {
        sink.ShowMessage(text::kVerifyFailed);
        result = VerifyResult::Refused;
    }
    // The message is on screen before the socket and the library are released.
    session.Release();
    return result;
}

bool PassesVerificationRule(const DeviceInfo& device, const std::function<bool()>& verify)
{
    // Asked every time: a successful verification is never remembered.
    return device.passwordRequired == 0 || (verify && verify());
}

}  // namespace protocol
