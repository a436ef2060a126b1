#include "ui/anony_dlg.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

#include "settings/registry_values.h"
#include "ui/dialog_skin.h"
#include "ui/ini_place.h"
#include "ui/ui_fonts.h"

namespace ui {

CAnonyDlg::CAnonyDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("提示"));
    m_GoOn = new QPushButton(QStringLiteral("确定"), this);
    m_LogIn = new QPushButton(QStringLiteral("返回登录"), this);
    m_DontAsk = new QCheckBox(QStringLiteral(" 下次不再提示"), this);
    m_DontAsk->setFont(UiFont(QStringLiteral("宋体"), 12));
    CDialogSkin::Apply(this, QStringLiteral("others"),
                       {{QStringLiteral("确定"), QStringLiteral("Botton92")},
                        {QStringLiteral("返回登录"), QStringLiteral("Botton92")}});
    connect(m_GoOn, &QAbstractButton::clicked, this, [this] { done(kGoOn); });
    connect(m_LogIn, &QAbstractButton::clicked, this, [this] { done(kLogIn); });
    setFixedSize(QSize(323, 153).grownBy(contentsMargins()));
    const QPoint client = contentsRect().topLeft();
    m_DontAsk->move(client + QPoint(30, 58));
    m_DontAsk->adjustSize();
    PlaceInClient(*m_GoOn, QRect(62, 86, 92, 25));
    PlaceInClient(*m_LogIn, QRect(160, 86, 92, 25));
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

void CAnonyDlg::done(int result) {
    if (m_DontAsk->isChecked())
        settings::WriteDword(settings::kFlingaKey, settings::kAnonyLink, 1);
    QDialog::done(result);
}

int CAnonyDlg::Ask() {
    CAnonyDlg question;
    return question.exec();
}

void CAnonyDlg::paintEvent(QPaintEvent*) {
    const QRect client = contentsRect();
    QPainter p(this);
    p.fillRect(client, Qt::white);
    p.translate(client.topLeft());
    p.setFont(UiFont(QStringLiteral("宋体"), 13));
    p.setPen(Qt::black);
    p.drawText(QRect(20, 20, 300, 16), Qt::AlignLeft | Qt::AlignTop,
               QStringLiteral("您正在使用Flinga匿名生成外链功能，匿名生成的"));
    p.drawText(QRect(20, 38, 300, 16), Qt::AlignLeft | Qt::AlignTop,
               QStringLiteral("外链不支持登录网盘管理，您确定继续生成外链？"));
}

}  // namespace ui
