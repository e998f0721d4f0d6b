#include "platform/core/instance_lock.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace {

using testsupport::ScopedEnv;
using testsupport::TempDir;

class InstanceLockTest : public ::testing::Test {
 protected:
  TempDir runtime_;
  ScopedEnv env_{"XDG_RUNTIME_DIR", runtime_.path().c_str()};
};

TEST_F(InstanceLockTest, FirstHoldsSecondLearnsAnotherRunsUntilTheFirstEnds) {
  {
    plat::InstanceLock first("KORMAN7");
    EXPECT_TRUE(first.Held());
    EXPECT_FALSE(first.AnotherInstanceRuns());
    plat::InstanceLock second("KORMAN7");
    EXPECT_FALSE(second.Held());
    EXPECT_TRUE(second.AnotherInstanceRuns());
    plat::InstanceLock other("SOMEONE_ELSE");  // names do not block each other
    EXPECT_TRUE(other.Held());
  }
  plat::InstanceLock later("KORMAN7");
  EXPECT_TRUE(later.Held());
  EXPECT_TRUE(std::filesystem::exists(runtime_.path() / "KORMAN7.lock"));
}

TEST_F(InstanceLockTest, AKilledFirstInstanceNeverBlocksALaterStart) {
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    plat::InstanceLock lock("KORMAN7");
    const char held = lock.Held() ? 'y' : 'n';
    if (write(ready[1], &held, 1) != 1) _exit(1);
    for (;;) pause();
  }
  close(ready[1]);
  char held = 0;
  ASSERT_EQ(read(ready[0], &held, 1), 1);
  close(ready[0]);
  EXPECT_EQ(held, 'y');
  {
    plat::InstanceLock second("KORMAN7");
    EXPECT_TRUE(second.AnotherInstanceRuns());
  }
  kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  plat::InstanceLock afterCrash("KORMAN7");
  EXPECT_TRUE(afterCrash.Held());
}

TEST_F(InstanceLockTest, AnUnusableLockFileNeitherHoldsNorClaimsAnotherRuns) {
  // A folder where the file should be: the program runs unguarded.
  std::filesystem::create_directory(runtime_.path() / "KORMAN7.lock");
  plat::InstanceLock lock("KORMAN7");
  EXPECT_FALSE(lock.Held());
  EXPECT_FALSE(lock.AnotherInstanceRuns());
}

TEST(InstanceLockFallback, UsesAPerUserFileInTmpWithoutARuntimeFolder) {
  ScopedEnv env("XDG_RUNTIME_DIR", nullptr);
  plat::InstanceLock lock("swaymo-test-lock");
  EXPECT_TRUE(lock.Held());
  const auto file = "/tmp/swaymo-test-lock-" + std::to_string(getuid()) + ".lock";
  EXPECT_TRUE(std::filesystem::exists(file));
  plat::InstanceLock second("swaymo-test-lock");
  EXPECT_TRUE(second.AnotherInstanceRuns());
  std::filesystem::remove(file);
}

}  // namespace
