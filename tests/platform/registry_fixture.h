#pragma once

// Points NORVEL_REGISTRY at a file of a fresh temporary folder for one test.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "support/test_env.h"

class RegistryTest : public ::testing::Test {
protected:
    static constexpr const char* kHeader = "Windows Registry Editor Version 5.00\n";

    void SetUp() override {
        const char* saved = getenv("NORVEL_REGISTRY");
        m_Saved = saved ? saved : "";
        UseFile("registry.reg");
    }
    void TearDown() override { setenv("NORVEL_REGISTRY", m_Saved.c_str(), 1); }

    // Switches to another registry file below the test's folder.
    void UseFile(const std::string& relativePath) {
        m_File = m_Dir.File(relativePath);
        setenv("NORVEL_REGISTRY", m_File.c_str(), 1);
    }
    const std::string& File() const { return m_File; }
    std::string Contents() const { return norvel::test::ReadFile(m_File); }

    norvel::test::TempDir m_Dir;

private:
    std::string m_File;
    std::string m_Saved;
};
