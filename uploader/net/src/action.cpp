#include "net/action.h"

#include <cstdlib>

#include "json/json.h"
#include "net/http_request.h"
#include "settings/service_hosts.h"
#include "settings/settings.h"

namespace net {

int ExceptionCode(std::exception_ptr exception) {
    if (!exception)
        return -1;
    try {
        std::rethrow_exception(exception);
    } catch (const Script::JsonOverflowException&) {
        return 2001;
    } catch (const Script::JsonNullPointerException&) {
        return 2002;
    } catch (const Script::JsonInvalidateIndexException&) {
        return 2003;
    } catch (const Script::JsonInvalidateParamException&) {
        return 2004;
    } catch (const Script::JsonUnsupportException&) {
        return 2005;
    } catch (const Script::JsonUnimplementException&) {
        return 2006;
    } catch (const Script::JsonWrongFormatException&) {
        return 2007;
    } catch (const Script::JsonMemberNotFoundException&) {
        return 2008;
    } catch (const Script::JsonException&) {
        return 2009;
    } catch (...) {
        return -1;
    }
}

int CAction::GetErrno(const Script::JsonObject* reply) {
    if (!reply)
        return 0;
    try {
        const std::string text = reply->GetMember("errno").GetValue()->GetString();
        return std::atoi(text.c_str());
    } catch (...) {
        return m_ErrorCode;
    }
}

std::unique_ptr<Script::JsonObject> CAction::PostForm(const settings::ServiceHost& host,
                                                      std::u16string_view path,
                                                      std::optional<std::string_view> body) {
    HttpRequestInfo info;
    InitRequestInfo(info, host, m_User, m_Password);
    size_t length = 0;
    const ReplyBuffer reply = HTTPRequest(settings::GetHeaderText(), length, info, path, body);
    m_ErrorCode = info.m_StatusCode;
    m_ReplyLength = reply ? length : 0;
    if (!reply || length == 0 || (info.m_StatusCode != 200 && info.m_StatusCode != 400))
        return nullptr;
    try {
        return std::unique_ptr<Script::JsonObject>(
            Script::Parse(reply.get(), length > size_t(INT32_MAX) ? INT32_MAX : int(length)));
    } catch (...) {
        RecordException();
        return nullptr;
    }
}

}  // namespace net
