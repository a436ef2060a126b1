#pragma once

// The popup menu of the skinned windows: rounded corners, every command drawn over its
// 23-pixel strip of the menu picture (chosen by command id), separators as an etched line,
// disabled commands in grey. For a user of the highest VIP level the VIP command reads
// "续费".

#include <QMenu>
#include <QPixmap>

namespace ui {

class CMenuEx : public QMenu {
public:
    static constexpr int kItemHeight = 23;
    static constexpr int kCorner = 5;
    static constexpr int kMaxSide = 195;
    static constexpr int kVipCommand = 32774;

    explicit CMenuEx(QWidget* parent = nullptr);

    QAction* AddCommand(int id, const QString& text);
    void AddSeparator() { addSeparator(); }
    // The command of an action of this menu; 0 for a separator or another action.
    static int CommandOf(const QAction* action);
    QAction* Command(int id) const;
    // Shows the highest VIP level's text on the VIP command.
    void SetTopVip(bool topVip);
    // Where a command's strip lies in the menu picture; -1 when it has none.
    static int StripTop(int id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void PaintItem(QPainter& p, QAction* action) const;

    QPixmap m_Strips;
    QString m_VipText;
};

}  // namespace ui
