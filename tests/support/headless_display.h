#pragma once
// A test fixture that opens the headless display for each test and closes it
// afterwards. At a test's first failure it writes what the simulated screen
// shows and the frame of every window as PNG files under test-frames/ in the
// working folder, and prints where they are.
#include <gtest/gtest.h>

#include <memory>

namespace testsupport {

class HeadlessDisplayTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

 private:
  class FrameSaver;
  FrameSaver* saver_ = nullptr;  // owned by gtest's listener list while the test runs
};

}  // namespace testsupport
