#include "intake_test_support.h"

#include <stdlib.h>
#include <filesystem>

#include "intake/intake_ui.h"
#include "intake/queue.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "settings/registry_values.h"
#include "settings/settings.h"

namespace intake_test {

void IntakeTest::SetUp() {
    setenv("NORVEL_REGISTRY", m_Dir.File("registry.reg").c_str(), 1);
    settings::ResetCaches();
    settings::SetHostProgramPath(platform::Utf8ToWide(m_Dir.File("Flinga/Norvel_Flinga")));
    // The library's root is fresh (support/library_per_test.h): nobody is logged in, and
    // without a login confirmation a saved login can never be confirmed.
    SetMaxFileSize(u"1000000");
    intake::SetIntakeUi(&m_Ui);
}

void IntakeTest::TearDown() {
    intake::StopQueue();  // before the fake interface goes
    intake::SetIntakeUi(nullptr);
    settings::ResetCaches();
}

std::u16string IntakeTest::PathOf(const std::string& relative) const {
    return platform::Utf8ToWide(m_Dir.File(relative));
}

std::u16string IntakeTest::MakeFile(const std::string& relative, const std::string& bytes) {
    const std::string path = m_Dir.File(relative);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    norvel::test::WriteFile(path, bytes);
    return platform::Utf8ToWide(path);
}

std::u16string IntakeTest::MakeFolder(const std::string& relative) {
    std::filesystem::create_directories(m_Dir.File(relative));
    return PathOf(relative);
}

void IntakeTest::SetMaxFileSize(std::u16string_view bytes) {
    settings::SetMaxFileSize(bytes);
}

void IntakeTest::SetSyncFolder(const std::u16string& folder) {
    platform::RegistryKey::Create(settings::kFerronKey)->WriteString(settings::kSyncFolder, folder);
    settings::ResetCaches();
    SetMaxFileSize(u"1000000");
}

}  // namespace intake_test
