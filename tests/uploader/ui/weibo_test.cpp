// The Sina Weibo window against the substitute service: an account without a binding is
// bound through the browser (the test plays the browser with a plain HTTP client, as a
// user would press the binding page's button), the files upload, the post text is
// offered with the link, and the post reaches the service with the picture; the counter
// and its limit; a failed upload ends without a post; the binding wait stops at once when
// cancelled; the Weibo mark is cleared however the window goes.

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <atomic>

#include "actions/weibo_action.h"
#include "engine_fixture.h"
#include "intake/intake_ui.h"
#include "intake/library.h"
#include "intake/messages.h"
#include "intake/request_batch.h"
#include "platform/text.h"
#include "settings/registry_values.h"
#include "settings/settings.h"
#include "support/http_client.h"
#include "ui/binding_sina_dlg.h"
#include "ui/link_opener.h"
#include "ui/qt_intake_ui.h"
#include "ui/sina_blogs_dlg.h"
#include "ui/text_link.h"
#include "ui/weibo_account_command.h"
#include "ui/weibo_text.h"
#include "ui_test_support.h"

namespace upload_test {
namespace {

using ui::CSinaBlogsDlg;

class WeiboWindowTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        PointLinkHostsAtService();
        settings::SetHostProgramPath(platform::Utf8ToWide(NORVEL_TEST_FLINGA_DIR "/Norvel_Flinga"));
        intake::Session().SetLoggedIn(true);
        intake::Session().SetWeiboBusy(false);
        ui::CQtUiOptions options;
        options.closeHost = [] {};
        options.showMessage = [this](std::u16string_view text, std::u16string_view) {
            m_Messages.push_back(platform::WideToUtf8(text));
        };
        m_Ui = std::make_unique<ui::CQtIntakeUi>(options);
        intake::SetIntakeUi(m_Ui.get());
        ui::SetLinkOpener([this](const std::u16string& url) { m_Opened.push_back(url); });
    }

    void TearDown() override {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* dlg = dynamic_cast<CSinaBlogsDlg*>(window))
                dlg->CloseWindow();
        ProcessEvents();
        ui::SetLinkOpener({});
        intake::SetIntakeUi(nullptr);
        m_Ui.reset();
        EngineTest::TearDown();
    }

    static bool WaitFor(const std::function<bool()>& condition, int limitMs = 15000) {
        return ui_test::WaitForEvents(condition, limitMs);
    }
    static void ProcessEvents() { ui_test::RunDueEvents(); }
    static void SaveShot(QWidget& widget, const std::string& name) {
        ui_test::SaveScreenshot(widget, name);
    }

    intake::RequestBatch Request(std::initializer_list<std::pair<const char*, std::string>> files) {
        return MakeRequest(intake::kWeiboRequest, files);
    }

    // Options for a window made by the test: quick polls and pauses, messages recorded
    // (answered with `answer`).
    ui::CSinaBlogsOptions Options(int answer = 2) {
        ui::CSinaBlogsOptions options;
        options.batch.worker.pauseBetweenFiles = std::chrono::milliseconds(1);
        options.binding.wait.pollMs = 20;
        options.postedDelayMs = 50;
        options.queryAccount = [](std::string& screenName) {  // one try: no second's pause
            actions::CSinaWeiboAction status(actions::WeiboOperation::Status);
            const int result = status.Execute();
            screenName = status.m_ScreenName;
            return result;
        };
        options.message = [this, answer](const QString& text, int) {
            m_Messages.push_back(text.toStdString());
            return answer;
        };
        return options;
    }

    norvel::test::HttpResponse Http(const std::string& method, const std::string& target,
                                    const std::string& body = {}) {
        norvel::test::HttpRequest request;
        request.method = method;
        request.port = m_Service->Port();
        request.target = target;
        request.body = body;
        if (method == "POST")
            request.headers.push_back("Content-Type: application/x-www-form-urlencoded");
        return norvel::test::SendHttp(request);
    }

    // What a browser does with the binding page: loads it, and sends its form as the
    // button would.
    void PlayBrowser(const std::u16string& address) {
        const std::string url = platform::WideToUtf8(address);
        const std::string base = m_Service->BaseUrl();
        ASSERT_EQ(url.rfind(base + "/weibo/bind?code=", 0), 0u) << url;
        const auto page = Http("GET", url.substr(base.size()));
        ASSERT_EQ(page.status, 200);
        const std::string marker = "name=\"code\" value=\"";
        const size_t at = page.body.find(marker);
        ASSERT_NE(at, std::string::npos) << page.body;
        const size_t from = at + marker.size();
        const std::string code = page.body.substr(from, page.body.find('"', from) - from);
        ASSERT_NE(page.body.find("action=\"/weibo/bind\""), std::string::npos);
        ASSERT_EQ(Http("POST", "/weibo/bind", "code=" + code).status, 200);
    }

    void BindNow() {
        std::string url;
        ASSERT_EQ(actions::BindWeibo(url), 0);
        PlayBrowser(platform::Utf8ToWide(url));
    }

    static CSinaBlogsDlg* OpenWindow() {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* dlg = dynamic_cast<CSinaBlogsDlg*>(window); dlg && dlg->isVisible())
                return dlg;
        return nullptr;
    }

    static bool Gone(const QPointer<CSinaBlogsDlg>& dlg) { return dlg.isNull(); }

    std::unique_ptr<ui::CQtIntakeUi> m_Ui;
    std::vector<std::string> m_Messages;
    std::vector<std::u16string> m_Opened;
};

