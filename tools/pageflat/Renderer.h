#pragma once
// What turns a document into page pictures. pageflat's serve and pages modes run over this
// interface: the program renders with LibreOffice (OfficeRenderer.h), the tests' fake converter
// with a renderer of its own.
#include <poll.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/gfx/Bitmap.h"

namespace pageflat {

// How a render ended; the values are the exit codes of pages mode.
enum class TRenderStatus : int {
  Done = 0,
  ToolsMissing = 2,  // LibreOffice or pdftoppm cannot run
  NotConverted = 3,  // the document cannot be opened or converted (or took too long)
  PageFailed = 4,    // a page cannot be rendered
  Cancelled = 5,     // one of the watched descriptors reported (the editor went, a signal)
};

// Takes page `index` (from 1), a 24-bit picture of the asked size; false stops the pages.
using TPageSink = std::function<bool(int index, platform::TBitmap& page)>;

class TRenderer {
 public:
  virtual ~TRenderer() = default;
  // Renders the pages of the document (an OS path) at width x height pixels, at most
  // `maxPages` of them (0: all), and hands each to `sink` in order. Any event on one of
  // `watch` (poll() descriptors; events 0 still reports a hang-up) cancels the render.
  virtual TRenderStatus Render(const std::string& document, int width, int height, int maxPages,
                               const std::vector<pollfd>& watch, const TPageSink& sink) = 0;
};

}  // namespace pageflat
