// The Qt tests' main: one application object for the whole binary, offscreen unless the
// environment says otherwise.
#include <gtest/gtest.h>

#include "editor/ui/Corvane.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  editor::ui::TGuiApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