TEST(WeiboCount, TwoBytesOfTheAnsiCodePageCountOne) {
    const std::u16string chinese113(113, u'中');
    const struct {
        std::u16string text;
        int count;
    } table[] = {
        {u"", 0},
        {u"a", 1},
        {u"ab", 1},
        {u"abc", 2},
        {u"中", 1},
        {u"中a", 2},
        {u"分享a.txt", 5},
        {std::u16string(226, u'x'), 113},
        {std::u16string(227, u'x'), 114},
        {chinese113, 113},
        {chinese113 + u"中", 114},
        {chinese113 + u"a", 114},
    };
    for (const auto& row : table)
        EXPECT_EQ(ui::WeiboCharCount(row.text), row.count) << platform::WideToUtf8(row.text);
    EXPECT_EQ(ui::kWeiboCharLimit, 113);
}

TEST_F(WeiboWindowTest, NotBoundBindsThroughTheBrowserThenUploadsAndPosts) {
    const std::string picture = SampleBytes(6000, 1);
    auto* dlg = new CSinaBlogsDlg(
        Request({{"notes.txt", SampleBytes(3000, 2)}, {"holiday.png", picture}}), Options());
    dlg->show();
    QPointer<CSinaBlogsDlg> window(dlg);
    EXPECT_TRUE(intake::Session().IsWeiboBusy());
    EXPECT_EQ(intake::Session().PendingCount(), 1);
    ASSERT_TRUE(WaitFor([&] { return dlg->Checked(); }));
    EXPECT_EQ(dlg->CurrentView(), CSinaBlogsDlg::kNotBound);
    EXPECT_TRUE(dlg->BindButton()->isVisible());
    EXPECT_FALSE(dlg->SendButton()->isVisible());
    EXPECT_FALSE(dlg->PostEdit()->isVisible());
    EXPECT_FALSE(dlg->Batch().Worker().IsRunning());  // nothing uploads before the binding
    EXPECT_EQ(settings::ReadDword(settings::kFlingaKey, settings::kSinaReport), 0u);
    EXPECT_EQ(settings::ReadDword(settings::kFlingaKey, settings::kSinaFans), 0u);
    SaveShot(*dlg, "weibo_not_bound");

    // The browser opens the page; a moment later the user presses its button.
    ui::SetLinkOpener([this, dlg](const std::u16string& url) {
        m_Opened.push_back(url);
        QTimer::singleShot(60, dlg, [this, url] {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (auto* wait = dynamic_cast<ui::CBindingSinaDlg*>(top); wait && wait->isVisible())
                    SaveShot(*wait, "weibo_binding_wait");
            PlayBrowser(url);
        });
    });
    dlg->BindButton()->click();  // returns once the binding has been seen
    ui::SetLinkOpener([this](const std::u16string& url) { m_Opened.push_back(url); });
    ASSERT_EQ(m_Opened.size(), 1u);
    EXPECT_EQ(dlg->CurrentView(), CSinaBlogsDlg::kBound);
    EXPECT_EQ(dlg->ScreenName(), QStringLiteral("norvel_alice"));

    ASSERT_TRUE(WaitFor([&] { return dlg->SendButton()->isEnabled(); }));
    const std::string link = dlg->Batch().Link().url;
    ASSERT_EQ(link.rfind(m_Service->BaseUrl() + "/s/", 0), 0u) << link;
    const QString offered = dlg->PostEdit()->toPlainText();
    EXPECT_TRUE(offered.startsWith(QStringLiteral("分享了文件“notes.txt”欢迎大家下载分享！")));
    EXPECT_TRUE(offered.endsWith(QString::fromStdString(link)));
    EXPECT_FALSE(dlg->CountOver());
    SaveShot(*dlg, "weibo_bound");

    // Over the limit: counted, shown, and the post cannot be sent.
    dlg->PostEdit()->setPlainText(QString(114, QChar(u'中')));
    EXPECT_TRUE(dlg->CountOver());
    EXPECT_EQ(dlg->CountText(), QStringLiteral("超出1个字"));
    EXPECT_FALSE(dlg->SendButton()->isEnabled());
    dlg->update();
    ProcessEvents();
    SaveShot(*dlg, "weibo_over_limit");
    dlg->Publish();
    platform::SendMessage(dlg->Handle(), intake::WM_WEIBO_STEP, 0, 0);  // nor from outside
    ProcessEvents();
    EXPECT_TRUE(m_Service->Posts().empty());
    dlg->PostEdit()->setPlainText(QString(113, QChar(u'中')));
    EXPECT_EQ(dlg->CountText(), QStringLiteral("还可输入0个字"));
    EXPECT_TRUE(dlg->SendButton()->isEnabled());

    dlg->RepostBox()->click();
    EXPECT_EQ(settings::ReadDword(settings::kFlingaKey, settings::kSinaReport), 1u);
    const QString text = QStringLiteral("假期的照片 ") + QString::fromStdString(link);
    dlg->PostEdit()->setPlainText(text);
    dlg->SendButton()->click();
    EXPECT_FALSE(dlg->SendButton()->isEnabled());  // while the post is on its way
    ASSERT_TRUE(WaitFor([&] { return dlg->CurrentView() == CSinaBlogsDlg::kPosted; }));
    EXPECT_TRUE(dlg->CloseButton()->isVisible());
    EXPECT_TRUE(dlg->PostedLink()->isVisible());
    EXPECT_FALSE(dlg->SendButton()->isVisible());
    SaveShot(*dlg, "weibo_posted");
    const auto posts = m_Service->Posts();
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].at("content"), text.toStdString());
    EXPECT_EQ(posts[0].at("resource_url"), link);
    EXPECT_EQ(posts[0].at("pic"), dlg->Batch().Picture());
    EXPECT_EQ(posts[0].at("pic").rfind("/f/", 0), 0u);
    EXPECT_EQ(platform::WideToUtf8(dlg->Batch().AccountPaths()[1]), "/我收到的文件/holiday.png");
    EXPECT_TRUE(m_Messages.empty());
    dlg->PostedLink()->click();
    ASSERT_EQ(m_Opened.size(), 2u);
    EXPECT_EQ(platform::WideToUtf8(m_Opened[1]),
              "http://weibo.com/" + actions::GetBoundWeiboAccount().uid);

    dlg->CloseButton()->click();
    ASSERT_TRUE(WaitFor([&] { return Gone(window); }));
    EXPECT_FALSE(intake::Session().IsWeiboBusy());
    EXPECT_EQ(intake::Session().PendingCount(), 0);
    EXPECT_EQ(intake::Session().LibraryUsers(), 0);
}

