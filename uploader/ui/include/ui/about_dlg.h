#pragma once

// The about box: banner, the program's name and version, a maker line, a link to the
// service's web site and an OK button, in the "others" skin. One at a time: asking for
// it while it is open brings that one to the front.

#include <QDialog>
#include <QPixmap>

class QAbstractButton;

namespace ui {

class CDialogSkin;
class CTextLink;

class CAboutDlg : public QDialog {
public:
    // Opens the about box modally and deletes it afterwards, or brings the open one to
    // the front and returns at once (0).
    static int ShowAbout(QWidget* parent = nullptr);
    // The open about box, if any.
    static CAboutDlg* Instance();
    // The host program's version text ("1.0.0.1"), read once.
    static const QString& VersionText();

    QAbstractButton* OkButton() const { return m_Ok; }
    CTextLink* SiteLink() const { return m_Link; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    explicit CAboutDlg(QWidget* parent);
    ~CAboutDlg() override;
    void Place();

    QPixmap m_Banner;
    CDialogSkin* m_Skin = nullptr;
    QAbstractButton* m_Ok = nullptr;
    QAbstractButton* m_FocusPark = nullptr;
    CTextLink* m_Link = nullptr;
};

}  // namespace ui
