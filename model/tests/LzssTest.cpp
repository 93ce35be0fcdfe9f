// The LZSS packer: the known vectors, an outside decoder (libmspack's SZDD reader in its QBasic
// mode, which reads this very format) as the oracle, a brute-force check of every match
// decision, and the decoder's handling of truncated and odd input.
#include "model/Lzss.h"

#include <gtest/gtest.h>
#include <mspack.h>

#include <cstdarg>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/GbkText.h"

using namespace model;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes B(std::string_view s) { return Bytes(s.begin(), s.end()); }

// Fills a buffer with `data` and rewinds it.
void Fill(TDFMStream& s, const Bytes& data) {
  s.Write(data.data(), int32_t(data.size()));
  s.SetPosition(0);
}

Bytes Contents(const TDFMStream& s) { return Bytes(s.Memory(), s.Memory() + s.Size()); }

Bytes Pack(const Bytes& data) {
  TDFMStream in, out;
  Fill(in, data);
  EXPECT_TRUE(LzssEncode(in, out));
  EXPECT_EQ(in.Position(), in.Size());
  return Contents(out);
}

Bytes Unpack(const Bytes& data) {
  TDFMStream in, out;
  Fill(in, data);
  EXPECT_TRUE(LzssDecode(in, out));
  return Contents(out);
}

std::string Hex(const Bytes& b) {
  std::string s;
  char buf[4];
  for (uint8_t c : b) {
    std::snprintf(buf, sizeof buf, "%s%02X", s.empty() ? "" : " ", c);
    s += buf;
  }
  return s;
}

// ---- libmspack over memory -----------------------------------------------------------------

// The "file names" handed to libmspack are pointers to these.
struct TMemFile {
  Bytes* Data;
  size_t Pos = 0;
};

mspack_file* MemOpen(mspack_system*, const char* name, int mode) {
  auto* spec = reinterpret_cast<TMemFile*>(const_cast<char*>(name));
  auto* f = new TMemFile{spec->Data, 0};
  if (mode == MSPACK_SYS_OPEN_WRITE) f->Data->clear();
  return reinterpret_cast<mspack_file*>(f);
}
void MemClose(mspack_file* f) { delete reinterpret_cast<TMemFile*>(f); }
int MemRead(mspack_file* file, void* buffer, int bytes) {
  auto* f = reinterpret_cast<TMemFile*>(file);
  size_t n = std::min(size_t(bytes), f->Data->size() - f->Pos);
  std::memcpy(buffer, f->Data->data() + f->Pos, n);
  f->Pos += n;
  return int(n);
}
int MemWrite(mspack_file* file, void* buffer, int bytes) {
  auto* f = reinterpret_cast<TMemFile*>(file);
  auto* p = static_cast<uint8_t*>(buffer);
  f->Data->insert(f->Data->end(), p, p + bytes);
  return bytes;
}
int MemSeek(mspack_file* file, off_t offset, int mode) {
  auto* f = reinterpret_cast<TMemFile*>(file);
  off_t base = mode == MSPACK_SYS_SEEK_START ? 0
               : mode == MSPACK_SYS_SEEK_CUR ? off_t(f->Pos)
                                             : off_t(f->Data->size());
  if (base + offset < 0 || size_t(base + offset) > f->Data->size()) return -1;
  f->Pos = size_t(base + offset);
  return 0;
}
off_t MemTell(mspack_file* file) { return off_t(reinterpret_cast<TMemFile*>(file)->Pos); }
void MemMessage(mspack_file*, const char*, ...) {}
void* MemAlloc(mspack_system*, size_t bytes) { return std::malloc(bytes); }
void MemFree(void* p) { std::free(p); }
void MemCopy(void* src, void* dest, size_t bytes) { std::memmove(dest, src, bytes); }

mspack_system gMemSystem = {MemOpen, MemClose,  MemRead,  MemWrite, MemSeek, MemTell,
                            MemMessage, MemAlloc, MemFree, MemCopy, nullptr};

// Unpacks our packed bytes with libmspack: an SZDD file in the QBasic form (its signature,
// the unpacked length, then the packed data).
Bytes MspackUnpack(const Bytes& packed, size_t length) {
  Bytes file = {0x53, 0x5A, 0x20, 0x88, 0xF0, 0x27, 0x33, 0xD1};
  for (int i = 0; i < 4; ++i) file.push_back(uint8_t(length >> (8 * i)));
  file.insert(file.end(), packed.begin(), packed.end());
  Bytes result;
  TMemFile in{&file}, out{&result};
  msszdd_decompressor* d = mspack_create_szdd_decompressor(&gMemSystem);
  int err = d->decompress(d, reinterpret_cast<const char*>(&in), reinterpret_cast<const char*>(&out));
  mspack_destroy_szdd_decompressor(d);
  EXPECT_EQ(err, MSPACK_ERR_OK);
  return result;
}

// ---- brute-force check of the packer's choices ---------------------------------------------

