#include "platform/comm/ComPortNames.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace platform;

TEST(ComPortNames, NumbersMapToTtySUnlessOverridden) {
  ::unsetenv("CORVANE_COM1");
  ::unsetenv("CORVANE_COM12");
  EXPECT_EQ(ResolveComPort(1), "/dev/ttyS0");
  EXPECT_EQ(ResolveComPort(12), "/dev/ttyS11");
  EXPECT_EQ(ResolveComPort(0), "");
  EXPECT_EQ(ResolveComPort(-3), "");

  EXPECT_EQ(ComPortOverrideVariable(12), "CORVANE_COM12");
  ::setenv("CORVANE_COM12", "/dev/ttyUSB0", 1);
  EXPECT_EQ(ResolveComPort(12), "/dev/ttyUSB0");
  EXPECT_EQ(ResolveComPort(1), "/dev/ttyS0");  // only the named port changes
  ::setenv("CORVANE_COM12", "", 1);            // an empty override is no override
  EXPECT_EQ(ResolveComPort(12), "/dev/ttyS11");
  ::unsetenv("CORVANE_COM12");
}
