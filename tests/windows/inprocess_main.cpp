// Entry point of the suites that drive the program's classes inside the test process.
#include <gtest/gtest.h>

#include "framework/afxwin.h"

int main(int argc, char** argv)
{
    // The application object gives every box its caption, as in the program.
    CWinApp app("TARNSKOV");
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
