// Runs the Wine unit tests in one process, with the thread set up as
// setup sets up its own.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

int main(int argc, char **argv)
{
    CoInitialize(NULL);
    InitCommonControls();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
