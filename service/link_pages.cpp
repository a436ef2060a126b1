// The page of a share link, "/s/<code>", and its downloads, "/s/<code>/<n>".

#include "service/context.h"
#include "service/form.h"
#include "service/handlers.h"
#include "service/html.h"
#include "service/links.h"
#include "service/upload_params.h"

namespace norvel::service {
namespace {

CReply NotFound() {
    return HtmlReply(HtmlPage("链接不存在", "<h1>链接不存在</h1><p>This link does not exist.</p>"),
                     404);
}

CReply Download(const CLinkFile& file, FilePieces pieces) {
    CReply reply;
    reply.contentType = "application/octet-stream";
    reply.filePieces = std::move(pieces);
    reply.fileSize = uint64_t(file.size);
    // RFC 5987 form: percent-encoded UTF-8, where a blank is %20 rather than "+".
    std::string encoded;
    for (char c : UrlEncode(file.name, ".-_~"))
        encoded += c == '+' ? std::string("%20") : std::string(1, c);
    reply.headers.emplace_back("Content-Disposition", "attachment; filename*=UTF-8''" + encoded);
    return reply;
}

CReply ListPage(const CLink& link) {
    std::string body =
        "<h1>" + HtmlEscape(link.title) + "</h1>\n<table><tr><th>文件</th><th>大小</th></tr>\n";
    for (size_t i = 0; i < link.files.size(); ++i)
        body += "<tr><td><a href=\"/s/" + link.code + "/" + std::to_string(i) + "\">" +
                HtmlEscape(link.files[i].name) + "</a></td><td>" + HumanSize(link.files[i].size) +
                "</td></tr>\n";
    return HtmlReply(HtmlPage(link.title, body + "</table>"));
}

}  // namespace

CReply HandleLinkPage(CServiceContext& ctx, const CRequest& req) {
    // "/s/<code>" or "/s/<code>/<index>"
    const std::string rest = req.path.substr(3);
    const size_t slash = rest.find('/');
    const std::string code = rest.substr(0, slash);
    CTransaction tx(ctx.store);
    const auto link = FindLink(tx, code);
    if (!link)
        return NotFound();
    if (slash == std::string::npos)
        return ListPage(*link);
    const auto index = ParseDecimal(rest.substr(slash + 1));
    if (!index || *index >= link->files.size())
        return NotFound();
    auto pieces = ctx.contents.Pieces(link->files[*index].md5);
    if (!pieces)
        return NotFound();
    return Download(link->files[*index], std::move(*pieces));
}

}  // namespace norvel::service
