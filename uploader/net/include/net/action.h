#pragma once

// The base of every server action. Every reply of the service is a JSON object whose
// member "errno" carries the service's result code; m_ErrorCode records what went wrong
// when no such code could be read: first the HTTP status of the request, then, when
// reading the reply threw, the code of the exception (ExceptionCode).
//
// The common pattern of an action:
//   auto reply = PostForm(settings::GetApiHost(), u"/app/pc/user.info.php", body);
//   if (!reply) return failure;                    // m_ErrorCode holds the status
//   try { int code = GetErrno(reply.get()); ... read members ... }
//   catch (...) { RecordException(); return failure; }

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace Script {
class JsonObject;
}
namespace settings {
struct ServiceHost;
}

namespace net {

// The code for an exception that reading a reply threw:
//   JsonOverflowException 2001, JsonNullPointerException 2002,
//   JsonInvalidateIndexException 2003, JsonInvalidateParamException 2004,
//   JsonUnsupportException 2005, JsonUnimplementException 2006,
//   JsonWrongFormatException 2007, JsonMemberNotFoundException 2008,
//   any other JsonException 2009, anything else -1.
int ExceptionCode(std::exception_ptr exception);

class CAction {
public:
    CAction() = default;
    virtual ~CAction() = default;
    CAction(const CAction&) = delete;
    CAction& operator=(const CAction&) = delete;

    // The integer value of the reply's member "errno" (leading digits, as atoi); 0 for a
    // null reply; m_ErrorCode unchanged when the member cannot be read.
    virtual int GetErrno(const Script::JsonObject* reply);

    std::u16string m_User;  // connection credentials handed to the request descriptor
    std::u16string m_Password;
    int32_t m_ErrorCode = 0;
    // Bytes of the reply to the last PostForm; 0 when no reply came (nothing reached us,
    // or a status whose body is not read).
    size_t m_ReplyLength = 0;

protected:
    // Sends the form body to the host's path with the settings' header block, stores the
    // HTTP status in m_ErrorCode, and parses a reply of status 200 or 400 that is not
    // empty. Null when there is nothing to read; a reply that is not JSON sets
    // m_ErrorCode by ExceptionCode and gives null too.
    std::unique_ptr<Script::JsonObject> PostForm(const settings::ServiceHost& host,
                                                 std::u16string_view path,
                                                 std::optional<std::string_view> body);
    // Call inside a catch block: m_ErrorCode = the code of the exception being handled.
    void RecordException() { m_ErrorCode = ExceptionCode(std::current_exception()); }
};

}  // namespace net
