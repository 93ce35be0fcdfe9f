#pragma once
// Serial ports are named "COM" + n, as users and stored settings know them. On this system COMn
// is /dev/ttyS(n-1) unless the environment variable CORVANE_COM<n> names another device (a USB
// adapter such as /dev/ttyUSB0, or a pseudo-terminal in tests).
#include <string>

namespace platform {

// The device path of port n, or "" when n names no port (n < 1 without an override).
std::string ResolveComPort(int number);

// The name of the environment variable that overrides port n: "CORVANE_COM" + n.
std::string ComPortOverrideVariable(int number);

}  // namespace platform
