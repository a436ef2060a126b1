#include "support/library_per_test.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>

namespace norvel::test {
namespace {

std::unique_ptr<intake::CUploaderLibrary> g_Root;

class CLibraryPerTest final : public ::testing::EmptyTestEventListener {
public:
    void OnTestStart(const ::testing::TestInfo&) override { RenewLibrary(); }
    void OnTestEnd(const ::testing::TestInfo&) override { g_Root.reset(); }
};

// Registered when the program starts, before main runs the tests.
const bool g_Registered = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new CLibraryPerTest);
    return true;
}();

}  // namespace

void RenewLibrary(intake::LibrarySeams seams) {
    g_Root.reset();
    g_Root = std::make_unique<intake::CUploaderLibrary>(std::move(seams));
}

}  // namespace norvel::test
