#pragma once

// The share-link window: uploads the files of a share-link request as a batch of its own
// (batch/link_batch.h), shows the batch's progress, speed and remaining time, lists the
// files that failed with their reasons, and finally shows the link with a copy button.
//
//   progress view --all uploaded--> link view
//        \--some failed--> failure list --"继续生成外链"--> link view
//                                    \--"放弃"--> closed
//
// Skinned with the "others" folder and laid out from "UI.ini" ("OuterLinkDlg",
// "outerlinkbtnok", "outerlinktxt", "outerlinkcheck", "outerlinkcpy", texts "outerlink1"
// to "outerlink7"). Modeless; it deletes itself once closed. While open it counts as one
// pending task and one user of the library; closing takes both off once.

#include <memory>
#include <set>
#include <string>

#include "batch/link_batch.h"
#include "intake/request_entry.h"
#include "ui/batch_window.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QScrollBar;

namespace ui {

class CDialogSkin;
class CTextLink;

// Texts of the window, by the rules it draws them with.
QString FailedSizeText(uint64_t size);       // "1023B", "1KB", "1MB"; empty for 0
QString SpeedText(uint64_t bytesPerSecond);  // decimal units: "1000b/s", "1KB/s", "2MB/s"
QString RemainingText(uint64_t seconds);     // "01:05:09"
QString FailureReason(int32_t state);        // "超大文件", "网络超时", ...

struct COuterLinkOptions {
    batch::LinkBatchOptions batch;  // the link result always goes to the window
    // Shows the message of a failed link request; true to try again. Default: the
    // message box "文件外链生成失败" with "重试" / "取消".
    std::function<bool()> askRetry;
    // Asks whether to give up although some files uploaded. Default: the message box.
    std::function<bool()> confirmGiveUp;
};

class COuterLinkDlg final : public CBatchWindow {
public:
    // Opens the window for the files (anonymous when not logged in) and starts the
    // batch; counts one pending task and one user of the library.
    COuterLinkDlg(const intake::RequestBatch& files, bool loggedIn, COuterLinkOptions options = {});
    ~COuterLinkDlg() override;

    const batch::LinkBatch& Batch() const { return *m_Batch; }
    int ListMode() const { return m_ListMode; }
    bool Copied() const { return m_Copied; }
    QString LinkText() const;
    QPushButton* PauseButton() const { return m_Pause; }
    QPushButton* CloseButton() const { return m_Close; }
    QPushButton* CopyButton() const { return m_Copy; }
    QPushButton* ContinueButton() const { return m_Continue; }
    QPushButton* GiveUpButton() const { return m_GiveUp; }
    QPushButton* SpaceButton() const { return m_Space; }
    QPushButton* VipButton() const { return m_Vip; }
    QCheckBox* AutoCopyBox() const { return m_AutoCopy; }
    QLineEdit* LinkEdit() const { return m_Edit; }
    QScrollBar* FailedScroll() const { return m_Scroll; }

    // Button commands, as the buttons run them.
    void CopyLink();
    void TogglePause();
    void ContinueLink();
    void GiveUp();

    platform::LResult WindowProc(uint32_t message, platform::WParam wParam,
                                 platform::LParam lParam) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void StopWork() override;
    void MakeControls();
    void PlaceControls();
    void OnTaskChanged();
    void OnLinkResult();
    void ShowFailureList();
    void ShowLink();
    void OnAutoCopyToggled(bool checked);
    void PaintProgress(QPainter& p);
    void PaintLinked(QPainter& p);
    void PaintFailures(QPainter& p);

    COuterLinkOptions m_Options;
    bool m_Anonymous;
    int m_ListMode = 0;     // 0 progress view, 1 failure list
    int m_FirstFailed = 0;  // scroll position of the failure list
    bool m_Copied = false;
    bool m_Finished = false;   // the end of the uploads was handled
    bool m_LinkAsked = false;  // a link request is on its way
    batch::LinkProgress m_Progress;
    std::vector<batch::BatchTaskInfo> m_FailedList;
    QString m_CurrentName;  // the file shown last
    QPixmap m_Panel, m_Track, m_Fill, m_Uploading;
    CDialogSkin* m_Skin = nullptr;
    QLineEdit* m_Edit = nullptr;
    QCheckBox* m_AutoCopy = nullptr;
    QPushButton *m_Copy = nullptr, *m_Close = nullptr, *m_Pause = nullptr, *m_Continue = nullptr,
                *m_GiveUp = nullptr, *m_Space = nullptr, *m_Vip = nullptr;
    QScrollBar* m_Scroll = nullptr;
    CTextLink* m_LinkLabel = nullptr;
    // Last: its worker ends before anything above goes.
    std::unique_ptr<batch::LinkBatch> m_Batch;
};

}  // namespace ui
