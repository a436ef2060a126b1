#include "service_client.h"

#include <algorithm>
#include <chrono>

#include "service/digest.h"
#include "service/form.h"

namespace norvel::test {
namespace {

constexpr int kInit = 0, kBlock = 1, kFast = 2, kSegInfo = 3;

int64_t Now() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string NonceOf(const HttpResponse& response) {
    const std::string header = response.Header("KDW-Auth");
    const size_t at = header.find("Nonce=\"");
    if (at == std::string::npos)
        return {};
    const size_t start = at + 7;
    return header.substr(start, header.find('"', start) - start);
}

std::string SegListText(const std::vector<CSegmentEntry>& segments) {
    std::string text = "[";
    for (size_t i = 0; i < segments.size(); ++i)
        text += (i ? "," : "") + std::string("{ \"fileid\" : \"") + segments[i].fileId +
                "\" , \"range\" : \"" + segments[i].Range() + "\" }";
    return text + "]";
}

}  // namespace

service::CJsonValue ReplyJson(const HttpResponse& response) {
    auto value = service::CJsonValue::Parse(response.body);
    return value ? *value : *service::CJsonValue::Parse("{}");
}

std::string Md5(const std::string& bytes) {
    return service::Md5Hex(bytes);
}

bool CTestClient::Register() {
    const auto init = ReplyJson(m_Service.Post("/app/pc/clientid.init.php", ""));
    const std::string seed = init.Text("seed");
    secret = init.Text("secret");
    cid = Md5(seed + secret);
    const auto auth =
        m_Service.Post("/app/pc/clientid.auth.php", "cid=" + cid + "&secret=" + secret);
    return auth.status == 200 && ReplyJson(auth).Text("success") != "false";
}

HttpResponse CTestClient::CallOnce(const std::string& target, const std::string& body) {
    const std::string created = std::to_string(Now() + createdOffset);
    const std::string digest = Md5(Md5(secret + nonce) + created);
    return m_Service.Post(target, body,
                          {"Content-Type: application/x-www-form-urlencoded",
                           "KDW-Auth: AccessToken ClientID=" + cid + ", Digest=" + digest +
                               ", Nonce=" + nonce + ", Created=" + created});
}

HttpResponse CTestClient::Call(const std::string& target, const std::string& body) {
    HttpResponse response = CallOnce(target, body);
    if (response.status != 401)
        return response;
    nonce = NonceOf(response);
    return CallOnce(target, body);
}

bool CTestClient::Login(const std::string& name, const std::string& password) {
    const auto init = ReplyJson(Call("/app/pc/user.init.php", "username=" + name + "&cid=" + cid));
    const std::string crypt = Md5(password + init.Text("challenge"));
    const auto auth = ReplyJson(Call(
        "/app/pc/user.auth.php", "crypt=" + crypt + "&captchaid=" + init.Text("captchaid") +
                                     "&captcha=&username=" + name + "&cid=" + cid + "&cname=PC01"));
    if (auth.Text("login") != "true")
        return false;
    token = auth.Text("token");
    uid = auth.Find("userinfo") ? auth.Find("userinfo")->Text("uid") : "";
    user = name;
    return true;
}

std::optional<CTestClient::Ticket> CTestClient::Authorize(const std::string& cname) {
    const HttpResponse response =
        cname.empty() ? Call("/app/pc/sync.upauth.php", "token=" + token + "&uid=" + uid)
                      : Call("/app/pc/anon.upauth.php", "cname=" + cname);
    const auto reply = ReplyJson(response);
    if (response.status != 200 || reply.Text("kdw_tstr").empty())
        return std::nullopt;
    return Ticket{reply.Text("kdw_tstr"), reply.Text("secret"), reply.Text("url")};
}

std::string CUploadDriver::Ts() const {
    return tsOverride.empty() ? std::to_string(Now()) : tsOverride;
}

uint64_t CUploadDriver::SegSize(const std::string& segId) const {
    for (const CSegmentEntry& s : segments)
        if (s.fileId == segId)
            return s.end - s.start + 1;
    return 0;
}

uint64_t CUploadDriver::SegStart(const std::string& segId) const {
    for (const CSegmentEntry& s : segments)
        if (s.fileId == segId)
            return s.start;
    return 0;
}

std::string CUploadDriver::Key(int kind, const std::string& ts, const std::string& segId,
                               const std::string& range) const {
    const std::string fid = fileId.empty() ? Md5(m_Content) : fileId;
    std::vector<std::string> list = {"kdw_app1",
                                     "kdw_ts" + ts,
                                     "kdw_fmtJSON",
                                     "kdw_filename" + m_Name,
                                     "kdw_tstr" + m_Ticket.tstr,
                                     "kdw_ver1.0"};
    if (segId.empty()) {
        list.push_back("kdw_fid" + fid);
        list.push_back("kdw_fsize" + std::to_string(m_Content.size()));
    } else {
        list.push_back("kdw_fid" + segId);
        list.push_back("kdw_fsize" + std::to_string(SegSize(segId)));
        list.push_back("kdw_pfid" + fid);
        list.push_back("kdw_pfsize" + std::to_string(m_Content.size()));
    }
    if (kind == kFast) {
        const size_t dash = range.find('-');
        const uint64_t start = std::stoull(range.substr(0, dash)) + SegStart(segId);
        const uint64_t end = std::stoull(range.substr(dash + 1)) + SegStart(segId);
        list.push_back("kdw_fcon" + Md5(m_Content.substr(start, end - start + 1)));
    }
    list.push_back("kdw_tcon");
    if (kind == kBlock || kind == kFast)
        list.push_back("kdw_range" + range);
    if (kind == kSegInfo && segId.empty())
        list.push_back("kdw_seglist" + SegListText(segments));
    std::sort(list.begin(), list.end());
    std::string text = m_Ticket.secret;
    for (const std::string& item : list)
        text += item;
    return keyOverride.empty() ? Md5(text) : keyOverride;
}

std::string CUploadDriver::InitBody(const std::string& ts) const {
    const std::string fid = fileId.empty() ? Md5(m_Content) : fileId;
    return "kdw_app=1&kdw_ts=" + ts +
           "&kdw_fmt=JSON&kdw_ver=1.0&user_defined=&kdw_tcon=&kdw_tstr=" + m_Ticket.tstr +
           "&kdw_filename=" + service::UrlEncode(m_Name) + "&kdw_fid=" + fid +
           "&kdw_fsize=" + std::to_string(m_Content.size()) + "&kdw_key=" + Key(kInit, ts, {}, {}) +
           "&";
}

std::string CUploadDriver::SegInfoBody(const std::string& ts) const {
    const std::string fid = fileId.empty() ? Md5(m_Content) : fileId;
    return "kdw_app=1&kdw_ts=" + ts +
           "&kdw_fmt=JSON&kdw_ver=1.0&user_defined=&kdw_tcon=&kdw_tstr=" + m_Ticket.tstr +
           "&kdw_filename=" + service::UrlEncode(m_Name) + "&kdw_fid=" + fid +
           "&kdw_fsize=" + std::to_string(m_Content.size()) +
           "&kdw_key=" + Key(kSegInfo, ts, {}, {}) + "&kdw_seglist=" + SegListText(segments) + "&";
}

std::string CUploadDriver::FastBody(const std::string& ts, const std::string& segId,
                                    const std::string& range) const {
    const std::string fid = fileId.empty() ? Md5(m_Content) : fileId;
    std::string body =
        "kdw_app=1&kdw_ts=" + ts +
        "&kdw_fmt=JSON&kdw_ver=1.0&user_defined=&kdw_tcon=&kdw_tstr=" + m_Ticket.tstr +
        "&kdw_filename=" + service::UrlEncode(m_Name);
    body += segId.empty() ? "&kdw_fid=" + fid + "&kdw_fsize=" : "&kdw_pfid=" + fid + "&kdw_pfsize=";
    body += std::to_string(m_Content.size()) + "&kdw_key=" + Key(kFast, ts, segId, range) + "&";
    if (!segId.empty())
        body += "kdw_fid=" + segId + "&kdw_fsize=" + std::to_string(SegSize(segId));
    const size_t dash = range.find('-');
    const uint64_t start = std::stoull(range.substr(0, dash)) + SegStart(segId);
    const uint64_t end = std::stoull(range.substr(dash + 1)) + SegStart(segId);
    return body + "&kdw_range=" + range +
           "&kdw_fcon=" + Md5(m_Content.substr(start, end - start + 1)) + "&";
}

std::string CUploadDriver::BlockBody(const std::string& ts, const std::string& segId,
                                     const std::string& range, const std::string& boundary) const {
    const std::string fid = fileId.empty() ? Md5(m_Content) : fileId;
    const std::string d = "--" + boundary;
    auto part = [&](const std::string& name, const std::string& value) {
        return "\r\n" + d + "\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" +
               value;
    };
    std::string head = d + "\r\nContent-Disposition: form-data; name=\"kdw_app\"\r\n\r\n1\r\n" + d +
                       "\r\nContent-Disposition: form-data; name=\"kdw_ts\"\r\n\r\n" + ts;
    head += part("kdw_fmt", "JSON") + part("kdw_ver", "1.0") + part("kdw_tcon", "") +
            part("kdw_tstr", m_Ticket.tstr) + part("kdw_filename", m_Name) +
            part("kdw_range", range) + part("kdw_range", range);
    if (segId.empty())
        head += part("kdw_fid", fid) + part("kdw_fsize", std::to_string(m_Content.size()));
    else
        head += part("kdw_pfid", fid) + part("kdw_pfsize", std::to_string(m_Content.size())) +
                part("kdw_fid", segId) + part("kdw_fsize", std::to_string(SegSize(segId)));
    head += part("kdw_key", Key(kBlock, ts, segId, range));
    head += "\r\n" + d +
            "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"C:\\files\\" + m_Name +
            "\r\nContent-Type: application/octet-stream\r\n\r\n";
    const size_t dash = range.find('-');
    const uint64_t start = std::stoull(range.substr(0, dash)) + SegStart(segId);
    const uint64_t length =
        std::stoull(range.substr(dash + 1)) - std::stoull(range.substr(0, dash)) + 1;
    // Bytes past the end of the file are sent as zeros, as the client's buffer holds them.
    std::string data = start < m_Content.size() ? m_Content.substr(start, length) : std::string();
    data.resize(length, '\0');
    return head + data + "\r\n" + d + "--\r\n";
}

HttpResponse CUploadDriver::Send(const std::string& target, const std::string& body,
                                 const std::string& contentType) {
    return m_Service.Post(target, body,
                          {"Accept: */*", "Content-Type: application/x-www-form-urlencoded",
                           "Content-Type: " + contentType});
}

HttpResponse CUploadDriver::Init() {
    return Send("/up/up_init", InitBody(Ts()), "application/x-www-form-urlencoded");
}

HttpResponse CUploadDriver::Fast(const std::string& segId, const std::string& range) {
    return Send("/up/up_retcon", FastBody(Ts(), segId, range), "application/x-www-form-urlencoded");
}

HttpResponse CUploadDriver::SegInfo(uint64_t segSize) {
    segments.clear();
    for (uint64_t start = 0; start < m_Content.size(); start += segSize) {
        const uint64_t end = std::min<uint64_t>(start + segSize, m_Content.size()) - 1;
        segments.push_back(
            CSegmentEntry{Md5(m_Content.substr(start, end - start + 1)), start, end});
    }
    return Send("up/up_seginfo", SegInfoBody(Ts()), "application/x-www-form-urlencoded");
}

HttpResponse CUploadDriver::Block(const std::string& segId, const std::string& range) {
    const std::string boundary = "----------7b" + std::to_string(Now() % 100000) + "abcde";
    return Send("/up/up_blk", BlockBody(Ts(), segId, range, boundary),
                "multipart/form-data; boundary=" + boundary);
}

CUploadDriver::Result CUploadDriver::Run(int maxRequests) {
    Result result;
    std::string currentSeg;
    // Records a reply's command; a failed status or a finish ends up in the result. The
    // reply, or empty when the status was not 200.
    auto Note = [&](const HttpResponse& response) -> std::optional<service::CJsonValue> {
        const auto reply = ReplyJson(response);
        result.commands.push_back(reply.Text("kdw_upcmd"));
        if (response.status != 200) {
            result.failStatus = response.status;
            return std::nullopt;
        }
        if (reply.Text("kdw_upcmd") == "UPSTAT") {
            result.finished = reply.Text("kdw_upstat") == "FIN";
            result.path = reply.Text("kdw_path");
        }
        return reply;
    };
    // One block loop: follows the ranges until FIN, a switch of segment, or a failure.
    auto blockLoop = [&](const std::string& segId, std::string range) -> bool {
        while (maxRequests-- > 0) {
            result.blockRanges.push_back(segId + ":" + range);
            const auto reply = Note(Block(segId, range));
            if (!reply || reply->Text("kdw_upcmd") == "UPSTAT")
                return result.finished;
            range = reply->Text("kdw_range");
            if (!segId.empty() && reply->Text("kdw_fid") != segId) {
                currentSeg = reply->Text("kdw_fid");
                return true;
            }
        }
        return false;
    };
    auto fast = [&](const std::string& segId, const std::string& range) -> bool {
        const auto reply = Note(Fast(segId, range));
        if (!reply || reply->Text("kdw_upcmd") == "UPSTAT")
            return result.finished;
        return blockLoop(segId, reply->Text("kdw_range"));
    };
    const auto init = Note(Init());
    const std::string command = init ? init->Text("kdw_upcmd") : std::string();
    if (command == "REQTBLK") {
        blockLoop({}, init->Text("kdw_range"));
    } else if (command == "REQTCON") {
        fast({}, init->Text("kdw_range"));
    } else if (command == "REQTSEG") {
        const auto seginfo = Note(SegInfo(std::stoull(init->Text("kdw_segsize"))));
        if (!seginfo)
            return result;
        const std::string segCommand = seginfo->Text("kdw_upcmd");
        const std::string r = seginfo->Text("kdw_range");
        currentSeg = seginfo->Text("kdw_fid");
        // Passes over the list in order, as the client makes them; the first block of each
        // segment uses the range of the segment-information reply.
        for (int pass = 0; pass < 100 && !result.finished && result.failStatus == 0; ++pass) {
            const std::string before = currentSeg;
            for (const CSegmentEntry& entry : std::vector<CSegmentEntry>(segments)) {
                if (entry.fileId != currentSeg || result.finished)
                    continue;
                if (!(segCommand == "REQTCON" ? fast(entry.fileId, r) : blockLoop(entry.fileId, r)))
                    break;
            }
            if (currentSeg == before && !result.finished)
                break;
        }
    }
    return result;
}

}  // namespace norvel::test
