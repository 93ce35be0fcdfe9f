#pragma once
// Helpers of the table-control tests: the messages the table shows, table fixtures, cells by
// position.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "model/MessageBoxHook.h"
#include "model/objects/TableReport.h"
#include "model/objects/tests/ObjectsTestSupport.h"
#include "platform/base/FilePath.h"
#include "platform/base/GbkText.h"

namespace model::test {

// Records the message boxes the table shows (as UTF-8) while it lives.
class TMessageLog {
 public:
  TMessageLog()
      : scope_([this](std::string_view text, std::string_view caption, TMessageBoxIcon icon) {
          texts_.push_back(platform::GbkToUtf8(text));
          captions_.push_back(platform::GbkToUtf8(caption));
          icons_.push_back(icon);
        }) {}
  TMessageLog(const TMessageLog&) = delete;
  TMessageLog& operator=(const TMessageLog&) = delete;

  const std::vector<std::string>& Texts() const { return texts_; }
  // Every message so far had the table's caption and the exclamation icon.
  bool AllCaptioned() const {
    for (const std::string& c : captions_)
      if (c != "提示信息") return false;
    for (TMessageBoxIcon icon : icons_)
      if (icon != TMessageBoxIcon::Warning) return false;
    return true;
  }

 private:
  std::vector<std::string> texts_;
  std::vector<std::string> captions_;
  std::vector<TMessageBoxIcon> icons_;
  TMessageBoxHookScope scope_;
};

inline std::string TableFixture(const char* name) { return Fixture(std::string(name) + ".Tab"); }

// The fixture's file name as the model holds it (GBK).
inline std::string TableFixtureName(const char* name) {
  return platform::GbkPathFromOs(TableFixture(name));
}

inline TTableReportCell* CellOf(const TTableReport& t, int line, int column) {
  TTableReportLine* l = t.GetLine(line);
  return l ? l->Cell(column) : nullptr;
}

inline std::vector<uint8_t> StreamOf(const TTableReport& t) {
  platform::TMemoryStream s;
  EXPECT_TRUE(t.SaveToStream(s));
  return s.Bytes();
}

// A table of `columns` x `lines` cells `width` wide whose lines ask for `height`.
inline void Build(TTableReport& t, int columns, int lines, int width, int height) {
  t.Clear();
  ASSERT_TRUE(t.NewTable(columns, lines, width, height));
}

// The centre of a cell's rectangle.
inline std::pair<int, int> Centre(const TTableReportCell* c) {
  const platform::TRect& r = c->CellRect();
  return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
}

}  // namespace model::test
