#include "actions_fixture.h"

#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "actions/actions.h"
#include "actions/auth_action.h"
#include "actions/client_identity.h"
#include "actions/norvel_counter.h"
#include "intake/library.h"
#include "platform/text.h"
#include "settings/registry_values.h"
#include "settings/settings.h"
#include "support/test_env.h"

namespace actions_test {
namespace {

constexpr std::u16string_view kHostValues[] = {settings::kApiHost, settings::kWebHost,
                                               settings::kDownloadHost, settings::kLoginHost};

}  // namespace

void ActionsTest::SetUp() {
    NetTest::SetUp();
    m_Service = std::make_unique<norvel::test::ServiceProcess>();
    ASSERT_TRUE(m_Service->AddUser("alice", kPassword));
    UseHostPort(m_Service->HostPort());
    settings::DeleteAllValues(settings::kFlingaKey);
    settings::DeleteValue(settings::kNorvelKey, settings::kClientId);
    settings::DeleteValue(settings::kNorvelKey, settings::kClientSecret);
    settings::ResetCaches();
    actions::SetLoginChallenge({});
    actions::StartActions();
    // The seams the library's load hook gives the root.
    intake::Library().SetSeam(&intake::LibrarySeams::usageCounter,
                              intake::UsageCounter(&actions::CountUse));
    intake::Library().SetSeam(&intake::LibrarySeams::loginConfirmation,
                              settings::LoginConfirmation{&actions::ConfirmSavedLogin});
}

void ActionsTest::TearDown() {
    actions::StopActions();
    for (std::u16string_view name : kHostValues)
        settings::DeleteValue(settings::kNorvelKey, name);
    NetTest::TearDown();
}

void ActionsTest::UseHostPort(const std::string& hostPort) {
    for (std::u16string_view name : kHostValues)
        settings::WriteString(settings::kNorvelKey, name, platform::Utf8ToWide(hostPort));
}

bool ActionsTest::LogInAlice() {
    if (actions::EnsureClientIdentity() != 1)
        return false;
    actions::CAuthAction auth;
    auth.m_UserName = u"alice";
    auth.m_Password = platform::Utf8ToWide(kPassword);
    const int prepared = auth.Prepare();
    return (prepared == 0 || prepared == actions::kLoginCaptchaNotNeeded) && auth.Execute() == 0;
}

std::vector<norvel::test::LoggedRequest> ActionsTest::RequestsTo(const std::string& path) {
    std::vector<norvel::test::LoggedRequest> found;
    for (auto& request : m_Service->Requests())
        if (request.path == path)
            found.push_back(std::move(request));
    return found;
}

std::vector<std::string> ActionsTest::BodiesTo(const std::string& path) {
    std::vector<std::string> bodies;
    for (const auto& request : RequestsTo(path))
        if (request.status != 401)  // a refusal that taught the client the service's nonce
            bodies.push_back(request.body);
    return bodies;
}

OpenedUrls::OpenedUrls() : m_Dir(norvel::test::TestRoot() + "/opened") {
    std::filesystem::create_directories(m_Dir);
    m_File = m_Dir + "/urls";
    std::filesystem::remove(m_File);
    const std::string script = m_Dir + "/open.sh";
    norvel::test::WriteFile(script, "#!/bin/sh\nprintf '%s\\n' \"$1\" >>'" + m_File + "'\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    setenv("NORVEL_OPEN_URL", script.c_str(), 1);
}

OpenedUrls::~OpenedUrls() {
    unsetenv("NORVEL_OPEN_URL");
}

std::vector<std::string> OpenedUrls::Wait(size_t count) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    std::vector<std::string> urls;
    do {
        urls.clear();
        std::istringstream lines(norvel::test::ReadFile(m_File));
        for (std::string line; std::getline(lines, line);)
            urls.push_back(line);
        if (urls.size() >= count)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } while (std::chrono::steady_clock::now() < deadline);
    return urls;
}

}  // namespace actions_test
