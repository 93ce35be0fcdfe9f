#pragma once
// Helpers the image-format tests share. The drawing layer's test helpers (fixture files, PNM
// oracles, pixel comparison, temporary folders) are used as they are.
#include <exception>
#include <functional>
#include <string>

#include "platform/gfx/tests/PnmFile.h"
#include "platform/gfx/tests/TempDir.h"

namespace imagingtest {

// The text of the exception `f` throws; "(no exception)" when it throws none.
inline std::string ErrorText(const std::function<void()>& f) {
  try {
    f();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "(no exception)";
}

}  // namespace imagingtest
