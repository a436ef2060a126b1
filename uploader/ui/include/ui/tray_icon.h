#pragma once

// The icon in the desktop's status area, where the desktop has one: the mini window's
// menu plus "登录" / "注销", a tooltip with the open tasks, and a click that shows or hides
// the main window. The mini window stays the drop target.

#include <memory>

class QSystemTrayIcon;

namespace ui {

class CMenuEx;
class CQtIntakeUi;

class CTrayIcon {
public:
    static constexpr int kLogIn = 32790;
    static constexpr int kLogOut = 32791;

    // Null where the desktop offers no status area.
    static std::unique_ptr<CTrayIcon> CreateIfAvailable(CQtIntakeUi& ui);
    explicit CTrayIcon(CQtIntakeUi& ui);
    ~CTrayIcon();

    // The tooltip follows the counters.
    void Refresh();
    CMenuEx* Menu() const { return m_Menu.get(); }
    QSystemTrayIcon& Icon() const { return *m_Icon; }

private:
    void Rebuild();

    CQtIntakeUi& m_Ui;
    std::unique_ptr<CMenuEx> m_Menu;
    std::unique_ptr<QSystemTrayIcon> m_Icon;
};

}  // namespace ui
