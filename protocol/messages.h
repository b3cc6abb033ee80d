// Every text the protocol layer shows, exactly as the user sees it.
#pragma once

namespace protocol::text {

inline constexpr const char* kNetworkFailed = "Network communication failed with error %d\n";
inline constexpr const char* kCleanupFailed = "WSACleanup failed with error %d\n";
inline constexpr const char* kServerSocketFailed = "Creating Server socket failed!\n";
inline constexpr const char* kTimeoutSystemInfo = "Time out:get system info!";
inline constexpr const char* kTimeoutNetworkInfo = "Time out:get network info!";
inline constexpr const char* kTimeoutShareNumber = "Time out:get share number!";
inline constexpr const char* kTimeoutShareList = "Time out:get share list!";
inline constexpr const char* kTimeoutVerify = "Time out:Verify name & password!";
inline constexpr const char* kVerifyFailed = "Verify failed!";
inline constexpr const char* kSetNetworkFailed = "Set network info failed!";
// A write that nothing answered is not shown as done; the page stays for another try.
inline constexpr const char* kTimeoutSetSystemInfo = "Time out:set system info!";
inline constexpr const char* kTimeoutSetNetworkInfo = "Time out:set network info!";

}  // namespace protocol::text