TEST_F(WeiboWindowTest, AFailedUploadIsReportedAndNothingIsPosted) {
    BindNow();
    ASSERT_TRUE(
        m_Service->SetFault({.kind = "status", .path = "/up/up_blk", .count = 0, .status = 500}));
    auto* dlg = new CSinaBlogsDlg(Request({{"broken.jpg", SampleBytes(5000, 3)}}), Options(1));
    dlg->show();
    QPointer<CSinaBlogsDlg> window(dlg);
    ASSERT_TRUE(WaitFor([&] { return Gone(window); }, 30000));
    m_Service->ClearFaults();
    EXPECT_EQ(m_Messages, std::vector<std::string>{"有文件上传失败，请重新发\n布微博"});
    EXPECT_TRUE(m_Service->Posts().empty());
    EXPECT_TRUE(RequestsTo("/app/pc/createlink.php").empty());
    EXPECT_FALSE(intake::Session().IsWeiboBusy());
    EXPECT_EQ(intake::Session().PendingCount(), 0);
}

TEST_F(WeiboWindowTest, AFileAboveTheLimitIsASpaceFailure) {
    BindNow();
    settings::SetMaxFileSize(u"1000");
    auto* dlg = new CSinaBlogsDlg(Request({{"big.gif", SampleBytes(5000, 4)}}), Options(2));
    dlg->show();
    QPointer<CSinaBlogsDlg> window(dlg);
    ASSERT_TRUE(WaitFor([&] { return Gone(window); }));
    EXPECT_EQ(m_Messages,
              std::vector<std::string>{"网盘空间不够/文件大小超出\n上传限制，上传失败"});
    EXPECT_FALSE(intake::Session().IsWeiboBusy());
}

