// The fixture of setup's in-process tests.
#ifndef TARNWICK_STATE_TEST_H
#define TARNWICK_STATE_TEST_H

#include <gtest/gtest.h>

#include <string>

// A test that starts from a zeroed setup state, in a fresh directory of its
// own (dir) that is also the current directory.
class StateTest : public testing::Test {
protected:
    std::string dir;
    void SetUp() override;
    void TearDown() override;
};

#endif
