#pragma once

// A share link to files of the user's cloud disk, made by the download host
// ("/app/pc/createlink.php"), in one of three kinds. The files text is a JSON list of
// objects that name each file by its URL-encoded disk path:
//   [{ "name" : "%2F%E6%88%91...%2Fa+b.txt" },{ "name" : "..." }]
// A link for a Sina Weibo post carries the bound account's attributes as well.

#include <cstdint>
#include <string>
#include <vector>

#include "actions/link_action.h"

namespace actions {

// Link kinds, sent as "form".
inline constexpr int32_t kWeiboLink = 0;   // "sina_weibo_external_link"
inline constexpr int32_t kNorvelLink = 1;  // "norvel_external_link", the service's own
inline constexpr int32_t kNormalLink = 2;  // "normal_external_link"

// The attributes of a link for a Sina Weibo post; none of them is URL-encoded.
struct SinaWeiboAttributes {
    std::string uid;         // the bound account's uid, ANSI code page
    std::string screenName;  // the bound account's screen name, UTF-8
    std::string follow;      // "true" or "false"
    std::string retweet;     // "true" or "false"
    std::string thumbnail;   // the picture text, ANSI code page (sent as UTF-8)
};

class CCreatelinkAction : public CLinkAction {
public:
    // Paths are local paths or disk paths ("/我收到的文件/a.txt"); kind as above.
    CCreatelinkAction(std::vector<std::u16string> paths, int32_t kind);

    void SetWeiboAttributes(SinaWeiboAttributes attributes) { m_Weibo = std::move(attributes); }

    // Fills the files and form texts from the paths and the kind. Folders and paths in a
    // briefcase are left out; a path in the sync folder becomes its path below it, any
    // other path is taken whole with "\" turned into "/".
    void BuildFiles();
    // BuildFiles, then the request: 0 with the address and title set, -1 otherwise (also
    // when no path qualified: then nothing is sent).
    int Execute();

    const std::string& GetFilesText() const { return m_Files; }
    const std::string& GetFormText() const { return m_Form; }
    // The paths that BuildFiles took.
    size_t FileCount() const { return m_FileCount; }
    // The exact request body (after BuildFiles).
    std::string RequestBody() const;

private:
    std::string WeiboAttributesText() const;

    std::vector<std::u16string> m_Paths;
    int32_t m_Kind;
    SinaWeiboAttributes m_Weibo;
    std::string m_Form = "norvel_external_link";
    std::string m_Files;     // built by BuildFiles
    size_t m_FileCount = 0;  // paths in m_Files
};

}  // namespace actions
