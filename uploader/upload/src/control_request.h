#pragma once

// One control request of the upload dialogue (up_init, up_retcon, up_seginfo): the
// signed form body sent over a channel of its own, the status read and the reply parsed.
// Every failure is logged under the request's own event names, sets the transfer status
// to 5 and closes the file.

#include <memory>
#include <string>
#include <string_view>

#include "upload/request_params.h"
#include "upload/upload_run.h"

namespace Script {
class JsonObject;
}

namespace upload::detail {

// The log texts of one kind of control request.
struct ControlTexts {
    std::u16string_view replyEvent;     // event of the failures after the request was sent
    std::u16string_view name;           // "UploadData", "UploadFast", "UploadSeg"
    std::u16string_view requestFailed;  // cause when the request cannot be opened
    std::u16string_view readFailed;     // cause when a status 200 reply cannot be read
    std::u16string_view statusFailed;   // cause for any status but 200
    std::u16string_view jsonFailed;     // cause for a reply that is no JSON or lacks a member
};

extern const ControlTexts kInitTexts;
extern const ControlTexts kFastTexts;
extern const ControlTexts kSegInfoTexts;

struct ControlResult {
    int result = 0;  // 0: a reply to dispatch; else the failure (-1, or 4010: no status)
    std::unique_ptr<Script::JsonObject> reply;
    std::string body;  // the reply as received
};

// Signs the request (args.Key), builds its body and headers and sends it to path.
ControlResult SendControlRequest(UploadRun& run, UploadRequestArgs& args, std::u16string_view path,
                                 const ControlTexts& texts);

// A reply that lacks a member the dialogue needs: logged, the transfer failed; -1.
int FailJsonReply(UploadRun& run, const ControlTexts& texts, std::string_view body);

}  // namespace upload::detail
