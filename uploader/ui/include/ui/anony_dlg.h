#pragma once

// The question before an anonymous share link: such a link cannot be managed on the web
// disk; the user may go on ("确定", result 2) or log in first ("返回登录", result 1).
// "下次不再提示" stores "ANONY_LINK" 1 either way, so the question is not asked again.

#include <QDialog>

class QCheckBox;
class QPushButton;

namespace ui {

class CAnonyDlg final : public QDialog {
public:
    static constexpr int kGoOn = 2;
    static constexpr int kLogIn = 1;

    explicit CAnonyDlg(QWidget* parent = nullptr);

    QPushButton* GoOnButton() const { return m_GoOn; }
    QPushButton* LogInButton() const { return m_LogIn; }
    QCheckBox* DontAskBox() const { return m_DontAsk; }

    void done(int result) override;
    // Runs the question modally; its result.
    static int Ask();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPushButton* m_GoOn = nullptr;
    QPushButton* m_LogIn = nullptr;
    QCheckBox* m_DontAsk = nullptr;
};

}  // namespace ui
