#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>
#include <iostream>

#include "fake_notifications.h"
#include "launcher/launcher_paths.h"
#include "platform/instance_lock.h"
#include "platform/process.h"
#include "platform/system.h"
#include "send/desktop_notice.h"
#include "settings/registry_values.h"
#include "settings/settings.h"
#include "support/launcher_process.h"
#include "support/test_env.h"

namespace {

using ui_test::CFakeNotificationServer;
using ui_test::CPrivateBus;

// The plug-in client as a file manager starts it: standard error is a pipe nobody reads,
// and the session bus is a private one with the recording notification service.
class SendNoticeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_Bus.Address().isEmpty()) << "dbus-daemon did not start";
        m_Server = std::make_unique<CFakeNotificationServer>(m_Bus.Address());
        ASSERT_TRUE(m_Server->Registered());
    }

    // Runs the client to its end while this thread serves the bus; its standard error.
    QString RunClient(const QStringList& arguments, const QString& launcher = {}) {
        QProcess client;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_Bus.Address());
        if (!launcher.isEmpty())
            env.insert(QStringLiteral("NORVEL_LAUNCHER"), launcher);
        client.setProcessEnvironment(env);
        client.start(QStringLiteral(NORVEL_SEND_PROGRAM), arguments);
        EXPECT_TRUE(client.waitForStarted(5000));
        EXPECT_TRUE(QTest::qWaitFor([&] { return client.state() == QProcess::NotRunning; }, 20000));
        return QString::fromUtf8(client.readAllStandardError());
    }

    CPrivateBus m_Bus;
    std::unique_ptr<CFakeNotificationServer> m_Server;
    norvel::test::TempDir m_Dir;
};

TEST_F(SendNoticeTest, ARefusedRequestIsToldOnTheDesktopWithItsReasons) {
    const QString missing = QString::fromStdString(m_Dir.File("gone.txt"));
    const QString errors = RunClient({QStringLiteral("upload"), missing});
    EXPECT_TRUE(errors.contains(QStringLiteral("no such file or folder"))) << errors.toStdString();
    ASSERT_EQ(m_Server->Notices().size(), 1u);
    const ui_test::CRecordedNotice& notice = m_Server->Notices()[0];
    std::cout << "[notice] " << notice.summary.toStdString() << " | " << notice.body.toStdString()
              << "\n";
    EXPECT_EQ(notice.summary, QStringLiteral("Norvel Flinga"));
    EXPECT_EQ(notice.body, QStringLiteral("no such file or folder: ") + missing);
}

TEST_F(SendNoticeTest, ALauncherThatCannotStartIsToldOnTheDesktop) {
    norvel::test::WriteFile(m_Dir.File("a.txt"), "data");
    const QString errors =
        RunClient({QStringLiteral("--wait"), QStringLiteral("1"), QStringLiteral("upload"),
                   QString::fromStdString(m_Dir.File("a.txt"))},
                  QString::fromStdString(m_Dir.File("no-launcher")));
    ASSERT_EQ(m_Server->Notices().size(), 1u) << errors.toStdString();
    std::cout << "[notice] " << m_Server->Notices()[0].body.toStdString() << "\n";
    EXPECT_FALSE(m_Server->Notices()[0].body.isEmpty());
    EXPECT_TRUE(errors.contains(m_Server->Notices()[0].body)) << errors.toStdString();
}

// Handed to a launcher (with the stand-in library) while nobody is logged in.
TEST_F(SendNoticeTest, AnUploadWithoutALoginIsToldOnTheDesktop) {
    for (const auto name : {settings::kUserName, settings::kUserToken, settings::kUserId})
        settings::DeleteValue(settings::kFlingaKey, name);
    settings::ResetCaches();
    norvel::test::InstallTree install(norvel::test::LibraryKind::StandIn);
    norvel::test::WriteFile(m_Dir.File("a.txt"), "data");
    const QString errors =
        RunClient({QStringLiteral("upload"), QString::fromStdString(m_Dir.File("a.txt"))},
                  QString::fromStdString(install.Launcher()));
    // The launcher the client started ends through its lock file.
    const std::string lock = launcher::InstanceLockPath(platform::RuntimeDir());
    const std::string pid = norvel::test::ReadFile(lock);
    if (!pid.empty() && !platform::InstanceLock::TryAcquire(lock)) {
        (void)platform::RunProgramOutput({"kill", "-TERM", pid.substr(0, pid.find('\n'))}, 5000);
        norvel::test::WaitUntil(
            [&] { return platform::InstanceLock::TryAcquire(lock).has_value(); });
    }
    ASSERT_EQ(m_Server->Notices().size(), 1u) << errors.toStdString();
    std::cout << "[notice] " << m_Server->Notices()[0].body.toStdString() << "\n";
    EXPECT_TRUE(m_Server->Notices()[0].body.startsWith(
        QStringLiteral("not logged in: run norvel-flinga-send login NAME")));
}

TEST(SendNoticeBodyTest, KeepsTheClientsLinesWithoutItsNameAndAScreenfulAtMost) {
    EXPECT_EQ(send::NoticeBody("norvel-flinga-send: bad option\nusage: norvel-flinga-send x\n"),
              "bad option");
    std::string many;
    for (int i = 0; i < 15; ++i)
        many += "norvel-flinga-send: skipped: f" + std::to_string(i) + "\n";
    const std::string body = send::NoticeBody(many);
    EXPECT_EQ(body.substr(0, 12), "skipped: f0\n");
    EXPECT_NE(body.find("skipped: f11\n… (3 more)"), std::string::npos) << body;
    EXPECT_EQ(send::NoticeBody("Password for a: "), "");
}

}  // namespace