TEST_F(WeiboWindowTest, CancellingTheWaitStopsPollingAtOnce) {
    std::atomic<int> polls{0};  // counted on the background thread
    ui::CBindingWaitOptions options;
    options.pollMs = 10;
    options.queryStatus = [&] {
        ++polls;
        return ui::kWeiboNotBound;
    };
    ui::CBindingSinaDlg wait(u"http://127.0.0.1:1/weibo/bind?code=x", options);
    wait.show();
    ASSERT_TRUE(WaitFor([&] { return polls >= 2; }));
    EXPECT_EQ(m_Opened, std::vector<std::u16string>{u"http://127.0.0.1:1/weibo/bind?code=x"});
    wait.CancelButton()->click();
    const int seen = polls;
    EXPECT_FALSE(wait.Polling());
    EXPECT_EQ(wait.result(), ui::CBindingSinaDlg::kGaveUp);
    QElapsedTimer clock;
    clock.start();
    WaitFor([&] { return clock.elapsed() > 100; });
    EXPECT_EQ(polls.load(), seen);

    // The whole time passes without a binding: the wait gives up by itself.
    options.limitMs = 30;
    ui::CBindingSinaDlg limited(u"http://127.0.0.1:1/b", options);
    limited.show();
    ASSERT_TRUE(WaitFor([&] { return !limited.isVisible(); }));
    EXPECT_EQ(limited.result(), ui::CBindingSinaDlg::kGaveUp);
}

TEST_F(WeiboWindowTest, DecliningToBindAgainLeavesTheNotBoundView) {
    ui::CSinaBlogsOptions options = Options();
    int asked = 0;
    options.binding.runWait = [](ui::CBindingSinaDlg& wait) {
        wait.CancelButton()->click();  // the user gives up at once
        return wait.result();
    };
    options.binding.askAgain = [&] { return ++asked < 2; };  // once more, then no
    options.binding.checkBound = [] {
        return actions::CSinaWeiboAction(actions::WeiboOperation::Status).Execute();
    };
    auto* dlg = new CSinaBlogsDlg(Request({{"a.txt", "a"}}), options);
    dlg->show();
    QPointer<CSinaBlogsDlg> window(dlg);
    ASSERT_TRUE(WaitFor([&] { return dlg->Checked(); }));
    dlg->BindButton()->click();
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(CountRequests("/app/pc/sina_weibo.php"), 1u + 2 * 2);  // check; 2 x (bind, check)
    EXPECT_EQ(dlg->CurrentView(), CSinaBlogsDlg::kNotBound);
    EXPECT_TRUE(dlg->BindButton()->isVisible());
    EXPECT_TRUE(intake::Session().IsWeiboBusy());
    platform::SendMessage(dlg->Handle(), platform::WM_CLOSE);  // closed from outside
    ASSERT_TRUE(WaitFor([&] { return Gone(window); }));
    EXPECT_FALSE(intake::Session().IsWeiboBusy());
    EXPECT_EQ(intake::Session().PendingCount(), 0);
}

TEST_F(WeiboWindowTest, TheWindowClosedDuringTheBindingGoesCleanly) {
    ui::CSinaBlogsOptions options = Options();
    QPointer<CSinaBlogsDlg> window;
    options.binding.runWait = [&](ui::CBindingSinaDlg& wait) {
        platform::SendMessage(window->Handle(), platform::WM_CLOSE);  // from outside
        ProcessEvents();                                              // the window goes
        wait.CancelButton()->click();
        return wait.result();
    };
    options.binding.askAgain = [] { return false; };
    window = new CSinaBlogsDlg(Request({{"a.txt", "a"}}), options);
    window->show();
    ASSERT_TRUE(WaitFor([&] { return window->Checked(); }));
    window->BindButton()->click();
    ASSERT_TRUE(WaitFor([&] { return Gone(window); }));
    EXPECT_FALSE(intake::Session().IsWeiboBusy());
    EXPECT_EQ(intake::Session().PendingCount(), 0);
    EXPECT_EQ(intake::Session().LibraryUsers(), 0);
}

