#pragma once

// A share link to the files of an anonymous upload, made by the sync API host
// ("/app/pc/anonymous_createlink.php") from each file's name and the address the upload
// engine got for it. The attachments text is a JSON object keyed by the positions:
//   {"0":{ "kdwurl" : "\/f\/...", "name" : "a+b.txt" },"1":{ ... }}

#include <string>
#include <utility>
#include <vector>

#include "actions/link_action.h"

namespace actions {

// A file name and the upload address of its content.
using AnonymousFile = std::pair<std::u16string, std::u16string>;

class CCreateAnonylinkAction : public CLinkAction {
public:
    // Builds the attachments text (empty for an empty list).
    explicit CCreateAnonylinkAction(const std::vector<AnonymousFile>& files);

    // 0 with the address and title set, -1 otherwise (also for an empty list: then
    // nothing is sent).
    int Execute();

    const std::string& GetAttachmentsText() const { return m_Attachments; }
    std::string RequestBody() const;

private:
    std::string m_Attachments;
};

}  // namespace actions
