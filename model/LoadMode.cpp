#include "LoadMode.h"

namespace model {

namespace {
int gLoadMode = LoadModeStart;
}  // namespace

int LoadMode() { return gLoadMode; }
void SetLoadMode(int mode) { gLoadMode = mode; }

}  // namespace model
