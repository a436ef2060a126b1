#pragma once

// The control socket's protocol: one request and one reply per connection, each one
// message of UTF-8 text, "key=value" lines after the line "norvel-control 1". The layout
// is written out in docs/control-socket.md.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace control {

inline constexpr std::string_view kProtocolLine = "norvel-control 1";
// The property that marks the main upload window for outside programs.
inline constexpr std::u16string_view kMainWindowProperty = u"norvel_uploader_exe";
// Longest message either side sends or accepts.
inline constexpr size_t kMaxControlMessage = 65536;

// How a request names its window.
enum class TargetKind { Title, Property };

struct ControlTarget {
    TargetKind kind = TargetKind::Property;
    std::u16string name;  // the exact title, or the name of a property the window carries
};

struct ControlRequest {
    // LoginDone: a login was made and saved by another program; the main upload window
    // takes it and hands on the requests that waited for a login.
    enum class Kind { Send, Status, LoginDone };
    Kind kind = Kind::Send;
    // Kind::Send: the message and its two values for the target window.
    ControlTarget target;
    uint32_t message = 0;
    uint64_t wParam = 0;
    int64_t lParam = 0;
    // Kind::Status: list only the tasks whose id is above this one (ids ascend), so that a
    // client pages through more tasks than one reply holds.
    std::optional<int32_t> afterId;
};

enum class ControlError {
    None,
    BadRequest,      // the request could not be read
    NoWindow,        // no window has that title or property
    RefusedMessage,  // the message is not one that outside programs may send
    TimedOut,        // the window did not answer in time
    // Seen by clients only:
    NoServer,  // nothing listens on the control socket (the library is not running)
    NoAnswer,  // the server did not answer in time, or the connection broke
    BadReply,  // the reply could not be read
};

struct TaskLine {
    int32_t id = 0;
    int32_t state = 0;
    std::u16string path;  // the local file
};

// What the library reports about itself.
struct ControlStatus {
    bool engine = false;      // an upload engine is built in
    bool mainWindow = false;  // the main upload window exists
    std::vector<TaskLine> tasks;
    size_t tasksOmitted = 0;  // tasks left out so that the reply fits in one message
    // The request's afterId, said back: a server that pages tells so (older ones do not).
    std::optional<int32_t> listedAfter;
};

struct ControlReply {
    ControlError error = ControlError::None;
    std::string errorText;  // for people
    int64_t result = 0;     // the window's answer to a sent message
    ControlStatus status;   // the answer to a status request
};

// A reply that reports the error.
ControlReply FailedReply(ControlError error, std::string text);

// Messages outside programs may send: WM_CLOSE, save and exit, account commands, start
// updater, query pending. Their values are plain numbers, never addresses.
[[nodiscard]] bool IsOutsideMessage(uint32_t message);

// <runtime folder>/control
std::string ControlSocketPath(const std::string& runtimeDir);

std::string EncodeRequest(const ControlRequest& request);
[[nodiscard]] std::optional<ControlRequest> DecodeRequest(std::string_view text);
std::string EncodeReply(const ControlReply& reply);
[[nodiscard]] std::optional<ControlReply> DecodeReply(std::string_view text);

// "bad-request", "no-window", ...; the name of an error as it travels.
std::string_view ControlErrorName(ControlError error);

}  // namespace control
