#pragma once

// Error numbers of the transport, as the rest of the library knows them: the numbers of
// the Windows internet functions, so that log files and result codes read the same on
// every system. AsyncHttpChannel::LastError() reports them.

#include <cstdint>

namespace net {

inline constexpr uint32_t ERROR_INTERNET_TIMEOUT = 12002;                 // a time-out passed
inline constexpr uint32_t ERROR_INTERNET_INTERNAL_ERROR = 12004;          // anything else
inline constexpr uint32_t ERROR_INTERNET_INVALID_URL = 12005;             // unusable host or path
inline constexpr uint32_t ERROR_INTERNET_NAME_NOT_RESOLVED = 12007;       // unknown host name
inline constexpr uint32_t ERROR_INTERNET_OPERATION_CANCELLED = 12017;     // stop or shutdown
inline constexpr uint32_t ERROR_INTERNET_INCORRECT_HANDLE_STATE = 12019;  // step out of order
inline constexpr uint32_t ERROR_INTERNET_CANNOT_CONNECT = 12029;          // connection refused
inline constexpr uint32_t ERROR_INTERNET_CONNECTION_ABORTED = 12030;      // ended early
inline constexpr uint32_t ERROR_INTERNET_CONNECTION_RESET = 12031;        // reset by the peer
inline constexpr uint32_t ERROR_INTERNET_FORCE_RETRY = 12032;             // send it again whole
inline constexpr uint32_t ERROR_INTERNET_INVALID_CA = 12045;              // certificate refused
inline constexpr uint32_t ERROR_HTTP_INVALID_SERVER_RESPONSE = 12152;     // not HTTP, or nothing
inline constexpr uint32_t ERROR_INTERNET_SECURITY_CHANNEL_ERROR = 12157;  // TLS failed

}  // namespace net
