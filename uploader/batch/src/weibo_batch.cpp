#include "batch/weibo_batch.h"

#include <utility>

#include "actions/createlink_action.h"
#include "actions/weibo_action.h"
#include "batch/link_batch.h"
#include "batch/media_files.h"
#include "intake/messages.h"
#include "platform/text.h"
#include "upload/result_codes.h"

namespace batch {
namespace {

bool SameLetters(std::u16string_view text, std::u16string_view upper) {
    if (text.size() != upper.size())
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i] >= u'a' && text[i] <= u'z' ? char16_t(text[i] - 32) : text[i];
        if (c != upper[i])
            return false;
    }
    return true;
}

const char* TrueFalse(bool value) {
    return value ? "true" : "false";
}

}  // namespace

bool IsSpaceResult(int result) {
    return result == upload::kDiskFull || result == upload::kSpaceUsedUp ||
           result == upload::kFileTooLarge;
}

bool IsPostPicture(std::u16string_view fileName) {
    const size_t dot = fileName.rfind(u'.');
    if (dot == std::u16string_view::npos)
        return false;
    const std::u16string_view extension = fileName.substr(dot + 1);
    return SameLetters(extension, u"JPG") || SameLetters(extension, u"PNG") ||
           SameLetters(extension, u"GIF");
}

WeiboBatch::WeiboBatch(const intake::RequestBatch& requests, platform::WindowHandle owner,
                       WeiboBatchOptions options)
    : m_Done(std::move(options.done)),
      m_Worker(
          requests, owner, intake::kAccountUpload,
          [this](const intake::UploadContext& task, int result) { OnFileDone(task, result); },
          std::move(options.worker)) {
    if (!m_Done)
        m_Done = [owner](int wParam, int lParam) {
            platform::PostMessage(owner, intake::WM_USERINFO_DONE, wParam, lParam);
        };
    // Files refused when they were made never reach the driver: a refusal for size is a
    // space failure as much as one the upload met.
    for (const BatchTaskInfo& failed : m_Worker.FailedTasks())
        m_Space = m_Space || IsSpaceResult(failed.result);
}

WeiboBatch::~WeiboBatch() {
    StopBatch();
}

// With the worker's lock held.
void WeiboBatch::OnFileDone(const intake::UploadContext& task, int result) {
    if (result != 0) {
        m_Space = m_Space || IsSpaceResult(result);
        return;
    }
    if (!m_Media)
        m_Media = IsMediaFile(task.m_FileName);
    m_AccountPaths.push_back(std::u16string(kReceivedFolder) + task.m_Name);
    if (!m_HasPicture && IsPostPicture(task.m_FileName)) {
        m_HasPicture = true;
        m_Picture = platform::WideToAnsi(task.m_RemotePath);
    }
}

// With the worker's lock held: claims the batch's thread for one request.
bool WeiboBatch::BeginLocked() {
    if (m_Busy || m_Worker.StoppedLocked())
        return false;
    m_Busy = true;
    return true;
}

int WeiboBatch::CreateWeiboLink(bool repost, bool notifyFans) {
    {
        std::lock_guard lock(m_Worker.Lock());
        if (m_AccountPaths.empty() || !BeginLocked())
            return -1;
        m_Link = {};
    }
    m_Worker.Post([this, r = std::string(TrueFalse(repost)),
                   f = std::string(TrueFalse(notifyFans))] { RunLink(r, f); });
    return 0;
}

int WeiboBatch::SendPost(std::string contentAnsi) {
    {
        std::lock_guard lock(m_Worker.Lock());
        if (m_Link.code != 0 || m_Link.url.empty() || !BeginLocked())
            return -1;
        m_Post = {};
    }
    m_Worker.Post([this, content = std::move(contentAnsi)] { RunPost(content); });
    return 0;
}

// On the batch's thread.
void WeiboBatch::RunLink(std::string repost, std::string fans) {
    std::vector<std::u16string> paths;
    std::string picture;
    {
        std::lock_guard lock(m_Worker.Lock());
        paths = m_AccountPaths;
        picture = m_Picture;
    }
    const actions::BoundWeiboAccount bound = actions::GetBoundWeiboAccount();
    actions::CCreatelinkAction action(std::move(paths), actions::kWeiboLink);
    action.SetWeiboAttributes(
        {bound.uid, bound.screenName, std::move(fans), std::move(repost), std::move(picture)});
    WeiboLink link;
    link.ended = true;
    link.code = action.Execute();
    link.url = action.GetUrl();
    if (link.code == 0 && link.url.empty())
        link.code = -1;
    const bool failed = link.code != 0;
    {
        std::lock_guard lock(m_Worker.Lock());
        m_Link = std::move(link);
        m_Busy = false;
    }
    m_Done(intake::kWeiboLinkEnded, failed ? 1 : 0);
}

// On the batch's thread.
void WeiboBatch::RunPost(std::string content) {
    std::string url, picture;
    {
        std::lock_guard lock(m_Worker.Lock());
        url = m_Link.url;
        picture = m_Picture;
    }
    WeiboPost post;
    post.ended = true;
    post.code = actions::PostToWeibo(content, picture, url, post.messageId);
    const bool posted = post.code == 0;
    {
        std::lock_guard lock(m_Worker.Lock());
        m_Post = std::move(post);
        m_Busy = false;
    }
    m_Done(intake::kWeiboPostEnded, posted ? 1 : 0);
}

WeiboLink WeiboBatch::Link() const {
    std::lock_guard lock(m_Worker.Lock());
    return m_Link;
}

WeiboPost WeiboBatch::Post() const {
    std::lock_guard lock(m_Worker.Lock());
    return m_Post;
}

bool WeiboBatch::Busy() const {
    std::lock_guard lock(m_Worker.Lock());
    return m_Busy;
}

bool WeiboBatch::SpaceFailure() const {
    std::lock_guard lock(m_Worker.Lock());
    return m_Space;
}

bool WeiboBatch::MediaFlag() const {
    std::lock_guard lock(m_Worker.Lock());
    return m_Media;
}

std::string WeiboBatch::Picture() const {
    std::lock_guard lock(m_Worker.Lock());
    return m_Picture;
}

std::vector<std::u16string> WeiboBatch::AccountPaths() const {
    std::lock_guard lock(m_Worker.Lock());
    return m_AccountPaths;
}

}  // namespace batch