// Replays the packer's run from its input and output with the tree replaced by a plain set of
// the positions it holds, and checks that every item took the longest match any of them
// offered (capped at the look-ahead): a literal where none reached 3 bytes, otherwise a
// reference of exactly that length to a position of the set that matches that far.
void CheckLongestMatches(const Bytes& input, const Bytes& packed) {
  using namespace lzss;
  const int N = kRingSize, F = kMaxMatch;
  std::vector<uint8_t> text(N + F - 1, 0);
  std::vector<bool> held(N, false);
  std::fill(text.begin(), text.begin() + kFirstPosition, ' ');
  size_t next = 0;
  int s = 0, r = kFirstPosition, len = 0;
  while (len < F && next < input.size()) text[size_t(r + len++)] = input[next++];
  if (len == 0) {
    EXPECT_TRUE(packed.empty());
    return;
  }
  for (int i = 0; i <= F; ++i) held[size_t(r - i)] = true;
  auto matchAt = [&](int q) {
    int i = 0;
    while (i < F && text[size_t(q + i)] == text[size_t(r + i)]) ++i;
    return i;
  };
  size_t at = 0;
  uint8_t flags = 0;
  int item = 0;
  while (len > 0) {
    int best = 0;
    // Position r went into the tree after its own search.
    for (int q = 0; q < N; ++q)
      if (held[size_t(q)] && q != r) best = std::max(best, matchAt(q));
    best = std::min(best, len);
    if (item % 8 == 0) {
      ASSERT_LT(at, packed.size());
      flags = packed[at++];
    }
    int length;
    if (flags & (1 << (item % 8))) {
      ASSERT_LT(at, packed.size());
      EXPECT_LE(best, kThreshold) << "literal at item " << item;
      EXPECT_EQ(packed[at++], text[size_t(r)]);
      length = 1;
    } else {
      ASSERT_LT(at + 1, packed.size());
      int pos = packed[at] | ((packed[at + 1] & 0xF0) << 4);
      length = (packed[at + 1] & 0x0F) + kThreshold + 1;
      at += 2;
      EXPECT_EQ(length, best) << "reference at item " << item;
      EXPECT_TRUE(held[size_t(pos)]) << "reference to a position the tree does not hold";
      EXPECT_GE(matchAt(pos), length);
    }
    ++item;
    int i = 0;
    for (; i < length && next < input.size(); ++i) {
      held[size_t(s)] = false;
      text[size_t(s)] = input[next++];
      if (s < F - 1) text[size_t(s + N)] = text[size_t(s)];
      s = (s + 1) & (N - 1);
      r = (r + 1) & (N - 1);
      held[size_t(r)] = true;
    }
    while (i++ < length) {
      held[size_t(s)] = false;
      s = (s + 1) & (N - 1);
      r = (r + 1) & (N - 1);
      if (--len) held[size_t(r)] = true;
    }
  }
  EXPECT_EQ(at, packed.size());
}

Bytes RandomBytes(size_t n, unsigned seed, int alphabet = 256) {
  std::mt19937 rng(seed);
  Bytes b(n);
  for (auto& c : b) c = uint8_t(rng() % unsigned(alphabet));
  return b;
}

}  // namespace

TEST(Lzss, KnownVectors) {
  struct Case {
    Bytes Input;
    const char* Packed;
  } cases[] = {
      {B("abc"), "07 61 62 63"},
      {B("abcabcabc"), "07 61 62 63 EE F3"},
      {B(""), ""},
      // The preset spaces go in as 4077 down to 4060, each full match replacing the last, so
      // 4060 matches all 18; the two left over are too short to be references.
      {Bytes(20, ' '), "06 DC FF 20 20"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Hex(Pack(c.Input)), c.Packed);
    EXPECT_EQ(Unpack(Pack(c.Input)), c.Input);
  }
  EXPECT_TRUE(Unpack({}).empty());
}

TEST(Lzss, AnOutsideDecoderReadsWhatWePack) {
  std::vector<Bytes> inputs = {
      RandomBytes(1 << 20, 1),
      Bytes(100000, 'x'),
      Bytes(70000, ' '),
      Bytes(5000, 0),
      B(platform::Utf8ToGbk("显示页面0 控制卡 宋体 癨皘皚 第一行文字\r\n") + std::string(3000, 'a')),
  };
  // Long runs broken now and then, and text that repeats at many distances.
  Bytes runs;
  for (int i = 0; i < 2000; ++i) runs.insert(runs.end(), size_t(i % 37 + 1), uint8_t('a' + i % 3));
  inputs.push_back(runs);
  std::string text;
  for (int i = 0; i < 3000; ++i) text += "  Object Text" + std::to_string(i % 50) + ":TText\r\n";
  inputs.push_back(B(text));
  // Object texts as the writer makes them, with picture blocks.
  for (const char* name : {"picture-bpp24.txt", "glyph-nested-bpp8.txt"}) {
    std::ifstream in(std::string(CORVANE_FIXTURES) + "/" + name, std::ios::binary);
    ASSERT_TRUE(in) << name;
    inputs.push_back(Bytes(std::istreambuf_iterator<char>(in), {}));
  }
  for (const auto& input : inputs) {
    Bytes packed = Pack(input);
    ASSERT_EQ(MspackUnpack(packed, input.size()), input) << "input of " << input.size();
    ASSERT_EQ(Unpack(packed), input);
  }
}

