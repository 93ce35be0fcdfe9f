// Feeds arbitrary bytes to the table control as a table file. When they load, the table is laid
// out, painted and rendered, saved, loaded and saved again: the two saves must be the same bytes,
// and nothing may crash, hang or touch memory it should not.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "model/MessageBoxHook.h"
#include "model/objects/TableReport.h"
#include "platform/gfx/Canvas.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool quiet = [] {
    model::SetMessageBoxHook([](std::string_view, std::string_view, model::TMessageBoxIcon) {});
    return true;
  }();
  (void)quiet;
  platform::TMemoryStream input;
  input.Write(data, size);
  input.SetPosition(0);
  model::TTableReport table(nullptr);
  if (table.LoadFromStream(input) != model::TTableLoad::Loaded) return 0;

  platform::TBitmap view(64, 48);
  platform::TCanvas canvas(view);
  canvas.SetOrigin(-8, -8);
  if (table.GetLineCount() > 0) table.SelectCell(table.GetLine(0)->Cell(0));
  table.PaintArea(canvas, {8, 8, 72, 56});
  platform::TBitmap rendered;
  table.RenderToBitmap(rendered);

  platform::TMemoryStream first;
  table.SaveToStream(first);
  first.SetPosition(0);
  model::TTableReport again(nullptr);
  if (again.LoadFromStream(first) != model::TTableLoad::Loaded) {
    std::fprintf(stderr, "a saved table does not load\n");
    std::abort();
  }
  platform::TMemoryStream second;
  again.SaveToStream(second);
  if (first.Bytes() != second.Bytes()) {
    std::fprintf(stderr, "save -> load -> save changed the bytes\n");
    std::abort();
  }
  return 0;
}
