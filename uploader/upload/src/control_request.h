#pragma once

// One control request of the upload dialogue (up_init, up_retcon, up_seginfo): the
// signed form body sent over a channel of its own, the status read and the reply parsed
// and read. Every failure is logged under the request's own event names, sets the
// transfer status to 5 and closes the file.

#include <functional>
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
    int result = 0;    // 0: `read` took the reply; else the failure (-1, or 4010: no status)
    std::string body;  // the reply as received
};

// Signs the request (args.Key), builds its body and headers, sends it to path and hands
// a status 200 reply to `read`. Fails when the request cannot be made, the status is not
// 200 (4010 when nothing came back), nothing can be read, or the reply is no JSON or
// `read` throws (a member it needs is missing).
ControlResult SendControlRequest(UploadRun& run, UploadRequestArgs& args, std::u16string_view path,
                                 const ControlTexts& texts,
                                 const std::function<void(const Script::JsonObject&)>& read);

}  // namespace upload::detail
