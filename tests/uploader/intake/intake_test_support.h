#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "fake_ui.h"
#include "platform/message_loop.h"
#include "support/test_env.h"

namespace intake_test {

// Each test starts with its own settings file, empty caches, cleared flags and counters,
// no windows, no tasks and task ids counting from 10001 again. The test's own thread is
// the user-interface thread: the fake windows live on a loop it pumps with Pump().
// The install path is the test folder, so the saved task list is <dir>/Flinga/uploader.dat.
class IntakeTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs the messages posted to the fake windows so far.
    void Pump() { m_Loop.ProcessPending(); }

    // Writes a file with the given bytes below the test folder (folders made as needed)
    // and returns its full path.
    std::u16string MakeFile(const std::string& relative, const std::string& bytes = "data");
    std::u16string MakeFolder(const std::string& relative);
    std::u16string PathOf(const std::string& relative) const;
    // The account figures, as the user-information reply sets them.
    static void SetMaxFileSize(std::u16string_view bytes);
    void SetSyncFolder(const std::u16string& folder);

    norvel::test::TempDir m_Dir;
    platform::QueueMessageLoop m_Loop;
    FakeUi m_Ui{m_Loop};
};

}  // namespace intake_test
