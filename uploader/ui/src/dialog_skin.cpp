#include "ui/dialog_skin.h"

#include <QDialog>
#include <QKeyEvent>
#include <QPushButton>

#include "intake/intake_ui.h"
#include "settings/ini.h"
#include "ui/skin_button.h"

namespace ui {

// The dialog's keys, seen before the dialog's own handling.
class CDialogSkin::CKeyHook : public CSubclassWnd {
public:
    explicit CKeyHook(CDialogSkin& owner) : m_Owner(owner) {}

protected:
    bool WindowProc(QEvent* event) override {
        return m_Owner.OnKey(Window(), event) || Default(event);
    }

private:
    CDialogSkin& m_Owner;
};

QString ImageSetForCaption(const QString& caption) {
    static const QMap<QString, QString> kSets = {
        {QStringLiteral("登录"), QStringLiteral("Botton1")},
        {QStringLiteral("注册"), QStringLiteral("Botton1")},
        {QStringLiteral("确定"), QStringLiteral("Botton2")},
        {QStringLiteral("取消"), QStringLiteral("Botton1")},
        {QStringLiteral("复制链接"), QStringLiteral("Botton92")},
        {QStringLiteral("升级VIP"), QStringLiteral("BottonUpdateVip")},
        {QStringLiteral("扩容空间"), QStringLiteral("BottonExpendNetdisk")},
    };
    return kSets.value(caption.trimmed(), QStringLiteral("Botton1"));
}

QString SkinThemePath(const QString& folder) {
    const std::u16string path = settings::ThemePath(folder.toStdU16String());
    if (path.empty()) {
        intake::IntakeUi().ShowMessage(u"加载资源错误", u"");
        return {};
    }
    return QString::fromStdU16String(path);
}

CDialogSkin* CDialogSkin::Apply(QWidget* dialog, const QString& folder,
                                const QMap<QString, QString>& sets) {
    const QString path = SkinThemePath(folder);
    if (path.isEmpty() || !dialog)
        return nullptr;
    auto* skin = new CDialogSkin(dialog, LoadSkinTheme(path));
    skin->SkinButtons(sets);
    return skin;
}

CDialogSkin::CDialogSkin(QWidget* dialog, std::shared_ptr<const CSkinTheme> theme)
    : QObject(dialog),
      m_Frame(std::make_unique<CSkinWin>()),
      m_Keys(std::make_unique<CKeyHook>(*this)) {
    m_Frame->SetTheme(std::move(theme));
    m_Frame->InstallSkin(dialog);
    m_Keys->HookWindow(dialog);
}

CDialogSkin::~CDialogSkin() = default;

void CDialogSkin::SkinButtons(const QMap<QString, QString>& sets) {
    const CSkinTheme& theme = *m_Frame->Theme();
    const QMargins margins(theme.margins.left, theme.margins.top, theme.margins.right,
                           theme.margins.bottom);
    for (QPushButton* button : parent()->findChildren<QPushButton*>()) {
        if (!CSubclassWndMap::Instance().Chain(button).empty())
            continue;                   // already worn by another object
        button->setAutoDefault(false);  // Return is the dialog's, for its first button
        auto skin = std::make_unique<CSkinButton>(button);
        const QString set = sets.value(button->text(), ImageSetForCaption(button->text()));
        skin->SetImageSet(theme.ImageSet(set), margins);
        m_Buttons.push_back(std::move(skin));
    }
}

CSkinButton* CDialogSkin::SkinOf(const QAbstractButton* button) const {
    for (const auto& skin : m_Buttons)
        if (skin->Button() == button)
            return skin.get();
    return nullptr;
}

void CDialogSkin::SetImageSet(const QAbstractButton* button, const QString& set) {
    const CSkinTheme& theme = *m_Frame->Theme();
    if (CSkinButton* skin = SkinOf(button))
        skin->SetImageSet(theme.ImageSet(set), QMargins(theme.margins.left, theme.margins.top,
                                                        theme.margins.right, theme.margins.bottom));
}

bool CDialogSkin::OnKey(QWidget* dialog, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Escape) {
        if (auto* modal = qobject_cast<QDialog*>(dialog))
            modal->done(2);
        else
            dialog->close();
        return true;
    }
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return false;
    for (const auto& skin : m_Buttons) {
        QAbstractButton* button = skin->Button();
        if (button && button->isVisible() && button->isEnabled()) {
            button->click();
            return true;
        }
    }
    return false;
}

}  // namespace ui
