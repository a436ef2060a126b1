#include "ui/outer_link_dlg.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>

#include "intake/intake_state.h"
#include "intake/library.h"
#include "intake/messages.h"
#include "settings/ini.h"
#include "settings/registry_values.h"
#include "settings/service_hosts.h"
#include "ui/desktop_notices.h"
#include "ui/dialog_skin.h"
#include "ui/dlg_message.h"
#include "ui/ini_place.h"
#include "ui/link_clipboard.h"
#include "ui/link_opener.h"
#include "ui/picture_region.h"
#include "ui/task_update.h"
#include "ui/text_link.h"
#include "ui/ui_actions.h"
#include "ui/ui_fonts.h"

namespace ui {
namespace {

const QColor kLinkColour(12, 124, 241);
constexpr int kFailedLines = 5;
const QString kSpaceCaption = QStringLiteral("    ");
const QString kVipCaption = QStringLiteral("   ");

// A read-only field whose whole text is selected whenever it takes the focus.
class CLinkEdit : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void focusInEvent(QFocusEvent* event) override {
        QLineEdit::focusInEvent(event);
        QTimer::singleShot(0, this, [this] { selectAll(); });
    }
};

bool AskLinkRetry() {
    return ShowMessageDialog(QStringLiteral("文件外链生成失败"), {}, CDlgMessage::RetryCancel) == 1;
}

bool ConfirmGiveUp() {
    return ShowMessageDialog(QStringLiteral("已经上传成功的文件可\n继续生成外链,确定放弃?"), {},
                             CDlgMessage::AbandonCancel) == 1;
}

}  // namespace

COuterLinkDlg::COuterLinkDlg(const intake::RequestBatch& files, bool loggedIn,
                             COuterLinkOptions options)
    : CBatchWindow(kOwnerShareLink), m_Options(std::move(options)), m_Anonymous(!loggedIn) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    if (!m_Options.askRetry)
        m_Options.askRetry = &AskLinkRetry;
    if (!m_Options.confirmGiveUp)
        m_Options.confirmGiveUp = &ConfirmGiveUp;
    m_Panel = LoadSharpSkinPicture(u"others/panel.png");
    m_Track = LoadSharpSkinPicture(u"others/progress_track.png");
    m_Fill = LoadSharpSkinPicture(u"others/progress_fill.png");
    m_Uploading = LoadSharpSkinPicture(u"others/uploading.png");
    MakeControls();

    batch::LinkBatchOptions batchOptions = std::move(m_Options.batch);
    batchOptions.linkDone = {};  // the result comes to this window
    m_Batch =
        std::make_unique<batch::LinkBatch>(files, Handle(), loggedIn, std::move(batchOptions));
    m_Batch->SetState(batch::kBatchUploading);
    m_Batch->Start();
    m_Progress = m_Batch->Progress();

    const QSize client = IniRect(u"OuterLinkDlg", QRect(0, 0, 290, 224)).size();
    setFixedSize(client.grownBy(contentsMargins()));
    PlaceControls();
    setMask(RoundedRegion(size(), 2));
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

COuterLinkDlg::~COuterLinkDlg() {
    Shut();
    m_Batch.reset();  // waits for the worker
}

