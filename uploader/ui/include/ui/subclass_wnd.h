#pragma once

// Hooks into a widget's event stream without deriving from its class. Each hook
// (`CSubclassWnd`) sees the widget's events before the widget does; the newest hook of a
// widget sees them first and passes what it does not take on with Default(), to the next
// older hook and finally to the widget itself. `CSubclassWndMap` keeps, per widget, its
// chain of hooks. All on the user-interface thread.

#include <QObject>
#include <QPointer>
#include <unordered_map>
#include <vector>

class QEvent;
class QWidget;

namespace ui {

class CSubclassWnd {
public:
    CSubclassWnd() = default;
    CSubclassWnd(const CSubclassWnd&) = delete;
    CSubclassWnd& operator=(const CSubclassWnd&) = delete;
    virtual ~CSubclassWnd();

    // Attaches to the widget (detaching from any earlier one); null only detaches.
    void HookWindow(QWidget* widget);
    bool IsHooked() const { return m_Wnd != nullptr; }
    QWidget* Window() const { return m_Wnd; }

protected:
    // Sees an event of the widget first; true takes it (the widget does not see it).
    virtual bool WindowProc(QEvent* event) { return Default(event); }
    // Passes the event on to the next older hook, or leaves it to the widget (false).
    bool Default(QEvent* event);
    // The widget went away; the hook is already detached.
    virtual void OnWindowDestroyed() {}

private:
    friend class CSubclassWndMap;
    QWidget* m_Wnd = nullptr;
};

class CSubclassWndMap : public QObject {
public:
    static CSubclassWndMap& Instance();

    void Add(QWidget* widget, CSubclassWnd* hook);
    void Remove(CSubclassWnd* hook);
    // The hooks of the widget, newest first; empty when none.
    std::vector<CSubclassWnd*> Chain(const QWidget* widget) const;
    // Runs the event through the chain from the hook after `after` (null: the newest).
    bool Dispatch(QWidget* widget, QEvent* event, const CSubclassWnd* after);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CSubclassWndMap() = default;
    void Forget(QObject* widget);

    std::unordered_map<const QObject*, std::vector<CSubclassWnd*>> m_Chains;  // oldest first
};

}  // namespace ui
