// Child processes: results, descriptors handed over, waits with a limit, and process groups.
#include "platform/base/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

using namespace platform;

namespace {

// Everything a descriptor gives until its end.
std::string ReadAll(int fd) {
  std::string out;
  char buf[256];
  ssize_t n;
  while ((n = ::read(fd, buf, sizeof buf)) > 0) out.append(buf, size_t(n));
  return out;
}

bool GroupExists(pid_t group) { return ::kill(-group, 0) == 0 || errno != ESRCH; }

// Makes this process the reaper of orphans below it, so a grandchild whose parent died comes
// to it and can be waited for, whatever the system's first process does with orphans.
void AdoptOrphans() { ::prctl(PR_SET_CHILD_SUBREAPER, 1); }
// Reaps what is left of a group among this process's children.
void ReapGroup(pid_t group) {
  while (::waitpid(-group, nullptr, 0) > 0) {
  }
}

TEST(ChildProcess, ResultsAreTheShellsExitCodeOr128PlusTheSignal) {
  struct TCase {
    const char* script;
    int result;
  } cases[] = {{"exit 0", 0}, {"exit 3", 3}, {"kill -TERM $$", 128 + SIGTERM}};
  for (const TCase& c : cases) {
    TChildProcess child;
    ASSERT_TRUE(child.Start({"sh", "-c", c.script}));
    EXPECT_TRUE(child.WaitExit(10000)) << c.script;
    EXPECT_EQ(child.Reap(), c.result) << c.script;
    EXPECT_EQ(child.Pid(), 0);
    EXPECT_EQ(child.Reap(), -1);
  }
}

TEST(ChildProcess, AProgramThatCannotRunLeavesNothing) {
  TChildProcess child;
  std::string error;
  EXPECT_FALSE(child.Start({"/nonexistent/program"}, {}, &error));
  EXPECT_NE(error.find("/nonexistent/program"), std::string::npos);
  EXPECT_EQ(child.Pid(), 0);
  EXPECT_FALSE(child.Start({"no-such-program-in-path-4711"}));
}

TEST(ChildProcess, HandsOverDescriptorsUnderTheirNewNumbers) {
  int fds[2];
  ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
  TChildProcess child;
  TSpawnOptions options;
  options.Descriptors = {{fds[1], 3}};
  ASSERT_TRUE(
      child.Start({"sh", "-c", "echo passed >&3; { echo never >&4; } 2>/dev/null"}, options));
  ::close(fds[1]);
  EXPECT_EQ(ReadAll(fds[0]), "passed\n");
  ::close(fds[0]);
  EXPECT_NE(child.Reap(), 0);  // descriptor 4 is not open in the child
}

TEST(ChildProcess, IgnoredSignalsAreDefaultsInTheChild) {
  struct sigaction ignore {}, old{};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGTERM, &ignore, &old);
  TChildProcess child;
  const bool started = child.Start({"sh", "-c", "kill -TERM $$; exit 0"});
  ::sigaction(SIGTERM, &old, nullptr);
  ASSERT_TRUE(started);
  EXPECT_EQ(child.Reap(), 128 + SIGTERM);
}

TEST(ChildProcess, AWaitEndsAtItsLimitAndAGroupDiesTogether) {
  AdoptOrphans();
  TChildProcess child;
  TSpawnOptions options;
  options.NewProcessGroup = true;
  // The shell waits for a grandchild; both sit in the child's group.
  ASSERT_TRUE(child.Start({"sh", "-c", "sleep 600 & wait"}, options));
  const pid_t group = child.Pid();
  EXPECT_EQ(::getpgid(group), group);
  EXPECT_FALSE(child.WaitExit(30));
  EXPECT_FALSE(child.Exited());
  child.SignalGroup(SIGKILL);
  EXPECT_TRUE(child.WaitExit(10000));
  EXPECT_EQ(child.Reap(), 128 + SIGKILL);
  // The grandchild was in the group too: once it is reaped nothing is left of the group.
  ReapGroup(group);
  EXPECT_FALSE(GroupExists(group));
}

TEST(ChildProcess, DestroyingAGroupLeaderKillsWhatItStarted) {
  AdoptOrphans();
  pid_t group = 0;
  {
    TChildProcess child;
    TSpawnOptions options;
    options.NewProcessGroup = true;
    ASSERT_TRUE(child.Start({"sh", "-c", "sleep 600 & wait"}, options));
    group = child.Pid();
  }
  ReapGroup(group);
  EXPECT_FALSE(GroupExists(group));
}

}  // namespace
