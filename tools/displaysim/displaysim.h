/*
 * displaysim.h: the display simulator libdisplaysim.so, which the editor's preview loads by
 * name to show how a control card would play a program.
 *
 * The preview owns a drawing surface and hands it to the simulator as its "window". The
 * simulator reads the program (the bytes a card receives), plays its pages at the step time of
 * the screen's parameter block, and paints the whole screen into the surface at every step.
 *
 * One simulation runs per loaded library: a second Display_Create replaces the first. Every
 * call belongs to one thread (the preview's GUI thread). No call raises an error to its caller.
 */
#ifndef DISPLAYSIM_H
#define DISPLAYSIM_H

#include <stdint.h>

#if defined(DISPLAYSIM_BUILDING)
#define DISPLAYSIM_API __attribute__((visibility("default")))
#else
#define DISPLAYSIM_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/*
 * The surface a step paints: Height rows of Width pixels, top row first, each pixel a 32-bit
 * 0x00RRGGBB value; row y starts Stride bytes after row y - 1. Stride is a multiple of 4 and
 * at least 4 * Width. The screen is painted from the top-left corner; surface pixels beyond the
 * screen are painted black, screen pixels beyond the surface are left out.
 */
typedef struct TDisplaySurface {
  uint32_t* Pixels;
  int32_t Width;
  int32_t Height;
  int32_t Stride;
} TDisplaySurface;

/*
 * Starts a simulation, ending the one before.
 *   fontFile       the card font file; its format is unknown here and it is not read
 *   colourMode     the screen's colour mode (1-4): pictures of the full-colour pixel format
 *                  are read in this mode when the program header names neither 3 nor 4
 *   width, height  the screen's size in pixels
 *   window         the surface the steps paint (it is painted black at once)
 *   program        the program stream, programLength bytes; nothing outside them is read.
 *                  The simulator keeps its own copy, so the caller may free or change it.
 *   paramBlock     the screen's 112-byte parameter block (copied); its u16 at offset 6 is the
 *                  step time in ms, kept within 20..2000. Null: the step time is 20 ms.
 * Returns 1 when a simulation runs, 0 when none could be made (a null surface, a screen
 * larger than 65535 pixels a side, or no memory). A program that is not a program (no
 * header of kind 17 or 18) runs as a black screen.
 */
DISPLAYSIM_API int32_t Display_Create(const char* fontFile, int32_t colourMode, int32_t width,
                                      int32_t height, TDisplaySurface* window,
                                      const void* program, const void* paramBlock,
                                      uint32_t programLength);

/* Paints the current step into window and advances the simulated time by one step time.
   Returns 1 when painted, 0 without a simulation or surface. */
DISPLAYSIM_API int32_t Display_Step(TDisplaySurface* window);

/* Ends the simulation and releases everything it holds. */
DISPLAYSIM_API void Display_Destroy(void);

/* The calls as the preview looks them up. */
typedef int32_t (*TDisplayCreateProc)(const char*, int32_t, int32_t, int32_t, TDisplaySurface*,
                                      const void*, const void*, uint32_t);
typedef int32_t (*TDisplayStepProc)(TDisplaySurface*);
typedef void (*TDisplayDestroyProc)(void);

#ifdef __cplusplus
}
#endif

#endif /* DISPLAYSIM_H */
