#pragma once

// The look of a skinned dialog: the theme of its skin folder ("login", "others"), the
// picture frame, and every push button of the dialog drawn from an image set chosen by
// its caption. Lives as a child of the dialog and goes with it. Keys: Tab moves between
// the buttons, Return clicks the default (first) button, Escape ends the dialog with 2.

#include <QMap>
#include <QObject>
#include <QString>
#include <memory>
#include <vector>

#include "ui/skin_win.h"

class QAbstractButton;
class QPushButton;

namespace ui {

class CSkinButton;

// The image set a button of the caption wears unless the dialog says otherwise.
QString ImageSetForCaption(const QString& caption);

// The theme file of a skin folder; when the host program's folder cannot be read, the
// message "加载资源错误" is shown and the result is empty.
QString SkinThemePath(const QString& folder);

class CDialogSkin : public QObject {
public:
    // Applies the skin folder's look to the dialog (a top-level widget). `sets` names the
    // image set of buttons by caption, before the built-in choice. Null when the theme
    // cannot be found.
    static CDialogSkin* Apply(QWidget* dialog, const QString& folder,
                              const QMap<QString, QString>& sets = {});

    CSkinWin& Frame() { return *m_Frame; }
    const std::vector<std::unique_ptr<CSkinButton>>& Buttons() const { return m_Buttons; }
    CSkinButton* SkinOf(const QAbstractButton* button) const;
    // Gives the button another image set of the theme.
    void SetImageSet(const QAbstractButton* button, const QString& set);

    ~CDialogSkin() override;

private:
    CDialogSkin(QWidget* dialog, std::shared_ptr<const CSkinTheme> theme);
    void SkinButtons(const QMap<QString, QString>& sets);
    bool OnKey(QWidget* dialog, QEvent* event);

    class CKeyHook;
    std::unique_ptr<CSkinWin> m_Frame;
    std::unique_ptr<CKeyHook> m_Keys;
    std::vector<std::unique_ptr<CSkinButton>> m_Buttons;
};

}  // namespace ui
