#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/text.h"
#include "settings/log_sink.h"
#include "settings/settings.h"
#include "support/test_env.h"

// Each test starts from an empty settings file and empty caches, and records what the
// settings store reports through its log sink.
class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("NORVEL_REGISTRY", m_Dir.File("registry.reg").c_str(), 1);
        settings::ResetCaches();
        settings::SetHostProgramPath(platform::Utf8ToWide(m_Dir.File("Flinga/Norvel_Flinga")));
        s_Reports.clear();
        settings::SetLogSink(&SettingsTest::Record);
    }
    void TearDown() override {
        settings::SetLogSink(nullptr);
        settings::ResetCaches();
    }

    // The store may report from several threads at once (the concurrency test).
    static void Record(std::string_view event, std::string_view cause) {
        const std::lock_guard lock(s_ReportsLock);
        s_Reports.push_back(std::string(event) + "|" + std::string(cause));
    }

    static platform::RegistryKey Key(std::u16string_view path) {
        return *platform::RegistryKey::Create(path);
    }

    norvel::test::TempDir m_Dir;
    static inline std::mutex s_ReportsLock;
    static inline std::vector<std::string> s_Reports;
};
