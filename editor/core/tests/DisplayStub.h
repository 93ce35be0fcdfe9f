/*
 * A display simulator for the preview tests: libraries with the three calls (or, built with
 * DISPLAY_STUB_CREATE_ONLY, Display_Create alone) that report every call to the test program
 * that loaded them. The program defines and exports DisplayStubCalled; the stub finds it when it
 * is loaded, so the record outlives the library, which the preview unloads as it closes.
 */
#ifndef DISPLAY_STUB_H
#define DISPLAY_STUB_H

#include <stdint.h>

#include "tools/displaysim/displaysim.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct TDisplayStubCall {
  const char* Name; /* "Display_Create", "Display_Step" or "Display_Destroy" */
  /* Display_Create's arguments, in order; Window also for Display_Step. */
  const char* FontFile;
  int32_t ColourMode;
  int32_t Width;
  int32_t Height;
  TDisplaySurface* Window;
  const void* Program;
  const void* ParamBlock;
  uint32_t ProgramLength;
} TDisplayStubCall;

/* Defined by the test program. */
void DisplayStubCalled(const TDisplayStubCall* call);

/* Every step paints the whole surface in this colour (0x00RRGGBB). */
#define DISPLAY_STUB_COLOUR 0x00C08040u

#ifdef __cplusplus
}
#endif

#endif /* DISPLAY_STUB_H */
