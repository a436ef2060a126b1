#pragma once

// The settings page ("设置" of the mini window's and the tray's menu): the service hosts,
// the account, the upload speed cap, copying links automatically, starting at login and
// showing the hints again. Drawn with the "others" skin; one at a time, not modal. Every
// value goes through the settings store when the user confirms; a value that cannot be
// stored is named in a message box and nothing is written.

#include <QDialog>
#include <array>
#include <functional>

class QAbstractButton;
class QCheckBox;
class QLabel;
class QLineEdit;

namespace ui {

struct CSettingsDlgOptions {
    // Tells the user what is wrong; default: the library's message box.
    std::function<void(const QString& text)> tell;
    // After "MINITIPS" was reset (the mini window reads its hints again).
    std::function<void()> tipsReset;
    // The launcher the autostart entry starts; default: the installed one.
    QString launcherPath;
};

class CSettingsDlg : public QDialog {
public:
    // Opens the page, or brings the open one to the front; returns it.
    static CSettingsDlg* Open(CSettingsDlgOptions options = {});
    static CSettingsDlg* Instance();

    QLineEdit* HostEdit(int index) const { return m_Hosts[static_cast<size_t>(index)]; }
    QLineEdit* SpeedEdit() const { return m_Speed; }
    QCheckBox* AutoCopyBox() const { return m_AutoCopy; }
    QCheckBox* AutostartBox() const { return m_Autostart; }
    QAbstractButton* AccountButton() const { return m_Account; }
    QAbstractButton* TipsButton() const { return m_Tips; }
    QAbstractButton* OkButton() const { return m_Ok; }
    // Checks and stores the values; true when all were stored (the page then closes).
    bool Apply();
    // Shows who is logged in now.
    void RefreshAccount();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    explicit CSettingsDlg(CSettingsDlgOptions options);
    void Place();
    void Load();
    void OnAccount();

    CSettingsDlgOptions m_Options;
    std::array<QLineEdit*, 4> m_Hosts{};
    QLabel* m_User = nullptr;
    QAbstractButton* m_Account = nullptr;
    QLineEdit* m_Speed = nullptr;
    QCheckBox* m_AutoCopy = nullptr;
    QCheckBox* m_Autostart = nullptr;
    QAbstractButton* m_Tips = nullptr;
    QAbstractButton* m_Ok = nullptr;
    QAbstractButton* m_Cancel = nullptr;
};

}  // namespace ui
