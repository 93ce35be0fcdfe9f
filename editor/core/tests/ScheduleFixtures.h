#pragma once
// The schedule and list files of make_schedules.py in fixtures/, for the tests of this folder.
#include <gtest/gtest.h>

#include <string>

#include "platform/base/AtomicFile.h"

namespace editor::test {

inline std::string FixturePath(const std::string& name) { return std::string(CORVANE_FIXTURES) + "/" + name; }

// The whole file; a test failure when it cannot be read.
inline std::string ReadFixture(const std::string& name) {
  std::string content;
  EXPECT_TRUE(platform::ReadWholeFile(FixturePath(name), content)) << name;
  return content;
}

}  // namespace editor::test
