// Entry point of the suites that drive the launcher as a real process.
#include <gtest/gtest.h>

#include "testkit.h"

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    // A suite that died earlier may have left a launcher or a box behind.
    testkit::KillAll("tarnskov.exe");
    return RUN_ALL_TESTS();
}
