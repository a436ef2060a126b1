#include "log_header.h"

#include "environment_text.h"
#include "log/log.h"
#include "platform/system.h"
#include "platform/text.h"
#include "record_line.h"
#include "settings/registry_values.h"
#include "tools/date_text.h"

namespace {

void AppendLine(std::u16string& out, std::u16string_view label, std::u16string_view value) {
    out += label;
    AppendEscaped(value, out);
}

std::u16string Stored(std::u16string_view key, std::u16string_view name) {
    return settings::ReadString(key, name).value_or(std::u16string());
}

}  // namespace

std::u16string FormatLogHeader(const LogHeaderFacts& facts) {
    std::u16string out;
    AppendLine(out, u"[", facts.loggerName);
    AppendLine(out, u"log, DIR=", facts.logDir);
    AppendLine(out, u"]\r\n[Created Time: ", facts.createdTime);
    AppendLine(out, u"]\r\n[Login User: Name=", facts.userName);
    AppendLine(out, u", ID=", facts.userId);
    AppendLine(out, u"]\r\n[Machine: Name=", facts.computerName);
    AppendLine(out, u", ID=", facts.clientId);
    AppendLine(out, u"]\r\n[Current Log Level: ", facts.levelName);
    AppendLine(out, u"]\r\n[System Environment: ", facts.environment);
    out += u"]\r\n";
    return out;
}

std::u16string LogHeader(std::u16string_view loggerName, std::u16string_view logDir, int64_t now,
                         int mask) {
    LogHeaderFacts facts;
    facts.loggerName = loggerName;
    facts.logDir = logDir;
    facts.createdTime = tools::DateTimeText(now);
    facts.userName = Stored(settings::kFlingaKey, settings::kUserName);
    facts.userId = Stored(settings::kFlingaKey, settings::kUserId);
    facts.computerName = platform::ComputerName();
    facts.clientId = Stored(settings::kNorvelKey, settings::kClientId);
    facts.levelName = LogLevelName(mask);
    facts.environment =
        platform::Utf8ToWide(EnvironmentText(EnvironmentSources(), DefaultBrowser()));
    return FormatLogHeader(facts);
}
