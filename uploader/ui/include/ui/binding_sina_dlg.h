#pragma once

// Binding a Sina Weibo account to the cloud-disk account. The service's binding page is
// opened in the user's own browser (their session, password manager and address bar
// apply there); this small skinned dialog waits meanwhile, asking the service every two
// seconds whether the account is bound, for at most five minutes. "取消" ends the wait at
// once. Afterwards the binding is checked once more, and when the account is still not
// bound the user is asked whether to bind again.

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>
#include <string>

class QPushButton;

namespace ui {

class CTextLink;

struct CBindingWaitOptions {
    // One look at the binding: 0 when bound. Default: the status operation, once. Runs
    // away from the user-interface thread (a slow reply never holds up "取消").
    std::function<int()> queryStatus;
    int pollMs = 2000;
    int limitMs = 5 * 60 * 1000;
};

class CBindingSinaDlg final : public QDialog {
public:
    enum Result { kBound = 1, kGaveUp = 2 };  // kGaveUp: cancelled or timed out

    // Opens the address in the browser once shown and polls until bound or given up.
    CBindingSinaDlg(std::u16string url, CBindingWaitOptions options = {},
                    QWidget* parent = nullptr);

    int Polls() const { return m_Polls; }
    bool Polling() const { return m_Timer.isActive(); }
    QPushButton* CancelButton() const { return m_Cancel; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void Poll();
    void OnPollResult(int result);

    std::u16string m_Url;
    CBindingWaitOptions m_Options;
    QTimer m_Timer;
    QElapsedTimer m_Clock;
    int m_Polls = 0;
    bool m_Asking = false;  // a look is on its way: no second one meanwhile
    bool m_Opened = false;
    QPixmap m_Icon;
    QPushButton* m_Cancel = nullptr;
    CTextLink* m_Reopen = nullptr;
};

struct CWeiboBindingHooks {
    CBindingWaitOptions wait;
    // The binding page's address: 0 with the address set. Default: the bind operation.
    std::function<int(std::string& url)> bindUrl;
    // The check after the wait: 0 when bound. Default: the status query (two tries).
    std::function<int()> checkBound;
    // The question after a failed binding; true to bind again. Default: the message box
    // "新浪微博绑定失败，是\n否重新绑定？" with "重试" / "取消".
    std::function<bool()> askAgain;
    // Runs the waiting dialog and returns its result. Default: modally.
    std::function<int(CBindingSinaDlg&)> runWait;
};

// The whole binding: page, wait, check, and the question until bound or declined.
// 0 when the account is bound at the end.
int RunWeiboBinding(QWidget* parent, const CWeiboBindingHooks& hooks = {});

}  // namespace ui
