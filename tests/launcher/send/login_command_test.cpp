#include "send/login_command.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "send/exit_codes.h"

using namespace send;
using actions::CommandLineLoginOutcome;
using actions::CommandLineLoginResult;

namespace {

// The login steps answer from a script, one result per call, and note what they got.
struct Call {
    std::u16string name, password, captcha, captchaId;
};

class LoginCommandTest : public ::testing::Test {
protected:
    int Run(std::vector<CommandLineLoginResult> answers,
            std::vector<std::optional<std::string>> captchas = {}) {
        m_Answers = std::move(answers);
        m_Captchas = std::move(captchas);
        const LoginSteps login = [this](std::u16string_view name, std::u16string_view password,
                                        std::u16string_view captcha,
                                        std::u16string_view captchaId) {
            m_Calls.push_back({std::u16string(name), std::u16string(password),
                               std::u16string(captcha), std::u16string(captchaId)});
            return m_Answers.at(m_Calls.size() - 1);
        };
        const CaptchaReader read = [this](const std::string& url) -> std::optional<std::string> {
            m_CaptchaUrls.push_back(url);
            return m_CaptchaUrls.size() <= m_Captchas.size() ? m_Captchas[m_CaptchaUrls.size() - 1]
                                                             : std::nullopt;
        };
        return RunLogin(login, read, "张三", "密码 with blanks", m_Err);
    }

    static CommandLineLoginResult Answer(CommandLineLoginOutcome outcome) {
        CommandLineLoginResult result;
        result.outcome = outcome;
        return result;
    }
    static CommandLineLoginResult Captcha(const std::string& url, const std::string& id) {
        CommandLineLoginResult result = Answer(CommandLineLoginOutcome::CaptchaRequired);
        result.captchaUrl = std::u16string(url.begin(), url.end());
        result.captchaId = std::u16string(id.begin(), id.end());
        return result;
    }
    bool Said(const std::string& text) const { return m_Err.str().find(text) != std::string::npos; }

    std::vector<CommandLineLoginResult> m_Answers;
    std::vector<std::optional<std::string>> m_Captchas;
    std::vector<Call> m_Calls;
    std::vector<std::string> m_CaptchaUrls;
    std::ostringstream m_Err;
};

}  // namespace

TEST_F(LoginCommandTest, TheTypedTextsReachTheStepsAsUtf16) {
    EXPECT_EQ(Run({Answer(CommandLineLoginOutcome::LoggedIn)}), kExitOk);
    ASSERT_EQ(m_Calls.size(), 1u);
    EXPECT_EQ(m_Calls[0].name, u"张三");
    EXPECT_EQ(m_Calls[0].password, u"密码 with blanks");
    EXPECT_TRUE(m_Calls[0].captcha.empty());
    EXPECT_TRUE(Said("logged in as 张三"));
}

TEST_F(LoginCommandTest, ACaptchaIsShownAndItsTextSentWithItsId) {
    EXPECT_EQ(
        Run({Captcha("http://127.0.0.1/c.png", "id-1"), Answer(CommandLineLoginOutcome::LoggedIn)},
            {"k7x2"}),
        kExitOk);
    EXPECT_EQ(m_CaptchaUrls, std::vector<std::string>{"http://127.0.0.1/c.png"});
    ASSERT_EQ(m_Calls.size(), 2u);
    EXPECT_EQ(m_Calls[1].captcha, u"k7x2");
    EXPECT_EQ(m_Calls[1].captchaId, u"id-1");
    EXPECT_EQ(m_Calls[1].password, u"密码 with blanks");
}

TEST_F(LoginCommandTest, CaptchasEndWhenNoTextIsGivenOrAfterThreeTries) {
    EXPECT_EQ(Run({Captcha("u", "1")}, {std::nullopt}), kExitLoginRefused);
    EXPECT_EQ(m_Calls.size(), 1u);
    EXPECT_TRUE(Said("wants a captcha"));

    m_Calls.clear();
    m_CaptchaUrls.clear();
    EXPECT_EQ(Run({Captcha("u", "1"), Captcha("u", "2"), Captcha("u", "3"), Captcha("u", "4")},
                  {"a", "b", "c", "d"}),
              kExitLoginRefused);
    EXPECT_EQ(m_Calls.size(), 4u);  // the first try and three with a captcha
}

TEST_F(LoginCommandTest, EachFailureHasItsStatusAndReason) {
    CommandLineLoginResult wrong = Answer(CommandLineLoginOutcome::WrongPassword);
    wrong.errorText = u"密码错误";
    EXPECT_EQ(Run({wrong}), kExitLoginRefused);
    EXPECT_TRUE(Said("wrong account or password (密码错误)")) << m_Err.str();

    m_Calls.clear();
    EXPECT_EQ(Run({Answer(CommandLineLoginOutcome::TryAgain)}), kExitServiceFailed);
    m_Calls.clear();
    EXPECT_EQ(Run({Answer(CommandLineLoginOutcome::NoClientIdentity)}), kExitServiceFailed);
    EXPECT_TRUE(Said("client identity"));
    m_Calls.clear();
    EXPECT_EQ(Run({Answer(CommandLineLoginOutcome::ServiceError)}), kExitServiceFailed);
    m_Calls.clear();
    EXPECT_EQ(Run({Answer(CommandLineLoginOutcome::NotSaved)}), kExitFailed);
    EXPECT_TRUE(Said("could not be stored"));
}
