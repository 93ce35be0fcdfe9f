/* The stub display simulator of DisplayStub.h. */
#include "DisplayStub.h"

#define STUB_API __attribute__((visibility("default")))

STUB_API int32_t Display_Create(const char* fontFile, int32_t colourMode, int32_t width, int32_t height,
                                TDisplaySurface* window, const void* program, const void* paramBlock,
                                uint32_t programLength) {
  TDisplayStubCall call = {"Display_Create", fontFile, colourMode, width, height, window, program, paramBlock,
                           programLength};
  DisplayStubCalled(&call);
  return 1;
}

#ifndef DISPLAY_STUB_CREATE_ONLY

STUB_API int32_t Display_Step(TDisplaySurface* window) {
  TDisplayStubCall call = {"Display_Step", 0, 0, 0, 0, window, 0, 0, 0};
  DisplayStubCalled(&call);
  if (!window || !window->Pixels) return 0;
  for (int32_t y = 0; y < window->Height; ++y) {
    uint32_t* row = (uint32_t*)((char*)window->Pixels + (intptr_t)y * window->Stride);
    for (int32_t x = 0; x < window->Width; ++x) row[x] = DISPLAY_STUB_COLOUR;
  }
  return 1;
}

STUB_API void Display_Destroy(void) {
  TDisplayStubCall call = {"Display_Destroy", 0, 0, 0, 0, 0, 0, 0, 0};
  DisplayStubCalled(&call);
}

#endif
