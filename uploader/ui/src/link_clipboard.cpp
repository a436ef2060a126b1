#include "ui/link_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace ui {

void PutLinkOnClipboard(const QString& link) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return;
    clipboard->setText(link, QClipboard::Clipboard);
    if (clipboard->supportsSelection())
        clipboard->setText(link, QClipboard::Selection);
}

}  // namespace ui
