#pragma once

// The library's message box: a borderless picture window with a close glyph, an icon,
// the lines of the message and up to two text buttons. Run modally; the result is 1
// (first button, Return) or 2 (second button, the close glyph, Escape).

#include <QDialog>
#include <QPixmap>
#include <QStringList>
#include <vector>

namespace ui {

class CTextLink;
class CGlyphButton;

class CDlgMessage : public QDialog {
public:
    // Button kinds: 0 none, 1 "重试" / "取消", 2 "放弃" / "取消", 7 "升级VIP" / "放弃" (the
    // first opens the web-shop VIP page and leaves the dialog open).
    enum Kind { NoButtons = 0, RetryCancel = 1, AbandonCancel = 2, UpgradeVip = 7 };

    CDlgMessage(const QString& text, int kind, bool noIcon, QWidget* parent = nullptr);

    // Where the first line starts: 54 - (lines / 2) x 8.
    static int FirstLineTop(int lineCount);
    // The top of each line as drawn.
    std::vector<int> LineTops() const;
    const QStringList& Lines() const { return m_Lines; }
    CTextLink* FirstButton() const { return m_First; }
    CTextLink* SecondButton() const { return m_Second; }
    CGlyphButton* CloseGlyph() const { return m_Close; }

    void accept() override { done(1); }
    void reject() override { done(2); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void AddButtons(int kind);
    void OnFirst();

    QStringList m_Lines;
    int m_Kind;
    bool m_NoIcon;
    QPixmap m_Background, m_Icon;
    CTextLink* m_First = nullptr;
    CTextLink* m_Second = nullptr;
    CGlyphButton* m_Close = nullptr;
};

// Shows the message modally (kind 0, with the icon); the caption names the window.
int ShowMessageDialog(const QString& text, const QString& caption = {}, int kind = 0,
                      QWidget* parent = nullptr);

}  // namespace ui
