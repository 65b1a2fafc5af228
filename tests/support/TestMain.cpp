// The main of every test program: the tests run in a home of their own.

#include "support/TestHome.h"

#include <gtest/gtest.h>
#include <memory>

int main(int argc, char** argv)
{
    // Before anything reads the environment, Google Test's flags included.
    auto home = std::make_unique<support::TestHome>();
    ::testing::InitGoogleTest(&argc, argv);
    // Google Test owns its environments from here on.
    ::testing::AddGlobalTestEnvironment(home.release());
    return RUN_ALL_TESTS();
}
