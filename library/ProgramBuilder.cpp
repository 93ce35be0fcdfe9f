#include "ProgramBuilder.h"

#include <limits>

#include "model/stream/PageRecord.h"
#include "model/stream/ProgramHeader.h"
#include "model/stream/RecordKinds.h"
#include "model/stream/StreamContext.h"
#include "platform/base/ByteOrder.h"

namespace panelcast {

namespace {

constexpr uint16_t kMaxCount = std::numeric_limits<uint16_t>::max();
constexpr size_t kMaxLength = std::numeric_limits<uint32_t>::max();

uint16_t CountAt(const model::TProgramStream& stream, size_t offset) {
  return platform::LoadU16(stream.Memory() + offset);
}

}  // namespace

bool TProgramBuilder::MakeRoot(int kind, int colorMode) {
  if (kind != SendKind && kind != DownloadKind) return false;
  if (!model::ValidColorMode(colorMode)) return false;
  model::TProgramStream fresh;
  try {
    model::WriteProgramHead(fresh, uint16_t(kind), colorMode, 0, model::ProgramHeaderSize);
  } catch (...) {
    return false;
  }
  stream_ = std::move(fresh);
  root_ = 0;
  page_ = -1;
  colorMode_ = colorMode;
  model::StreamContext().SetColorMode(colorMode);
  return true;
}

bool TProgramBuilder::AddLeaf(uint32_t displayTime) {
  if (!HasRoot()) return false;
  const size_t root = size_t(root_);
  const uint16_t pages = CountAt(stream_, root + model::ProgramCountOffset);
  if (pages == kMaxCount) return false;
  const size_t start = stream_.Size();
  if (start + model::PageHeadSize > kMaxLength) return false;
  try {
    model::WritePageHead(stream_, displayTime, 0, model::PageHeadSize);
  } catch (...) {
    stream_.Truncate(start);
    return false;
  }
  page_ = int64_t(start);
  stream_.PatchU16(root + model::ProgramCountOffset, uint16_t(pages + 1));
  stream_.PatchU32(root + model::ProgramSizeOffset, uint32_t(stream_.Size() - root));
  return true;
}

bool TProgramBuilder::AddItem(const std::function<bool(model::TProgramStream&)>& write) {
  if (!HasRoot() || !HasPage()) return false;
  const size_t root = size_t(root_);
  const size_t page = size_t(page_);
  const uint16_t items = CountAt(stream_, page + model::PageCountOffset);
  if (items == kMaxCount) return false;
  const size_t start = stream_.Size();
  bool written = false;
  try {
    // The pixel writers read the colour mode from the stream context; this program's mode is
    // the one that counts, whatever ran in between.
    model::StreamContext().SetColorMode(colorMode_);
    written = write(stream_);
  } catch (...) {
    written = false;
  }
  if (!written || stream_.Size() == start || stream_.Size() - root > kMaxLength) {
    stream_.Truncate(start);
    return false;
  }
  stream_.PatchU16(page + model::PageCountOffset, uint16_t(items + 1));
  stream_.PatchU32(page + model::PageLengthOffset, uint32_t(stream_.Size() - page));
  stream_.PatchU32(root + model::ProgramSizeOffset, uint32_t(stream_.Size() - root));
  return true;
}

}  // namespace panelcast
