#include "ui/subclass_wnd.h"

#include <QWidget>
#include <algorithm>

namespace ui {

CSubclassWnd::~CSubclassWnd() {
    HookWindow(nullptr);
}

void CSubclassWnd::HookWindow(QWidget* widget) {
    if (m_Wnd)
        CSubclassWndMap::Instance().Remove(this);
    if (widget)
        CSubclassWndMap::Instance().Add(widget, this);
}

bool CSubclassWnd::Default(QEvent* event) {
    return m_Wnd && CSubclassWndMap::Instance().Dispatch(m_Wnd, event, this);
}

CSubclassWndMap& CSubclassWndMap::Instance() {
    // Lives as long as the process; hooks may outlive any one widget.
    static auto* map = new CSubclassWndMap;
    return *map;
}

void CSubclassWndMap::Add(QWidget* widget, CSubclassWnd* hook) {
    auto& chain = m_Chains[widget];
    if (chain.empty()) {
        widget->installEventFilter(this);
        connect(widget, &QObject::destroyed, this, [this](QObject* gone) { Forget(gone); });
    }
    chain.push_back(hook);
    hook->m_Wnd = widget;
}

void CSubclassWndMap::Remove(CSubclassWnd* hook) {
    QWidget* widget = hook->m_Wnd;
    hook->m_Wnd = nullptr;
    const auto it = m_Chains.find(widget);
    if (it == m_Chains.end())
        return;
    std::erase(it->second, hook);
    if (it->second.empty()) {
        m_Chains.erase(it);
        widget->removeEventFilter(this);
        disconnect(widget, &QObject::destroyed, this, nullptr);
    }
}

std::vector<CSubclassWnd*> CSubclassWndMap::Chain(const QWidget* widget) const {
    const auto it = m_Chains.find(widget);
    if (it == m_Chains.end())
        return {};
    return {it->second.rbegin(), it->second.rend()};
}

bool CSubclassWndMap::Dispatch(QWidget* widget, QEvent* event, const CSubclassWnd* after) {
    const std::vector<CSubclassWnd*> chain = Chain(widget);
    auto next = chain.begin();
    if (after) {
        next = std::find(chain.begin(), chain.end(), after);
        if (next == chain.end())
            return false;  // the hook left the chain while the event went through it
        ++next;
    }
    if (next == chain.end())
        return false;
    return (*next)->WindowProc(event);
}

bool CSubclassWndMap::eventFilter(QObject* watched, QEvent* event) {
    if (!watched->isWidgetType() || !m_Chains.contains(watched))
        return false;
    return Dispatch(static_cast<QWidget*>(watched), event, nullptr);
}

void CSubclassWndMap::Forget(QObject* widget) {
    const auto it = m_Chains.find(widget);
    if (it == m_Chains.end())
        return;
    const std::vector<CSubclassWnd*> hooks = std::move(it->second);
    m_Chains.erase(it);
    for (CSubclassWnd* hook : hooks) {
        hook->m_Wnd = nullptr;
        hook->OnWindowDestroyed();
    }
}

}  // namespace ui
