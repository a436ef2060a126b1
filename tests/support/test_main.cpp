#include <gmock/gmock.h>

#include "support/test_env.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleMock(&argc, argv);
    norvel::test::InstallIsolatedEnvironment();
    return RUN_ALL_TESTS();
}