void COuterLinkDlg::MakeControls() {
    auto button = [this](const QString& caption) { return new QPushButton(caption, this); };
    m_Copy = button(QStringLiteral("复制"));
    m_Close = button(QStringLiteral("取消"));
    m_Pause = button(QStringLiteral("暂停"));
    m_Continue = button(QStringLiteral("继续生成外链"));
    m_GiveUp = button(QStringLiteral("放弃"));
    m_Space = button(kSpaceCaption);
    m_Vip = button(kVipCaption);
    m_Edit = new CLinkEdit(this);
    m_Edit->setReadOnly(true);
    m_AutoCopy = new QCheckBox(QStringLiteral("自动复制外链"), this);
    m_AutoCopy->setFont(UiFont(QStringLiteral("宋体"), 12));
    m_Scroll = new QScrollBar(Qt::Vertical, this);
    m_Skin = CDialogSkin::Apply(this, QStringLiteral("others"),
                                {{QStringLiteral("复制"), QStringLiteral("Botton2")},
                                 {QStringLiteral("取消"), QStringLiteral("Botton1")},
                                 {QStringLiteral("暂停"), QStringLiteral("Botton1")},
                                 {QStringLiteral("放弃"), QStringLiteral("Botton1")},
                                 {QStringLiteral("继续生成外链"), QStringLiteral("Botton92")},
                                 {kSpaceCaption, QStringLiteral("BottonExpendNetdisk")},
                                 {kVipCaption, QStringLiteral("BottonUpdateVip")}});
    m_Space->setAccessibleName(QStringLiteral("扩容空间"));
    m_Vip->setAccessibleName(QStringLiteral("升级VIP"));
    MakeFooterLinks();
    std::u16string text;
    settings::IniText(u"outerlink4", text);
    m_LinkLabel = new CTextLink(QString::fromStdU16String(text), UiFont(QStringLiteral("宋体"), 12),
                                kLinkColour, this);

    connect(m_Copy, &QAbstractButton::clicked, this, [this] { CopyLink(); });
    connect(m_Close, &QAbstractButton::clicked, this, [this] { CloseWindow(); });
    connect(m_Pause, &QAbstractButton::clicked, this, [this] { TogglePause(); });
    connect(m_Continue, &QAbstractButton::clicked, this, [this] { ContinueLink(); });
    connect(m_GiveUp, &QAbstractButton::clicked, this, [this] { GiveUp(); });
    connect(m_Space, &QAbstractButton::clicked, this,
            [] { OpenShopPage(ShopPage::SpaceExtension); });
    connect(m_Vip, &QAbstractButton::clicked, this, [] { OpenShopPage(ShopPage::VipUpgrade); });
    connect(m_AutoCopy, &QAbstractButton::clicked, this,
            [this](bool checked) { OnAutoCopyToggled(checked); });
    connect(m_Scroll, &QScrollBar::valueChanged, this, [this](int value) {
        m_FirstFailed = value;
        update();
    });
    connect(m_LinkLabel, &QAbstractButton::clicked, this, [this] {
        if (!m_Anonymous)
            OpenLink(LinkText().toStdU16String());
    });
}

void COuterLinkDlg::PlaceControls() {
    const QRect ok = IniRect(u"outerlinkbtnok", QRect(107, 165, 76, 27));
    PlaceInClient(*m_Close, ok.translated(42, 0));  // beside the pause button while uploading
    PlaceInClient(*m_Edit, IniRect(u"outerlinktxt", QRect(16, 70, 190, 22)));
    PlaceInClient(*m_AutoCopy, IniRect(u"outerlinkcheck", QRect(16, 103, 110, 16)));
    PlaceInClient(*m_Copy, IniRect(u"outerlinkcpy", QRect(214, 69, 60, 24)));
    PlaceInClient(*m_Pause, QRect(65, 165, 76, 27));
    PlaceInClient(*m_Continue, QRect(13, 162, 92, 27));
    PlaceInClient(*m_GiveUp, QRect(200, 162, 76, 27));
    PlaceInClient(*m_Scroll, QRect(256, 37, 15, 105));
    PlaceInClient(*m_Space, QRect(115, 162, 76, 27));
    PlaceInClient(*m_Vip, QRect(115, 162, 76, 27));
    PlaceFooterLinks();
    PlaceTextLink(m_LinkLabel, u"outerlink4");
    for (QWidget* hidden :
         std::initializer_list<QWidget*>{m_Edit, m_AutoCopy, m_Copy, m_Continue, m_GiveUp, m_Scroll,
                                         m_Space, m_Vip, m_LinkLabel})
        hidden->hide();
}

platform::LResult COuterLinkDlg::WindowProc(uint32_t message, platform::WParam wParam,
                                            platform::LParam) {
    switch (message) {
        case intake::WM_TASK_CHANGED:
            OnTaskChanged();
            return 0;
        case intake::WM_USERINFO_DONE:
            if (wParam == intake::kShareLinkEnded)
                OnLinkResult();
            return 0;
        case intake::WM_QUERY_PENDING:
            return m_Batch && m_Batch->State() != batch::kBatchLinked ? 1 : 0;
        case platform::WM_CLOSE:
            CloseWindow();
            return 0;
        default:
            return 0;
    }
}

// A task of the batch changed: counts and the end of the uploads come from the batch,
// which has recorded a file before it reports it, so each file counts once.
void COuterLinkDlg::OnTaskChanged() {
    if (IsClosed())
        return;
    m_Progress = m_Batch->Progress();
    const size_t ended = m_Progress.doneCount + m_Progress.failedCount;
    if (!m_Finished && m_Progress.fileCount > 0 && ended >= m_Progress.fileCount) {
        m_Finished = true;
        if (m_Progress.failedCount > 0) {
            ShowFailureList();
        } else {
            m_LinkAsked = true;
            m_Batch->CreateLink();
        }
    }
    update();
}

