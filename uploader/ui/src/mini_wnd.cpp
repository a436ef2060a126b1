// The mini window: creation and placement, its window messages, the fading, the
// files-added notice and the counter.

#include "ui/mini_wnd.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <chrono>

#include "intake/messages.h"
#include "mini_wnd_look.h"
#include "ui/qt_intake_ui.h"
#include "ui/skin_theme.h"
#include "ui/ui_images.h"

namespace ui {
namespace {

constexpr int kNoticeRise = 20;
constexpr int kNoticeFall = 10;
constexpr int kNoticeFull = 255;
constexpr int kFadeInStep = 2;
constexpr int kFadeOutStep = 1;

}  // namespace

CMiniWnd::CMiniWnd(CQtIntakeUi& ui)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::Tool | Qt::WindowStaysOnTopHint |
                           Qt::NoDropShadowWindowHint),
      m_Ui(ui),
      m_Main(LoadSharpSkinPicture(skin::kMiniMain.file)),
      m_Close(LoadSharpSkinPicture(skin::kMiniClose.file)),
      m_Confirm(LoadSharpSkinPicture(skin::kMiniConfirm.file)),
      m_Mark(LoadSharpSkinPicture(skin::kMiniMark.file)),
      m_Hint(LoadSharpSkinPicture(skin::kMiniHint.file)),
      m_TipKind(static_cast<int>(NowMs() & 1)),
      m_Timers([this](int id) { OnTimer(id); }),
      m_Window(
          *this,
          [this](uint32_t message, platform::WParam w, platform::LParam l) {
              return WindowProc(message, w, l);
          },
          std::u16string(kMiniTitle)) {
    setAttribute(Qt::WA_TranslucentBackground);
    setMouseTracking(true);
    setAcceptDrops(true);
    setFixedSize(kWidth, HeightOf(m_Main, skin::kMiniMain) + kExtraHeight);
    if (!UiImages().appIcon.isNull())
        setWindowIcon(QIcon(UiImages().appIcon));
    SetOpacity(m_Ui.MainDialog() ? m_Ui.MainDialog()->Opacity() : 80);
    ReloadTips();
    Place();
}

CMiniWnd::~CMiniWnd() {
    m_Window.Close();
}

uint64_t CMiniWnd::NowMs() const {
    if (m_Ui.Options().tickMs)
        return m_Ui.Options().tickMs();
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

// Near the top right of the work area, the picture half a width in from the right edge.
void CMiniWnd::Place() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    move(area.x() + area.width() - width() / 2 - kRightInset, area.y() + height());
}

bool CMiniWnd::event(QEvent* event) {
    if (m_Window.Deliver(event))
        return true;
    return QWidget::event(event);
}

platform::LResult CMiniWnd::WindowProc(uint32_t message, platform::WParam wParam,
                                       platform::LParam) {
    switch (message) {
        case platform::WM_CLOSE:
            m_Window.Close();
            m_Timers.Kill(kConfirmTimer);
            hide();
            deleteLater();
            return 0;
        case intake::WM_MINI_COUNTER:
            update();
            return 0;
        case CuploadDlg::kWmCommand:
            RunCommand(static_cast<int>(wParam));
            return 0;
        default:
            return 0;
    }
}

void CMiniWnd::closeEvent(QCloseEvent* event) {
    // The desktop's close: as the close glyph.
    event->ignore();
    RequestExit(false);
}

void CMiniWnd::SetOpacity(int percent) {
    m_Opacity = std::clamp(percent, CuploadDlg::kOpacityLow, CuploadDlg::kOpacityHigh);
    setWindowOpacity(m_Opacity / 100.0);
    update();
}

void CMiniWnd::Fade(bool in) {
    m_Timers.Kill(in ? kFadeOutTimer : kFadeInTimer);
    m_Timers.Start(in ? kFadeInTimer : kFadeOutTimer, m_Ui.Options().fadePeriodMs);
}

// A count of 0 only switches the counter on: the files are counted when they become tasks.
void CMiniWnd::ShowAdded(int count, const QString& path) {
    m_ShowCount = true;
    if (count <= 0) {
        update();
        return;
    }
    m_AddedCount = count;
    const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    m_AddedName = QStringLiteral("“") + path.mid(slash + 1);
    m_NoticeAlpha = 0;
    m_NoticeHolding = false;
    m_Timers.Kill(kNoticeFallTimer);
    m_Timers.Start(kNoticeRiseTimer, m_Ui.Options().noticeStepMs);
    UpdateMask();
    update();
}

void CMiniWnd::StepNotice(int id) {
    if (id == kNoticeRiseTimer) {
        m_NoticeAlpha = std::min(kNoticeFull, m_NoticeAlpha + kNoticeRise);
        if (m_NoticeAlpha >= kNoticeFull) {
            m_Timers.Kill(kNoticeRiseTimer);
            m_NoticeHolding = true;
            m_Timers.Start(kNoticeFallTimer, m_Ui.Options().noticeHoldMs);
        }
    } else if (m_NoticeHolding) {
        m_NoticeHolding = false;
        m_Timers.Start(kNoticeFallTimer, m_Ui.Options().noticeStepMs);
    } else {
        m_NoticeAlpha = std::max(0, m_NoticeAlpha - kNoticeFall);
        if (m_NoticeAlpha == 0) {
            m_AddedCount = 0;
            m_Timers.Kill(kNoticeFallTimer);
            UpdateMask();
        }
    }
    update();
}

void CMiniWnd::OnTimer(int id) {
    switch (id) {
        case kFadeInTimer:
        case kFadeOutTimer: {
            const bool in = id == kFadeInTimer;
            const int next = in ? m_Opacity + kFadeInStep : m_Opacity - kFadeOutStep;
            SetOpacity(next);
            if (CuploadDlg* main = m_Ui.MainDialog())
                main->FollowMini(m_Opacity);
            if ((in && m_Opacity >= CuploadDlg::kOpacityHigh) ||
                (!in && m_Opacity <= CuploadDlg::kOpacityLow))
                m_Timers.Kill(id);
            break;
        }
        case kNoticeRiseTimer:
        case kNoticeFallTimer:
            StepNotice(id);
            break;
        case kConfirmTimer:
            ShowConfirm(false);
            break;
        default:
            break;
    }
}

QString CMiniWnd::NoticeText() const {
    if (m_AddedCount <= 0)
        return {};
    const QString name =
        QFontMetrics(MiniFont()).elidedText(m_AddedName, Qt::ElideRight, kNoticeNameWidth);
    if (m_AddedCount == 1)
        return name + QStringLiteral("”已加入上传");
    return name + QStringLiteral("”等%1个文件已加入上传").arg(m_AddedCount);
}

QString CMiniWnd::CounterText() const {
    const CBatchCounters::Snapshot counts = m_Ui.Counters().Get();
    return QString::number(counts.Open() > 0 ? counts.Open() : counts.fail);
}

QColor CMiniWnd::CounterColour() const {
    const CBatchCounters::Snapshot counts = m_Ui.Counters().Get();
    if (counts.Open() > 0)
        return kCounterBlue;
    return counts.fail > 0 ? kCounterRed : kCounterBlue;
}

QFont CMiniWnd::CounterFont() const {
    const CBatchCounters::Snapshot counts = m_Ui.Counters().Get();
    const int shown = counts.Open() > 0 ? counts.Open() : counts.fail;
    const int pixels = shown < 1000 ? 30 : shown <= 9999 ? 22 : shown <= 99999 ? 18 : 15;
    return UiFont(QStringLiteral("Arial"), pixels, true);
}

}  // namespace ui
