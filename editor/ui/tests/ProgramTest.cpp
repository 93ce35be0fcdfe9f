// The real program, offscreen, in a program directory of the test's own: it starts, opens the
// project named on its command line, runs its first show, and ends with exit status 0 on
// SIGTERM, its keys saved.
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "editor/core/tests/Fakes.h"
#include "editor/core/tests/Projects.h"
#include "platform/base/SettingsFile.h"

extern char** environ;

namespace {

constexpr int Generous = 30000;  // ms; the splash alone stands 3 s

// Waits (on inotify, without polling the clock) until a file of `folder` named `name` has been
// read and closed, or the limit passes.
bool WaitForRead(const std::string& folder, const std::string& name) {
  int fd = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  inotify_add_watch(fd, folder.c_str(), IN_CLOSE_NOWRITE);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(Generous);
  bool read = false;
  while (!read && std::chrono::steady_clock::now() < deadline) {
    pollfd p{fd, POLLIN, 0};
    ::poll(&p, 1, 1000);
    alignas(inotify_event) char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) {
      for (char* at = buffer; at < buffer + n;) {
        const auto* event = reinterpret_cast<const inotify_event*>(at);
        if (event->len > 0 && name == event->name) read = true;
        at += sizeof(inotify_event) + event->len;
      }
    }
  }
  ::close(fd);
  return read;
}

TEST(CorvaneProgram, EndsWithStatusZeroOnSigtermAfterWritingItsKeys) {
  editor::test::TTempFolder dir;
  dir.Write("Tips.txt", "first tip\r\nsecond tip\r\n");
  editor::test::PrepareModel();
  ASSERT_TRUE(editor::test::WriteProject(dir.File("show.fmt"), {2, 1}, "show"));
  dir.Write("Param.ini", "[Auto Save]\r\nFiles=" + dir.File("old.fmt") + "\r\n");

  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    std::string entry = *e;
    if (entry.rfind("QT_QPA_PLATFORM=", 0) != 0 && entry.rfind("CORVANE_PROGRAM_DIR=", 0) != 0 &&
        entry.rfind("CORVANE_ONLINE_PORT=", 0) != 0)
      env.push_back(entry);
  }
  env.push_back("QT_QPA_PLATFORM=offscreen");
  env.push_back("CORVANE_ONLINE_PORT=0");  // any free port: tests never hold the real one
  env.push_back("CORVANE_PROGRAM_DIR=" + dir.Path());
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string program = CORVANE_PROGRAM;
  // Opened from the command line; it becomes the most recent file only if it loaded.
  std::string p = "p", show = dir.File("show.fmt");
  char* argv[] = {program.data(), p.data(), show.data(), nullptr};

  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, envp.data()), 0);
  // The first show loads the project named.
  const bool shown = WaitForRead(dir.Path(), "show.fmt");
  ::kill(pid, SIGTERM);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(shown);
  ASSERT_TRUE(WIFEXITED(status)) << "signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  EXPECT_EQ(WEXITSTATUS(status), 0);

  // Every key of the run was saved as it ended.
  const platform::TSettingsFile settings(dir.File("Param.ini"));
  EXPECT_EQ(settings.ReadInteger("Param", "Tip", -1), 1);
  for (const char* key : {"Maximized", "Left", "Top", "Width", "Height", "ObjectList Height", "Menu Three Left",
                          "Menu Three Top"})
    EXPECT_TRUE(settings.ValueExists("Param", key)) << key;
  EXPECT_EQ(settings.ReadString("Auto Save", "Files", ""), dir.File("show.fmt") + "," + dir.File("old.fmt"));
}

}  // namespace
