#pragma once
// Helpers shared by the table control's units (TableReport, TablePainting, TableInput,
// TableFile); not for other users of the control.
#include <cstdint>
#include <string>
#include <string_view>

#include "model/objects/TableReport.h"
#include "platform/gfx/Geometry.h"

namespace model::table_detail {

// Every coordinate the layout makes stays within this, so adding a width, a pen or one pixel
// never overflows.
constexpr int32_t kMaxCoord = 1 << 30;

int32_t ClampCoord(int64_t v);
// The smallest rectangle holding both; an empty one adds nothing.
platform::TRect Union(const platform::TRect& a, const platform::TRect& b);
platform::TRect Inflate(const platform::TRect& r, int by);
// A rectangle holding the whole table, for repainting everything.
platform::TRect Everything();
// A text cut to MaxTextBytes on a character boundary.
std::string CapText(std::string_view gbk);
// The DrawText flags of a cell's text: edit-control rules, word breaks, the alignment.
unsigned TextFlags(uint32_t horzAlign);
// The cell's rectangle grown by what its painting reaches beyond it.
platform::TRect PaintedRect(const TTableReportCell& cell);
// Keeps margins and texts of page settings within the control's limits.
void KeepSettingsInRange(TTableSettings& settings);

}  // namespace model::table_detail

namespace model {

// Counts nested edits so that one operation reports the modified state once, at its end.
class TTableReport::TEditScope {
 public:
  explicit TEditScope(TTableReport& table) : table_(table) { ++table_.editDepth_; }
  ~TEditScope() {
    if (--table_.editDepth_ == 0) table_.ReportModified();
  }
  TEditScope(const TEditScope&) = delete;
  TEditScope& operator=(const TEditScope&) = delete;

 private:
  TTableReport& table_;
};

}  // namespace model
