// "/up/up_init", "/up/up_retcon" and "up/up_seginfo": the control requests of the upload
// dialogue, each a form whose "kdw_key" must verify with the ticket's secret.

#include <functional>
#include <mutex>

#include "service/context.h"
#include "service/handlers.h"
#include "service/upload_session.h"

namespace norvel::service {
namespace {

using Step = CReply (*)(CServiceContext&, const CUploadParams&, const CTicket&);

CReply Control(CServiceContext& ctx, const CForm& form, UploadKind kind, Step step) {
    std::string error;
    const auto params = ReadUploadParams(kind, form.Fields(), true, error);
    if (!params)
        return ErrorReply(400, Errno::kBadRequest, error);
    std::optional<CTicket> ticket;
    {
        CTransaction tx(ctx.store);
        ticket = FindTicket(tx, params->tstr);
    }
    if (!ticket)
        return ErrorReply(400, Errno::kRefused, "unknown upload ticket");
    if (UploadKey(*params, ticket->secret) != params->key)
        return ErrorReply(400, Errno::kRefused, "wrong kdw_key");
    const size_t key = std::hash<std::string>{}(ticket->tstr + "|" + params->fileId + "|" +
                                                std::to_string(params->fileSize));
    std::lock_guard lock(ctx.SessionLock(key));
    return step(ctx, *params, *ticket);
}

}  // namespace

CReply HandleUpInit(CServiceContext& ctx, const CRequest&, const CForm& form) {
    return Control(ctx, form, UploadKind::Init, StartUpload);
}

CReply HandleUpRetcon(CServiceContext& ctx, const CRequest&, const CForm& form) {
    return Control(ctx, form, UploadKind::Fast, ProveContent);
}

CReply HandleUpSegInfo(CServiceContext& ctx, const CRequest&, const CForm& form) {
    return Control(ctx, form, UploadKind::SegInfo, AnnounceSegments);
}

}  // namespace norvel::service
