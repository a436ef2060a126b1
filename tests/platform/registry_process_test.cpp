#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <thread>
#include <vector>

#include "platform/registry.h"
#include "platform/text.h"
#include "registry_fixture.h"

using namespace platform;

namespace {

constexpr int kWrites = 200;

std::u16string Name(char writer, int i) {
    return Utf8ToWide(writer + std::to_string(i));
}

// Forks a process that writes its own values kWrites times, one after another.
pid_t StartWriter(char writer) {
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    auto key = RegistryKey::Create(u"software\\Norvel");
    bool ok = key.has_value();
    for (int i = 0; ok && i < kWrites; ++i)
        ok = key->WriteString(Name(writer, i), u"value " + Name(writer, i));
    _exit(ok ? 0 : 1);
}

// How many values of the writer the file holds; they must be its first ones, in order.
int WrittenSoFar(const std::string& text, char writer) {
    int count = 0;
    while (text.find("\"" + (writer + std::to_string(count)) + "\"=", 0) != std::string::npos)
        ++count;
    return count;
}

}  // namespace

TEST_F(RegistryTest, TwoProcessesWritingAtOnceLoseNothingAndNeverMixTheFile) {
    const pid_t writers[] = {StartWriter('A'), StartWriter('B')};
    int seenA = 0, seenB = 0, finished = 0, snapshots = 0;
    int status[2] = {-1, -1};
    while (finished < 2) {
        // Once the file exists it is never seen empty, cut short or half written.
        if (std::filesystem::exists(File())) {
            const std::string text = Contents();
            ++snapshots;
            ASSERT_EQ(text.rfind(kHeader, 0), 0u) << text;
            ASSERT_EQ(text.back(), '\n');
            // A value once seen never disappears again.
            const int a = WrittenSoFar(text, 'A'), b = WrittenSoFar(text, 'B');
            ASSERT_GE(a, seenA);
            ASSERT_GE(b, seenB);
            seenA = a;
            seenB = b;
        }
        for (int w = 0; w < 2; ++w)
            if (status[w] == -1 && waitpid(writers[w], &status[w], WNOHANG) == writers[w])
                ++finished;
    }
    EXPECT_EQ(status[0], 0);
    EXPECT_EQ(status[1], 0);
    EXPECT_GT(snapshots, 0);

    auto key = RegistryKey::Open(u"software\\Norvel");
    ASSERT_TRUE(key);
    for (char writer : {'A', 'B'})
        for (int i = 0; i < kWrites; ++i)
            ASSERT_EQ(key->ReadString(Name(writer, i)), u"value " + Name(writer, i));
}

TEST_F(RegistryTest, ThreadsWritingAndReadingAtOnce) {
    std::vector<std::thread> threads;
    for (char writer : {'A', 'B', 'C'})
        threads.emplace_back([writer] {
            auto key = RegistryKey::Create(u"software\\Norvel");
            for (int i = 0; i < 30 && key; ++i) {
                EXPECT_TRUE(key->WriteDword(Name(writer, i), static_cast<uint32_t>(i)));
                EXPECT_EQ(key->ReadDword(Name(writer, i)), static_cast<uint32_t>(i));
            }
        });
    for (auto& thread : threads)
        thread.join();
    for (char writer : {'A', 'B', 'C'})
        for (int i = 0; i < 30; ++i)
            EXPECT_EQ(RegistryKey::Open(u"software\\Norvel")->ReadDword(Name(writer, i)),
                      static_cast<uint32_t>(i));
}
