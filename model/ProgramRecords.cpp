#include "ProgramRecords.h"

#include <vector>

#include "model/stream/ProgramHeader.h"
#include "model/stream/StreamContext.h"
#include "platform/component/ClassInfo.h"

namespace model {

namespace {

const platform::TPropInfo* RecordSelfProperty(const platform::TObject& object) {
  const platform::TPropInfo* p = object.ClassInfo().FindProperty("RecordSelf");
  return p && p->IsStream() ? p : nullptr;
}

}  // namespace

bool PublishesRecordSelf(const platform::TObject& object) {
  return RecordSelfProperty(object) != nullptr;
}

bool SetRecordSelf(platform::TObject& object, TProgramStream& stream) {
  const platform::TPropInfo* p = RecordSelfProperty(object);
  return p && p->SetStream(object, &stream);
}

bool WriteProgramRecords(TLEDScreen& screen, uint16_t kind, TProgramStream& stream,
                         int colorMode) {
  if (!ValidColorMode(colorMode)) return false;
  std::vector<TRecordWriter> pages;
  for (TLeaf* page : screen.Pages())
    if (PublishesRecordSelf(*page))
      pages.push_back([page](TProgramStream& s) { SetRecordSelf(*page, s); });
  return WriteProgramHeader(kind, colorMode, pages, stream);
}

}  // namespace model
