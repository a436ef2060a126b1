#pragma once

// The frame of the windows that upload a batch of their own: the share-link window
// (ui/outer_link_dlg.h) and the Sina Weibo window (ui/sina_blogs_dlg.h). A top-most
// window titled "Norvel网盘Flinga" with its entry in the window table (marked with its
// OwnerKind, so that the rows of its tasks report to it), the links to the site and the
// contact page with the contact icon, and the closing sequence.
//
// While open it counts as one pending task and one user of the library. Closing runs
// once, however it comes (a button, WM_CLOSE, the window's own end, its destruction): the
// window's own last steps and the stop of its batch (StopWork()), the pending task taken
// off, the handle closed. The window goes when the event loop is back; the user of the
// library is taken off when it is destroyed.

#include <QPixmap>
#include <QWidget>

#include "ui/task_update.h"
#include "ui/window_registration.h"

class QPainter;

namespace ui {

class CTextLink;

class CBatchWindow : public QWidget {
public:
    ~CBatchWindow() override;
    CBatchWindow(const CBatchWindow&) = delete;
    CBatchWindow& operator=(const CBatchWindow&) = delete;

    platform::WindowHandle Handle() const { return m_Window.Handle(); }
    // Closes the window (see above); nothing happens when it is closed already.
    void CloseWindow();

    virtual platform::LResult WindowProc(uint32_t message, platform::WParam wParam,
                                         platform::LParam lParam) = 0;

    // The windows' texts: a line of text is this high, and the layout file's texts are
    // drawn in "宋体" of 9 points (12 pixels, the windows' own size).
    static constexpr int kTextHeight = 16;
    static constexpr int kIniTextPoints = 9;
    // A line of text at (x, y), left aligned within `width`.
    static void DrawLeft(QPainter& p, int x, int y, const QString& text, int width = 260);

protected:
    explicit CBatchWindow(OwnerKind ownerKind);

    // The window's own last steps, the stop of its batch among them.
    virtual void StopWork() = 0;
    // The closing steps, once. The derived destructor runs them first, while the batch
    // StopWork() stops is still there.
    void Shut();
    bool IsClosed() const { return m_Closed; }

    // A point of the client area, from its top left corner.
    QPoint Client(int x, int y) const;
    // The site and contact links ("outerlink2", "outerlink3"), made and placed.
    void MakeFooterLinks();
    void PlaceFooterLinks();
    // Places the link at its layout section's "pos", when the section has one.
    void PlaceTextLink(CTextLink* link, const char16_t* section);
    // The contact icon, just left of the contact link; p is translated to the client area.
    void PaintContactIcon(QPainter& p);
    // Starts a paint of the client area: its background from white to `gradientEnd`, then p
    // clipped and translated to it, with the windows' text font ("宋体", 12 pixels) in black.
    void BeginClientPaint(QPainter& p, const QColor& gradientEnd) const;

    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

    QPixmap m_Qq, m_Gou;  // the contact icon and the tick of success
    CTextLink *m_SiteLink = nullptr, *m_ContactLink = nullptr;

private:
    static void CountPendingTask(int step);

    bool m_Closed = false;
    CWindowRegistration m_Window;
};

}  // namespace ui
