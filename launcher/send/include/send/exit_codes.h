#pragma once

// Exit statuses of norvel-flinga-send.

namespace send {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;          // anything else (settings, runtime folder)
inline constexpr int kExitUsage = 2;           // the command line is wrong
inline constexpr int kExitMissingPath = 3;     // a path does not exist
inline constexpr int kExitUncarriable = 4;     // a path a request record cannot carry was left out
inline constexpr int kExitNoAnswer = 5;        // the launcher did not start or take the request
inline constexpr int kExitRefused = 6;         // no such window, or a message not allowed
inline constexpr int kExitLoginRefused = 7;    // wrong account or password, captcha wanted
inline constexpr int kExitServiceFailed = 8;   // the service could not be reached
inline constexpr int kExitNothingToSend = 10;  // every file was refused by the intake filter
inline constexpr int kExitWaitsForLogin = 11;  // handed over, but it waits for a login
inline constexpr int kExitBadSetting = 12;     // config: unknown key, or a value not usable

}  // namespace send
