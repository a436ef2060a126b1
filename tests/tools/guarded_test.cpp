#include "tools/guarded.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

// A value that a torn copy would show: both fields are always written together.
struct Pair {
    std::string name;
    int number = 0;
};

// Readers never see half of a Set, and changes made with With() from several threads
// are all kept. Run under ThreadSanitizer, any access outside the lock is reported.
TEST(GuardedTest, ConcurrentSetsGetsAndChangesStayWhole) {
    tools::Guarded<Pair> holder(Pair{"0", 0});
    constexpr int kRounds = 2000;
    constexpr int kChangers = 3;

    std::thread writer([&] {
        for (int i = 1; i <= kRounds; ++i)
            holder.Set(Pair{std::string(size_t(i % 64) + 1, 'x') + std::to_string(i), i});
    });
    std::thread reader([&] {
        for (int i = 0; i < kRounds; ++i) {
            const Pair seen = holder.Get();
            const std::string tail = std::to_string(seen.number);
            ASSERT_TRUE(seen.name.ends_with(tail)) << seen.name << " / " << seen.number;
        }
    });
    writer.join();
    reader.join();

    tools::Guarded<int> count;
    std::vector<std::thread> changers;
    for (int t = 0; t < kChangers; ++t)
        changers.emplace_back([&] {
            for (int i = 0; i < kRounds; ++i)
                count.With([](int& value) { ++value; });
        });
    for (std::thread& changer : changers)
        changer.join();
    EXPECT_EQ(count.Get(), kChangers * kRounds);
    EXPECT_EQ(count.With([](const int& value) { return value * 2; }), 2 * kChangers * kRounds);
}

}  // namespace
