// Several threads parsing and looking up at once: the library keeps no shared mutable
// state (no locale switch; code-page conversions per thread; the shared empty member
// is only read).

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "json/json.h"

using namespace Script;

TEST(JsonConcurrency, ParallelParsesAndMissingLookups) {
    const std::string reply = R"({"errno":0,"name":"\u4e2d\u6587","list":[1,2,{"a":"\t"}]})";
    constexpr int kThreads = 4;
    constexpr int kRounds = 200;
    std::vector<std::string> results(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kRounds; ++i) {
                std::unique_ptr<JsonObject> tree(Parse(reply.data(), int(reply.size())));
                std::string text = tree->GetMember("name").GetValue()->GetString();
                try {
                    (void)tree->GetMember("missing").GetValue();
                } catch (const JsonUnsupportException&) {
                    text += "|missing";
                }
                results[t] = text + "|" + tree->ToString();
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    const std::string expected =
        "\xD6\xD0\xCE\xC4|missing|"
        R"({ "errno" : "0" , "list" : [ "1" , "2" , { "a" : "\t" } ] , "name" : ")"
        "\xD6\xD0\xCE\xC4\" }";
    for (const auto& result : results)
        EXPECT_EQ(result, expected);
}
