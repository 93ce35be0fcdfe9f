#include "platform/base/StopRequest.h"

#include <gtest/gtest.h>

namespace {

using std::chrono::seconds;
using std::chrono::steady_clock;

TEST(StopRequest, IsOverdueOnceItHasWaitedAQuarterOfASecond) {
  platform::ClearStopRequest();
  EXPECT_FALSE(platform::StopRequested());
  EXPECT_FALSE(platform::StopOverdue());
  platform::RequestStop();
  EXPECT_TRUE(platform::StopRequested());
  EXPECT_FALSE(platform::StopOverdue());
  // A later signal does not make the first request younger or older.
  platform::RequestStopAt(steady_clock::now() - seconds(5));
  EXPECT_FALSE(platform::StopOverdue());
  platform::ClearStopRequest();
  platform::RequestStopAt(steady_clock::now() - seconds(1));
  EXPECT_TRUE(platform::StopOverdue());
  platform::RequestStop();
  EXPECT_TRUE(platform::StopOverdue());
  platform::ClearStopRequest();
  EXPECT_FALSE(platform::StopRequested());
}

}  // namespace