TEST_F(WeiboWindowTest, AFailedCheckAtStartIsReportedAndTheWindowGoes) {
    ui::CSinaBlogsOptions options = Options();
    options.queryAccount = [](std::string&) { return actions::kWeiboFailed; };
    auto* dlg = new CSinaBlogsDlg(Request({{"a.txt", "a"}}), options);
    dlg->show();
    QPointer<CSinaBlogsDlg> window(dlg);
    ASSERT_TRUE(WaitFor([&] { return Gone(window); }));
    EXPECT_EQ(m_Messages, std::vector<std::string>{"sina微博绑定信息获取\n失败，请您稍后重试！"});
    EXPECT_FALSE(intake::Session().IsWeiboBusy());
    EXPECT_EQ(intake::Session().LibraryUsers(), 0);
}

TEST_F(WeiboWindowTest, IntakeOpensOneWeiboWindowAtATime) {
    BindNow();
    const intake::RequestBatch request = Request({{"one.txt", "one"}});
    intake::OnRequestBatch(&request);
    CSinaBlogsDlg* dlg = OpenWindow();
    ASSERT_TRUE(dlg);
    EXPECT_TRUE(intake::Session().IsWeiboBusy());
    EXPECT_EQ(intake::Session().PendingCount(), 1);
    intake::OnRequestBatch(&request);  // dropped while the window is open
    int windows = 0;
    for (QWidget* window : QApplication::topLevelWidgets())
        windows += dynamic_cast<CSinaBlogsDlg*>(window) != nullptr;
    EXPECT_EQ(windows, 1);
    ASSERT_TRUE(WaitFor([&] { return dlg->CurrentView() == CSinaBlogsDlg::kBound; }));
    QPointer<CSinaBlogsDlg> window(dlg);
    dlg->close();  // the frame's close button, mid-way
    ASSERT_TRUE(WaitFor([&] { return Gone(window); }));
    EXPECT_FALSE(intake::Session().IsWeiboBusy());
    EXPECT_EQ(intake::Session().PendingCount(), 0);
    EXPECT_EQ(intake::Session().LibraryUsers(), 0);
}

TEST_F(WeiboWindowTest, TheAccountCommandUnbindsAndAsksForALoginFirst) {
    BindNow();
    ASSERT_EQ(actions::QueryWeiboAccount(std::chrono::milliseconds(1)).result, 0);
    EXPECT_EQ(ui::RunWeiboAccountCommand(0), 0);
    EXPECT_EQ(actions::QueryWeiboAccount(std::chrono::milliseconds(1)).result, ui::kWeiboNotBound);

    // Binding again through the command: the browser's part is played as the page opens.
    // A Weibo window waiting in its not-bound view goes on.
    auto* dlg = new CSinaBlogsDlg(Request({{"w.txt", "w"}}), Options());
    dlg->show();
    ASSERT_TRUE(WaitFor([&] { return dlg->Checked(); }));
    EXPECT_EQ(dlg->CurrentView(), CSinaBlogsDlg::kNotBound);
    ui::CWeiboCommandHooks hooks;
    hooks.binding.wait.pollMs = 20;
    hooks.binding.runWait = [this](ui::CBindingSinaDlg& wait) {
        wait.show();
        PlayBrowser(m_Opened.back());
        WaitFor([&] { return !wait.isVisible(); });
        return wait.result();
    };
    EXPECT_EQ(ui::RunWeiboAccountCommand(1, hooks), 0);
    EXPECT_EQ(actions::QueryWeiboAccount(std::chrono::milliseconds(1)).result, 0);
    ASSERT_TRUE(WaitFor([&] { return dlg->CurrentView() == CSinaBlogsDlg::kBound; }));
    ASSERT_TRUE(WaitFor([&] { return dlg->SendButton()->isEnabled(); }));

    intake::Session().SetLoggedIn(false);
    settings::DeleteAllValues(settings::kFlingaKey);  // no kept login either
    EXPECT_NE(ui::RunWeiboAccountCommand(1), 0);
    EXPECT_EQ(m_Messages, std::vector<std::string>{"请先登录!!"});
}

}  // namespace
}  // namespace upload_test
