#include "ui/sina_blogs_dlg.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "actions/weibo_action.h"
#include "intake/library.h"
#include "intake/messages.h"
#include "platform/text.h"
#include "settings/ini.h"
#include "settings/registry_values.h"
#include "settings/service_hosts.h"
#include "ui/desktop_notices.h"
#include "ui/dialog_skin.h"
#include "ui/dlg_message.h"
#include "ui/ini_place.h"
#include "ui/link_opener.h"
#include "ui/skin_theme.h"
#include "ui/task_update.h"
#include "ui/text_link.h"
#include "ui/ui_fonts.h"
#include "ui/weibo_text.h"

namespace ui {
namespace {

const QColor kLinkColour(12, 124, 241);
constexpr int kPostedTimer = 10000;
const QString kBindCaption = QStringLiteral("  ");  // the picture carries the caption

int DefaultQueryAccount(std::string& screenName) {
    const actions::WeiboAccountStatus status = actions::QueryWeiboAccount();
    screenName = status.screenName;
    return status.result;
}

int DefaultMessage(const QString& text, int kind) {
    return ShowMessageDialog(text, {}, kind);
}

// A check box's stored state; written as 0 when missing.
bool StoredOption(std::u16string_view name) {
    const auto value = settings::ReadDword(settings::kFlingaKey, name);
    if (!value)
        settings::WriteDword(settings::kFlingaKey, name, 0);
    return value.value_or(0) != 0;
}

}  // namespace

CSinaBlogsDlg::CSinaBlogsDlg(const intake::RequestBatch& files, CSinaBlogsOptions options)
    : CBatchWindow(kOwnerWeibo),
      m_Options(std::move(options)),
      m_Timers([this](int id) { OnTimer(id); }),
      m_Files(files) {
    intake::Session().SetWeiboBusy(true);
    if (!m_Options.queryAccount)
        m_Options.queryAccount = &DefaultQueryAccount;
    if (!m_Options.message)
        m_Options.message = &DefaultMessage;
    if (!files.empty())
        m_FirstName = QString::fromStdU16String(std::u16string(intake::EntryName(files.front())));
    if (const qsizetype slash =
            std::max(m_FirstName.lastIndexOf(u'/'), m_FirstName.lastIndexOf(u'\\'));
        slash >= 0)
        m_FirstName = m_FirstName.mid(slash + 1);
    m_Icon = LoadSharpSkinPicture(u"others/sina_ico.png");
    m_Banner = LoadSharpSkinPicture(u"others/mainframe_background2.png");
    m_Picture = LoadSharpSkinPicture(u"others/0412img.png");
    MakeControls();

    batch::WeiboBatchOptions batchOptions = std::move(m_Options.batch);
    batchOptions.done = {};  // the results come to this window
    m_Batch = std::make_unique<batch::WeiboBatch>(files, Handle(), std::move(batchOptions));

    const QSize client = IniRect(u"SinaBlogsDlg", QRect(0, 0, 300, 228)).size();
    setFixedSize(client.grownBy(contentsMargins()));
    PlaceControls();
    ShowView(kNotBound);
    m_Bind->hide();  // until the binding is known
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QTimer::singleShot(0, this, [this] { CheckBinding(); });
}

CSinaBlogsDlg::~CSinaBlogsDlg() {
    Shut();
    m_Batch.reset();  // waits for the worker
}

void CSinaBlogsDlg::MakeControls() {
    m_Bind = new QPushButton(kBindCaption, this);
    m_Send = new QPushButton(QStringLiteral("发布"), this);
    m_Close = new QPushButton(QStringLiteral("关闭"), this);
    m_Edit = new QPlainTextEdit(this);
    m_Edit->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_Edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_Edit->setFont(UiFont(QStringLiteral("宋体"), 12));
    m_Edit->setReadOnly(true);
    const QFont boxFont = UiFont(QStringLiteral("宋体"), 12);
    std::u16string text;
    settings::IniText(u"SinaBlogsDlgText9", text);
    m_Repost = new QCheckBox(QString::fromStdU16String(text), this);
    m_Repost->setFont(boxFont);
    settings::IniText(u"SinaBlogsDlgText10", text);
    m_Fans = new QCheckBox(QString::fromStdU16String(text), this);
    m_Fans->setFont(boxFont);
    m_Repost->setChecked(StoredOption(settings::kSinaReport));
    m_Fans->setChecked(StoredOption(settings::kSinaFans));
    CDialogSkin::Apply(this, QStringLiteral("others"),
                       {{kBindCaption, QStringLiteral("Bottonweibo")},
                        {QStringLiteral("发布"), QStringLiteral("Botton2")},
                        {QStringLiteral("关闭"), QStringLiteral("Botton1")}});
    m_Bind->setAccessibleName(QStringLiteral("绑定新浪微博"));
    MakeFooterLinks();
    settings::IniText(u"SinaBlogsDlgText6", text);
    m_PostedLink = new CTextLink(QString::fromStdU16String(text),
                                 UiFont(QStringLiteral("宋体"), 12), kLinkColour, this);

    connect(m_Bind, &QAbstractButton::clicked, this, [this] { Bind(); });
    connect(m_Send, &QAbstractButton::clicked, this, [this] { Publish(); });
    connect(m_Close, &QAbstractButton::clicked, this, [this] { CloseWindow(); });
    connect(m_Edit, &QPlainTextEdit::textChanged, this, [this] { OnTextChanged(); });
    connect(m_Repost, &QAbstractButton::clicked, this, [](bool checked) {
        settings::WriteDword(settings::kFlingaKey, settings::kSinaReport, checked ? 1 : 0);
    });
    connect(m_Fans, &QAbstractButton::clicked, this, [](bool checked) {
        settings::WriteDword(settings::kFlingaKey, settings::kSinaFans, checked ? 1 : 0);
    });
    connect(m_PostedLink, &QAbstractButton::clicked, this, [] {
        OpenLink(u"http://weibo.com/" + platform::Utf8ToWide(actions::GetBoundWeiboAccount().uid));
    });
}

// The message box, through a copy of the hook: the window may go while the box is up.
int CSinaBlogsDlg::Ask(const QString& text, int kind) {
    const auto message = m_Options.message;
    return message(text, kind);
}

void CSinaBlogsDlg::PlaceControls() {
    PlaceInClient(*m_Bind, IniRect(u"SinaBlogsDlgBinding", QRect(75, 168, 150, 30)));
    PlaceInClient(*m_Send, IniRect(u"SinaBlogsDlgSend", QRect(208, 160, 76, 27)));
    PlaceInClient(*m_Close, IniRect(u"SinaBlogsDlgClose", QRect(112, 160, 76, 27)));
    PlaceInClient(*m_Edit, IniRect(u"SinaBlogsDlgBlogText", QRect(16, 48, 268, 60)));
    // The check boxes carry their texts: the box's place, wide enough for the text.
    QRect repost = IniRect(u"SinaBlogsCheckRepost", QRect(16, 142, 14, 14));
    repost.setWidth(170);
    repost.setHeight(16);
    PlaceInClient(*m_Repost, repost);
    QRect fans = IniRect(u"SinaBlogsCheckFans", QRect(16, 162, 14, 14));
    fans.setWidth(120);
    fans.setHeight(16);
    PlaceInClient(*m_Fans, fans);
    PlaceFooterLinks();
    PlaceTextLink(m_PostedLink, u"SinaBlogsDlgText6");
}

platform::LResult CSinaBlogsDlg::WindowProc(uint32_t message, platform::WParam wParam,
                                            platform::LParam lParam) {
    switch (message) {
        case intake::WM_TASK_CHANGED:
            OnTaskChanged();
            return 0;
        case intake::WM_USERINFO_DONE:
            if (wParam == intake::kWeiboBindingChanged)
                CheckBinding();
            else if (wParam == intake::kWeiboPostEnded)
                OnPostResult(lParam != 0);
            else if (wParam == intake::kWeiboLinkEnded)
                OnLinkResult(lParam != 0);
            else if (wParam == intake::kWeiboTaskChanged)
                OnTaskChanged();  // the counts come from the batch, so never twice
            return 0;
        case intake::WM_WEIBO_STEP:
            SendPost();
            return 0;
        case intake::WM_QUERY_PENDING:
            return m_View != kPosted ? 1 : 0;
        case platform::WM_CLOSE:
            CloseWindow();
            return 0;
        default:
            return 0;
    }
}

// Bound: the uploads start. Not bound: the binding button. Anything else: the message,
// and the window goes.
void CSinaBlogsDlg::CheckBinding() {
    if (IsClosed() || (m_Checked && m_View != kNotBound))
        return;
    std::string screenName;
    const int result = m_Options.queryAccount(screenName);
    m_Checked = true;
    if (result == 0) {
        m_ScreenName = QString::fromStdString(screenName);
        ShowView(kBound);
        StartUploads();
    } else if (result == kWeiboNotBound) {
        ShowView(kNotBound);
    } else {
        QPointer<CSinaBlogsDlg> alive(this);
        Ask(QStringLiteral("sina微博绑定信息获取\n失败，请您稍后重试！"), CDlgMessage::NoButtons);
        if (alive)
            CloseWindow();
    }
}

void CSinaBlogsDlg::Bind() {
    QPointer<CSinaBlogsDlg> alive(this);
    // The window may be closed while the binding runs (from outside, by the interface
    // going): the binding works on its own copy of the hooks, and the waiting dialog is
    // no child of this window.
    const CWeiboBindingHooks hooks = m_Options.binding;
    const int result = RunWeiboBinding(nullptr, hooks);
    if (!alive || IsClosed() || result != 0)
        return;
    m_ScreenName = QString::fromStdString(actions::GetBoundWeiboAccount().screenName);
    ShowView(kBound);
    StartUploads();
}

void CSinaBlogsDlg::StartUploads() {
    if (m_Batch->Worker().IsRunning() || m_Finished)
        return;
    m_Batch->Start();
    OnTaskChanged();  // files refused when they were made have ended already
}

void CSinaBlogsDlg::ShowView(int view) {
    m_View = view;
    m_Bind->setVisible(view == kNotBound);
    m_Edit->setVisible(view == kBound);
    m_Send->setVisible(view == kBound);
    m_Repost->setVisible(view == kBound);
    m_Fans->hide();
    m_Close->setVisible(view == kPosted);
    m_PostedLink->setVisible(view == kPosted);
    UpdateSendButton();
    update();
}

// A task of the batch changed: the batch has counted the file before it reported it.
void CSinaBlogsDlg::OnTaskChanged() {
    if (IsClosed() || m_Finished || m_View != kBound)
        return;
    size_t files = 0, done = 0, failed = 0;
    {
        std::lock_guard lock(m_Batch->Worker().Lock());
        files = m_Batch->Worker().FileCountLocked();
        done = m_Batch->Worker().DoneCountLocked();
        failed = m_Batch->Worker().FailedLocked().size();
    }
    update();
    if (files == 0 || done + failed < files)
        return;
    m_Finished = true;
    if (failed == 0) {
        m_Batch->CreateWeiboLink(m_Repost->isChecked(), m_Fans->isChecked());
        return;
    }
    // Nothing is posted with a file missing: the user is told and the window goes.
    QPointer<CSinaBlogsDlg> alive(this);
    if (m_Batch->SpaceFailure())
        Ask(QStringLiteral("网盘空间不够/文件大小超出\n上传限制，上传失败"),
            CDlgMessage::UpgradeVip);
    else
        Ask(QStringLiteral("有文件上传失败，请重新发\n布微博"), CDlgMessage::AbandonCancel);
    if (alive)
        CloseWindow();
}

void CSinaBlogsDlg::OnLinkResult(bool failed) {
    if (IsClosed())
        return;
    if (failed) {
        QPointer<CSinaBlogsDlg> alive(this);
        const int answer = Ask(QStringLiteral("文件外链生成失败"), CDlgMessage::RetryCancel);
        if (alive && !IsClosed() && answer == 1)
            m_Batch->CreateWeiboLink(m_Repost->isChecked(), m_Fans->isChecked());
        return;
    }
    m_State = batch::kWeiboReady;
    const std::u16string link = platform::Utf8ToWide(m_Batch->Link().url);
    m_Edit->setReadOnly(false);
    m_Edit->setPlainText(
        QString::fromStdU16String(DefaultWeiboText(m_FirstName.toStdU16String(), link)));
    UpdateSendButton();
    update();
}

QString CSinaBlogsDlg::CountText() const {
    const int count = WeiboCharCount(m_Edit->toPlainText().toStdU16String());
    if (count > kWeiboCharLimit)
        return QStringLiteral("超出%1个字").arg(count - kWeiboCharLimit);
    return QStringLiteral("还可输入%1个字").arg(kWeiboCharLimit - count);
}

bool CSinaBlogsDlg::CountOver() const {
    return WeiboCharCount(m_Edit->toPlainText().toStdU16String()) > kWeiboCharLimit;
}

void CSinaBlogsDlg::OnTextChanged() {
    UpdateSendButton();
    update();
}

void CSinaBlogsDlg::UpdateSendButton() {
    m_Send->setEnabled(m_State == batch::kWeiboReady && !m_Posting && !CountOver());
}

void CSinaBlogsDlg::Publish() {
    if (IsClosed() || m_State != batch::kWeiboReady || m_Posting || CountOver())
        return;
    m_Posting = true;
    m_StepQueued = true;
    m_ShowError = false;
    m_Edit->setReadOnly(true);
    UpdateSendButton();
    update();
    platform::PostMessage(Handle(), intake::WM_WEIBO_STEP, 0, 0);
}

// Only the step Publish() queued sends: the message may also come from outside, and the
// checks (the link, the limit, one post at a time) are Publish()'s.
void CSinaBlogsDlg::SendPost() {
    if (IsClosed() || !m_StepQueued)
        return;
    m_StepQueued = false;
    if (m_Batch->SendPost(platform::WideToAnsi(m_Edit->toPlainText().toStdU16String())) != 0)
        OnPostResult(false);
}

void CSinaBlogsDlg::OnPostResult(bool posted) {
    if (IsClosed())
        return;
    if (posted) {
        if (DesktopNotices())
            DesktopNotices()->WeiboPosted();
        m_Timers.Start(kPostedTimer, m_Options.postedDelayMs);
        return;
    }
    m_Posting = false;
    m_ShowError = true;
    m_Edit->setReadOnly(false);
    UpdateSendButton();
    update();
    QPointer<CSinaBlogsDlg> alive(this);
    const int answer = Ask(QStringLiteral("微博发布失败"), CDlgMessage::RetryCancel);
    if (alive && !IsClosed() && answer == 1)
        Publish();
}

void CSinaBlogsDlg::OnTimer(int id) {
    m_Timers.Kill(id);
    if (id != kPostedTimer || IsClosed())
        return;
    m_Posting = false;
    ShowView(kPosted);
}

// Closing: the posted view's timer and the batch are stopped and the Weibo mark taken
// off; the window goes when the event loop is back, and with it the batch.
void CSinaBlogsDlg::StopWork() {
    m_Timers.Kill(kPostedTimer);
    if (m_Batch)
        m_Batch->StopBatch();
    intake::Session().SetWeiboBusy(false);
}

}  // namespace ui
