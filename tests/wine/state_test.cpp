#include "state_test.h"

#include <string.h>

#include "setup/shell/state.h"
#include "wine_test_util.h"

void StateTest::SetUp()
{
    memset(&gState, 0, sizeof gState);
    gState.hInstance = GetModuleHandleA(NULL);
    dir = FreshDir(testing::UnitTest::GetInstance()->current_test_info()->name());
    SetCurrentDirectoryA(dir.c_str());
    DrainQueue();
}

void StateTest::TearDown()
{
    DrainQueue();
    char tmp[MAX_PATH];
    GetTempPathA(sizeof tmp, tmp);
    SetCurrentDirectoryA(tmp);
}
