#pragma once

// The Sina Weibo window: checks that the account is bound to a Sina Weibo account (and
// binds it through the user's browser when not, ui/binding_sina_dlg.h), uploads the
// files as a batch of its own (batch/weibo_batch.h), makes the link, offers a post text
// the user may edit within the limit, and sends the post.
//
//   not bound --binding--> bound: uploading --all uploaded, link made--> ready
//        --"发布"--> posted (after a short pause, so the success is seen in place)
//
// Skinned with the "others" folder and laid out from "UI.ini" ("SinaBlogsDlg",
// "SinaBlogsDlgBinding", "SinaBlogsDlgSend", "SinaBlogsDlgClose", "SinaBlogsDlgBlogText",
// "SinaBlogsCheckRepost", "SinaBlogsCheckFans", texts "SinaBlogsDlgText1" to "...11").
// Modeless; it deletes itself once closed. While open it counts as one pending task and
// one user of the library, and marks a Weibo window as open (g_WeiboBusy); closing, in
// any way, takes all three off once.

#include <QPointer>
#include <functional>
#include <memory>
#include <string>

#include "batch/weibo_batch.h"
#include "intake/request_entry.h"
#include "ui/batch_window.h"
#include "ui/binding_sina_dlg.h"
#include "ui/numbered_timers.h"

class QCheckBox;
class QPlainTextEdit;
class QPushButton;

namespace ui {

class CTextLink;

struct CSinaBlogsOptions {
    batch::WeiboBatchOptions batch;  // the link and post results always go to the window
    CWeiboBindingHooks binding;
    // The check at start: 0 bound (screen name set), kWeiboNotBound not bound, else an
    // error. Default: the status query.
    std::function<int(std::string& screenName)> queryAccount;
    // The message box: returns its result. Default: CDlgMessage.
    std::function<int(const QString& text, int kind)> message;
    int postedDelayMs = 5000;  // the success stays this long before the posted view
};

// The service's answer when no Sina Weibo account is bound.
inline constexpr int kWeiboNotBound = 6;

class CSinaBlogsDlg final : public CBatchWindow {
public:
    enum View { kNotBound = 0, kBound = 1, kPosted = 2 };

    // Opens the window for the files and checks the binding once the event loop runs.
    explicit CSinaBlogsDlg(const intake::RequestBatch& files, CSinaBlogsOptions options = {});
    ~CSinaBlogsDlg() override;

    const batch::WeiboBatch& Batch() const { return *m_Batch; }
    int CurrentView() const { return m_View; }
    bool Checked() const { return m_Checked; }  // the start check has run
    QString ScreenName() const { return m_ScreenName; }
    QString CountText() const;
    bool CountOver() const;
    bool ShowsError() const { return m_ShowError; }
    QPushButton* BindButton() const { return m_Bind; }
    QPushButton* SendButton() const { return m_Send; }
    QPushButton* CloseButton() const { return m_Close; }
    QPlainTextEdit* PostEdit() const { return m_Edit; }
    QCheckBox* RepostBox() const { return m_Repost; }
    QCheckBox* FansBox() const { return m_Fans; }
    CTextLink* PostedLink() const { return m_PostedLink; }

    void Bind();
    void Publish();

    platform::LResult WindowProc(uint32_t message, platform::WParam wParam,
                                 platform::LParam lParam) override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void CheckBinding();
    void ShowView(int view);
    void StartUploads();
    void OnTaskChanged();
    void OnLinkResult(bool failed);
    void SendPost();
    void OnPostResult(bool posted);
    void OnTimer(int id);
    void OnTextChanged();
    void UpdateSendButton();
    int Ask(const QString& text, int kind);
    void StopWork() override;
    void MakeControls();
    void PlaceControls();
    void PaintNotBound(QPainter& p);
    void PaintBound(QPainter& p);
    void PaintPosted(QPainter& p);

    CSinaBlogsOptions m_Options;
    int m_View = kNotBound;
    int m_State = batch::kWeiboUploading;
    bool m_Checked = false;
    bool m_Finished = false;  // the end of the uploads was handled
    bool m_Posting = false;
    bool m_StepQueued = false;  // Publish() has queued the sending step
    bool m_ShowError = false;
    QString m_ScreenName;
    QString m_FirstName;  // the first file's name, for the post text
    QPixmap m_Icon, m_Banner, m_Picture;
    QPushButton *m_Bind = nullptr, *m_Send = nullptr, *m_Close = nullptr;
    QPlainTextEdit* m_Edit = nullptr;
    QCheckBox *m_Repost = nullptr, *m_Fans = nullptr;
    CTextLink *m_PostedLink = nullptr, *m_RepostText = nullptr;
    CNumberedTimers m_Timers;
    intake::RequestBatch m_Files;
    // Last: its worker ends before anything above goes.
    std::unique_ptr<batch::WeiboBatch> m_Batch;
};

}  // namespace ui
