#pragma once

// The batch of a Sina Weibo request: uploads its files to the account (batch/
// batch_worker.h), keeps the disk paths of the files that arrived, picks the post's
// picture (the first JPG, PNG or GIF that arrived), notes a failure for lack of space or
// size, makes the Weibo link and sends the post. Owned by its window; the link request
// and the post run on the batch's thread once the uploads are over, and their ends are
// posted to the window as WM_USERINFO_DONE (kWeiboLinkEnded, lParam 1 on failure;
// kWeiboPostEnded, lParam 1 when the post was made).

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "batch/batch_worker.h"

namespace batch {

// The Weibo window's batch states: uploading, then ready to post.
inline constexpr int32_t kWeiboUploading = 2;
inline constexpr int32_t kWeiboReady = 3;

// Upload results that mean the account has no room for the file.
bool IsSpaceResult(int result);
// A picture the post can carry: "JPG", "PNG" or "GIF" after the last ".", any case.
bool IsPostPicture(std::u16string_view fileName);

struct WeiboBatchOptions {
    BatchWorkerOptions worker;
    // Told on the batch's thread when a link request or a post has ended; default: the
    // owner window gets WM_USERINFO_DONE (kWeiboLinkEnded or kWeiboPostEnded, as above).
    std::function<void(int wParam, int lParam)> done;
};

struct WeiboLink {
    bool ended = false;
    int code = -1;  // 0: made
    std::string url;
};

struct WeiboPost {
    bool ended = false;
    int code = -1;          // 0: posted
    std::string messageId;  // "sina_weibo_msgid"
};

class WeiboBatch {
public:
    // One account task per request entry.
    WeiboBatch(const intake::RequestBatch& requests, platform::WindowHandle owner,
               WeiboBatchOptions options = {});
    ~WeiboBatch();  // stops the worker and waits for it
    WeiboBatch(const WeiboBatch&) = delete;
    WeiboBatch& operator=(const WeiboBatch&) = delete;

    void Start() { m_Worker.Start(); }
    void StopBatch() { m_Worker.Stop(); }

    // Asks for the Weibo link of the uploaded files with the two options (carried as
    // "true"/"false"): -1 when no file has arrived or a link or post is under way, else 0
    // (the request is handed to the batch's thread).
    int CreateWeiboLink(bool repost, bool notifyFans);
    // Sends the post (text in the ANSI code page) with the link and the picture: -1 when
    // there is no link yet or a link or post is under way, else 0.
    int SendPost(std::string contentAnsi);

    WeiboLink Link() const;
    WeiboPost Post() const;
    bool Busy() const;  // a link request or a post is under way
    bool SpaceFailure() const;
    bool MediaFlag() const;
    // The picture's remote path in the ANSI code page; empty when none arrived.
    std::string Picture() const;
    std::vector<std::u16string> AccountPaths() const;
    const CBatchWorker& Worker() const { return m_Worker; }

private:
    void OnFileDone(const intake::UploadContext& task, int result);
    bool BeginLocked();
    void RunLink(std::string repost, std::string fans);
    void RunPost(std::string content);

    std::function<void(int, int)> m_Done;
    // Guarded by the worker's lock.
    bool m_Space = false;
    bool m_Media = false;
    bool m_HasPicture = false;
    bool m_Busy = false;
    std::string m_Picture;
    std::vector<std::u16string> m_AccountPaths;
    WeiboLink m_Link;
    WeiboPost m_Post;
    // Last: destroyed first, so the worker has ended before the fields above go.
    CBatchWorker m_Worker;
};

}  // namespace batch