TEST(Lzss, EveryShortStringOverASmallAlphabet) {
  // All strings of up to 8 letters over "ab " (the space meets the preset ring), 9841 of them.
  const char alphabet[] = {'a', 'b', ' '};
  std::vector<Bytes> level = {{}};
  for (int length = 1; length <= 8; ++length) {
    std::vector<Bytes> longer;
    for (const auto& s : level)
      for (char c : alphabet) {
        Bytes t = s;
        t.push_back(uint8_t(c));
        longer.push_back(t);
      }
    for (const auto& s : longer) {
      Bytes packed = Pack(s);
      ASSERT_EQ(Unpack(packed), s);
      ASSERT_EQ(MspackUnpack(packed, s.size()), s);
    }
    level = std::move(longer);
  }
}

TEST(Lzss, EveryChoiceIsTheLongestMatchTheTreeHolds) {
  std::vector<Bytes> inputs = {
      B("abcabcabc"),
      Bytes(20, ' '),
      Bytes(9000, ' '),
      RandomBytes(12000, 2, 3),
      RandomBytes(9000, 3, 2),
      RandomBytes(5000, 4, 256),
      B(platform::Utf8ToGbk(std::string(400, 'x') + "显示页面显示页面 ab ab ab")),
  };
  std::string text;
  for (int i = 0; i < 400; ++i) text += "    Font.Name='" + std::to_string(i * 7 % 13) + "'\r\n";
  inputs.push_back(B(text));
  for (const auto& input : inputs) {
    SCOPED_TRACE(input.size());
    CheckLongestMatches(input, Pack(input));
  }
}

TEST(Lzss, DecoderEdges) {
  struct Case {
    Bytes Packed;
    Bytes Unpacked;
  } cases[] = {
      {{0xFF}, {}},                           // ends after a flag byte
      {{0x00, 0x10}, {}},                     // ends inside a reference
      {{0x01, 0x41, 0x10}, B("A")},           // a literal, then half a reference
      {{0x00, 0x00, 0xF0}, B("   ")},         // a reference into the preset spaces
      {{0x00, 0xEE, 0xF0}, {0, 0, 0}},        // positions not yet written read as zero
      // "ab", then 7 bytes from 4078 while they are being written: the copy overlaps.
      {{0x03, 'a', 'b', 0xEE, 0xF4}, B("ababababa")},
      // Nine literals span two groups.
      {{0xFF, '1', '2', '3', '4', '5', '6', '7', '8', 0x01, '9'}, B("123456789")},
  };
  for (const auto& c : cases) EXPECT_EQ(Hex(Unpack(c.Packed)), Hex(c.Unpacked));
}

TEST(Lzss, OutputDependsOnTheInputAlone) {
  const Bytes a = RandomBytes(30000, 5, 4), b = B("abcabcabc xyz xyz");
  const Bytes alone = Pack(b);
  Pack(a);
  EXPECT_EQ(Pack(b), alone);
  // A reference to a position the run has not written reads zero, whatever ran before.
  Unpack(Pack(a));
  EXPECT_EQ(Unpack({0x00, 0xEE, 0xF0}), Bytes(3, 0));

  // Two threads pack and unpack at once.
  const Bytes big = RandomBytes(400000, 6, 5);
  const Bytes expected = Pack(big);
  auto work = [&](bool& ok) {
    for (int i = 0; i < 3; ++i) {
      Bytes p = Pack(big);
      ok = ok && p == expected && Unpack(p) == big;
    }
  };
  bool ok1 = true, ok2 = true;
  {
    std::jthread t1([&] { work(ok1); }), t2([&] { work(ok2); });
  }
  EXPECT_TRUE(ok1);
  EXPECT_TRUE(ok2);
}

TEST(Lzss, ARefusedWriteIsReported) {
  // A buffer that cannot grow past its first mebibyte refuses the rest.
  const Bytes big = RandomBytes(1300000, 7);
  TDFMStream in, small(TDFMStream::kBlockStep);
  Fill(in, big);
  EXPECT_FALSE(LzssEncode(in, small));
  EXPECT_TRUE(small.Failed());

  TDFMStream packed;
  TDFMStream in2;
  Fill(in2, Bytes(1300000, 'z'));
  ASSERT_TRUE(LzssEncode(in2, packed));
  packed.SetPosition(0);
  TDFMStream small2(TDFMStream::kBlockStep);
  EXPECT_FALSE(LzssDecode(packed, small2));
}
