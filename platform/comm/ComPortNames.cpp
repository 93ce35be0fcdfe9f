#include "ComPortNames.h"

#include <cstdlib>

namespace platform {

std::string ComPortOverrideVariable(int number) { return "CORVANE_COM" + std::to_string(number); }

std::string ResolveComPort(int number) {
  if (const char* path = std::getenv(ComPortOverrideVariable(number).c_str()); path && *path) return path;
  if (number < 1) return {};
  return "/dev/ttyS" + std::to_string(number - 1);
}

}  // namespace platform