void COuterLinkDlg::ShowFailureList() {
    m_ListMode = 1;
    m_FailedList = m_Batch->FailedTasks();
    m_FirstFailed = 0;
    m_Pause->hide();
    m_Close->hide();
    m_Continue->show();
    m_Continue->setEnabled(m_Progress.doneCount > 0);
    m_GiveUp->show();
    const int count = int(m_FailedList.size());
    m_Scroll->setRange(0, std::max(0, count - kFailedLines));
    m_Scroll->setPageStep(kFailedLines);
    m_Scroll->setValue(0);
    m_Scroll->setEnabled(count > kFailedLines);
    m_Scroll->show();
    bool tooLarge = false, diskFull = false;
    for (const batch::BatchTaskInfo& failed : m_FailedList) {
        tooLarge = tooLarge || failed.state == intake::kTaskTooLarge;
        diskFull = diskFull || failed.state == intake::kTaskDiskFull;
    }
    m_Vip->setVisible(tooLarge);
    m_Space->setVisible(!tooLarge && diskFull);
}

void COuterLinkDlg::OnLinkResult() {
    if (IsClosed())
        return;
    m_LinkAsked = false;
    const batch::LinkResult link = m_Batch->Link();
    if (link.code == 0 && !link.url.empty()) {
        ShowLink();
        return;
    }
    if (m_Options.askRetry()) {
        m_LinkAsked = true;
        m_Batch->CreateLink();
        return;
    }
    m_Pause->hide();
    m_Continue->setEnabled(true);
    m_Continue->show();
}

void COuterLinkDlg::ShowLink() {
    m_Batch->SetState(batch::kBatchLinked);
    m_ListMode = 0;
    for (QWidget* hidden :
         std::initializer_list<QWidget*>{m_Pause, m_Continue, m_GiveUp, m_Scroll, m_Space, m_Vip})
        hidden->hide();
    const QRect ok = IniRect(u"outerlinkbtnok", QRect(107, 165, 76, 27));
    const int clientWidth = contentsRect().width();
    m_Close->move(Client((clientWidth - ok.width()) / 2, ok.y()));
    m_Close->setText(QStringLiteral("关闭"));
    m_Close->show();
    const auto autoCopy = settings::ReadDword(settings::kFlingaKey, settings::kAutoClipboard);
    if (!autoCopy)
        settings::WriteDword(settings::kFlingaKey, settings::kAutoClipboard, 0);
    m_AutoCopy->setChecked(autoCopy.value_or(0) == 1);
    m_Edit->setText(QString::fromStdString(m_Batch->Link().url));
    m_Edit->setCursorPosition(0);
    m_Edit->show();
    m_AutoCopy->show();
    m_Copy->show();
    m_LinkLabel->show();
    m_LinkLabel->setCursor(m_Anonymous ? Qt::ArrowCursor : Qt::PointingHandCursor);
    update();
    if (autoCopy.value_or(0) == 1)
        CopyLink();
    if (DesktopNotices())
        DesktopNotices()->LinkMade(m_Edit->text(), m_Copied);
}

QString COuterLinkDlg::LinkText() const {
    return m_Edit->text();
}

void COuterLinkDlg::CopyLink() {
    if (m_Edit->text().isEmpty())
        return;
    PutLinkOnClipboard(m_Edit->text());
    m_Copied = true;
    update();
}

void COuterLinkDlg::OnAutoCopyToggled(bool checked) {
    settings::WriteDword(settings::kFlingaKey, settings::kAutoClipboard, checked ? 1 : 0);
    if (checked)
        CopyLink();
}

void COuterLinkDlg::TogglePause() {
    const bool paused = !m_Batch->IsPaused();
    m_Batch->Pause(paused);
    m_Pause->setText(paused ? QStringLiteral("恢复") : QStringLiteral("暂停"));
    m_Progress = m_Batch->Progress();
    update();
}

void COuterLinkDlg::ContinueLink() {
    m_Continue->setEnabled(false);
    m_LinkAsked = true;
    m_Batch->CreateLink();
}

void COuterLinkDlg::GiveUp() {
    if (m_Progress.doneCount > 0 && !m_Options.confirmGiveUp())
        return;
    CloseWindow();
}

void COuterLinkDlg::wheelEvent(QWheelEvent* event) {
    if (m_ListMode == 1 && m_Scroll->isEnabled())
        m_Scroll->setValue(m_Scroll->value() + (event->angleDelta().y() < 0 ? 1 : -1));
}

// Closing: the check box's state is kept, and the batch is stopped (the running file
// cancelled); the window goes when the event loop is back, and with it the batch.
void COuterLinkDlg::StopWork() {
    if (m_AutoCopy && settings::ReadDword(settings::kFlingaKey, settings::kAutoClipboard))
        settings::WriteDword(settings::kFlingaKey, settings::kAutoClipboard,
                             m_AutoCopy->isChecked() ? 1 : 0);
    if (m_Batch)
        m_Batch->StopBatch();
}

}  // namespace ui
