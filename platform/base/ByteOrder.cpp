#include "ByteOrder.h"

#include <cstring>

namespace platform {

const uint8_t* TByteReader::Take(size_t count) {
  if (!ok_ || count > data_.size() - pos_) {
    ok_ = false;
    return nullptr;
  }
  const uint8_t* p = data_.data() + pos_;
  pos_ += count;
  return p;
}

uint8_t TByteReader::U8() {
  const uint8_t* p = Take(1);
  return p ? p[0] : 0;
}

uint16_t TByteReader::U16() {
  const uint8_t* p = Take(2);
  return p ? LoadU16(p) : 0;
}

uint32_t TByteReader::U32() {
  const uint8_t* p = Take(4);
  return p ? LoadU32(p) : 0;
}

int32_t TByteReader::I32() { return int32_t(U32()); }

TSystemTime TByteReader::SystemTime() {
  TSystemTime t;
  const uint8_t* p = Take(TSystemTime::Size);
  if (!p) return t;
  t.wYear = LoadU16(p);
  t.wMonth = LoadU16(p + 2);
  t.wDayOfWeek = LoadU16(p + 4);
  t.wDay = LoadU16(p + 6);
  t.wHour = LoadU16(p + 8);
  t.wMinute = LoadU16(p + 10);
  t.wSecond = LoadU16(p + 12);
  t.wMilliseconds = LoadU16(p + 14);
  return t;
}

bool TByteReader::Read(void* dest, size_t count) {
  const uint8_t* p = Take(count);
  if (!p) return false;
  if (count) std::memcpy(dest, p, count);
  return true;
}

bool TByteReader::Skip(size_t count) { return Take(count) != nullptr; }

bool TByteReader::Seek(size_t position) {
  if (!ok_ || position > data_.size()) {
    ok_ = false;
    return false;
  }
  pos_ = position;
  return true;
}

uint8_t* TByteWriter::Take(size_t count) {
  if (!ok_ || count > data_.size() - pos_) {
    ok_ = false;
    return nullptr;
  }
  uint8_t* p = data_.data() + pos_;
  pos_ += count;
  return p;
}

bool TByteWriter::U8(uint8_t v) {
  uint8_t* p = Take(1);
  if (p) *p = v;
  return p != nullptr;
}

bool TByteWriter::U16(uint16_t v) {
  uint8_t* p = Take(2);
  if (p) StoreU16(p, v);
  return p != nullptr;
}

bool TByteWriter::U32(uint32_t v) {
  uint8_t* p = Take(4);
  if (p) StoreU32(p, v);
  return p != nullptr;
}

bool TByteWriter::SystemTime(const TSystemTime& t) {
  uint8_t* p = Take(TSystemTime::Size);
  if (!p) return false;
  const uint16_t fields[8] = {t.wYear, t.wMonth,  t.wDayOfWeek, t.wDay,
                              t.wHour, t.wMinute, t.wSecond,    t.wMilliseconds};
  for (int i = 0; i < 8; ++i) StoreU16(p + 2 * i, fields[i]);
  return true;
}

bool TByteWriter::Write(const void* src, size_t count) {
  uint8_t* p = Take(count);
  if (!p) return false;
  if (count) std::memcpy(p, src, count);
  return true;
}

void AppendU8(std::vector<uint8_t>& out, uint8_t v) { out.push_back(v); }

void AppendU16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}

void AppendU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

void AppendSystemTime(std::vector<uint8_t>& out, const TSystemTime& t) {
  uint8_t buf[TSystemTime::Size];
  TByteWriter(buf, sizeof buf).SystemTime(t);
  out.insert(out.end(), buf, buf + sizeof buf);
}

}  // namespace platform
