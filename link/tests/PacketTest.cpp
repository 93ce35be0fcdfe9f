#include "link/Packet.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

#include "platform/base/AtomicFile.h"

using namespace cardlink;

namespace {

std::vector<uint8_t> Bytes(std::initializer_list<int> v) {
  std::vector<uint8_t> out;
  for (int b : v) out.push_back(uint8_t(b));
  return out;
}

std::vector<uint8_t> FromHex(const std::string& hex) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(uint8_t(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return out;
}

// Decodes and returns the body, or nullopt when rejected.
std::optional<std::vector<uint8_t>> Decode(const std::vector<uint8_t>& frame) {
  uint8_t out[kMaxFrame];
  size_t n = DecodeFrame(frame.data(), uint16_t(frame.size()), out);
  if (n == 0) return std::nullopt;
  return std::vector<uint8_t>(out, out + n);
}

std::string Fixture(const std::string& name) { return std::string(CORVANE_FIXTURES) + "/" + name; }

std::vector<uint8_t> ReadFixture(const std::string& name) {
  std::string content;
  EXPECT_TRUE(platform::ReadWholeFile(Fixture(name), content)) << name;
  return std::vector<uint8_t>(content.begin(), content.end());
}

std::vector<uint8_t> Changed(std::vector<uint8_t> v, size_t index, uint8_t value) {
  v.at(index) = value;
  return v;
}

}  // namespace

TEST(FrameCrc, StandardCheckValue) {
  const std::string check = "123456789";
  EXPECT_EQ(FrameCrc(reinterpret_cast<const uint8_t*>(check.data()), check.size()), 0x4B37);
  EXPECT_EQ(FrameCrc(nullptr, 0), 0xFFFF);
  // Sent high byte first: 0x4B then 0x37, just before the end byte.
  auto frame = EncodeFrameBytes(std::span(reinterpret_cast<const uint8_t*>(check.data()), check.size()));
  ASSERT_EQ(frame.size(), 1 + 9 + 2 + 1u);
  EXPECT_EQ(frame[10], 0x4B);
  EXPECT_EQ(frame[11], 0x37);
}

TEST(FrameCrc, MatchesAnOutsideCrcToolOnRandomBodies) {
  std::ifstream in(Fixture("crc_vectors.txt"));
  ASSERT_TRUE(in);
  std::string line;
  int count = 0;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string bodyHex, crcHex;
    fields >> bodyHex >> crcHex;
    auto body = FromHex(bodyHex);
    uint16_t expected = uint16_t(std::stoul(crcHex, nullptr, 16));
    EXPECT_EQ(FrameCrc(body.data(), body.size()), expected) << bodyHex;
    // And every such body survives a frame round trip.
    auto frame = EncodeFrameBytes(body);
    EXPECT_LE(frame.size(), EncodedFrameCapacity(body.size()));
    EXPECT_EQ(Decode(frame), body) << bodyHex;
    ++count;
  }
  EXPECT_EQ(count, 30);
}

TEST(EncodeFrame, EscapesSpecialBytesInBodyAndCrc) {
  struct Case {
    std::vector<uint8_t> body;
    std::vector<uint8_t> frame;
  } cases[] = {
      // CRCs by crcmod: {0xBB} 0x33FF, {0x55} 0x7F7F, {0xAA} 0x3F3F, {0x33} 0x55FF.
      {Bytes({0xBB}), Bytes({0x55, 0xBB, 0xBC, 0x33, 0xFF, 0xAA})},
      {Bytes({0x55}), Bytes({0x55, 0xBB, 0x56, 0x7F, 0x7F, 0xAA})},
      {Bytes({0xAA}), Bytes({0x55, 0xBB, 0xAB, 0x3F, 0x3F, 0xAA})},
      // A CRC high byte 0x55 is escaped like any body byte.
      {Bytes({0x33}), Bytes({0x55, 0x33, 0xBB, 0x56, 0xFF, 0xAA})},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EncodeFrameBytes(c.body), c.frame);
    EXPECT_EQ(Decode(c.frame), c.body);
  }
}

TEST(EncodeFrame, EscapedCrcBytesMakeALongerFrameThatStillDecodes) {
  // Search bodies whose CRC contains a byte that must be escaped, high and low.
  bool sawHigh = false, sawLow = false;
  for (uint32_t v = 0; v < 5000 && !(sawHigh && sawLow); ++v) {
    uint8_t body[4] = {uint8_t(v), uint8_t(v >> 8), 1, 2};
    uint16_t crc = FrameCrc(body, 4);
    uint8_t hi = uint8_t(crc >> 8), lo = uint8_t(crc);
    bool escHi = hi == 0x55 || hi == 0xAA || hi == 0xBB;
    bool escLo = lo == 0x55 || lo == 0xAA || lo == 0xBB;
    if (!escHi && !escLo) continue;
    sawHigh |= escHi;
    sawLow |= escLo;
    auto frame = EncodeFrameBytes(body);
    size_t plain = 2 + 4 + 2;
    for (uint8_t b : body) plain += (b == 0x55 || b == 0xAA || b == 0xBB);
    EXPECT_EQ(frame.size(), plain + escHi + escLo);
    EXPECT_EQ(Decode(frame), std::vector<uint8_t>(body, body + 4));
  }
  EXPECT_TRUE(sawHigh && sawLow);
}

TEST(EncodeFrame, HeadAndPayloadShareOneCrc) {
  const uint8_t head[8] = {2, 0, 0, 7, 1, 0, 0, 0};
  std::vector<uint8_t> payload(512);
  for (size_t i = 0; i < payload.size(); ++i) payload[i] = uint8_t(i * 7);
  std::vector<uint8_t> joined(head, head + 8);
  joined.insert(joined.end(), payload.begin(), payload.end());
  std::vector<uint8_t> a(EncodedFrameCapacity(joined.size())), b(a.size());
  size_t na = EncodeFrame(head, 8, payload.data(), uint16_t(payload.size()), a.data());
  size_t nb = EncodeFrame1(joined.data(), uint16_t(joined.size()), b.data());
  ASSERT_EQ(na, nb);
  EXPECT_TRUE(std::equal(a.begin(), a.begin() + long(na), b.begin()));
  EXPECT_LE(na, kMaxFrame);
}

TEST(DecodeFrame, RejectsDamagedFrames) {
  auto good = EncodeFrameBytes(Bytes({1, 2, 3, 4}));
  ASSERT_TRUE(Decode(good));

  struct Case {
    const char* what;
    std::vector<uint8_t> frame;
  } cases[] = {
      {"empty", {}},
      {"one byte", Bytes({0x55})},
      {"bad start", Changed(good, 0, 0x54)},
      {"bad end", Changed(good, good.size() - 1, 0xAB)},
      {"crc mismatch", Changed(good, 2, uint8_t(good[2] ^ 1))},
      {"too short", Bytes({0x55, 0x01, 0x02, 0xAA})},
      {"only ends", Bytes({0x55, 0xAA})},
      // A 0xBB right before the end byte has nothing to escape: never read past the frame.
      {"dangling escape", [&] { auto f = good; f.insert(f.end() - 1, 0xBB); return f; }()},
  };
  for (const auto& c : cases) EXPECT_FALSE(Decode(c.frame)) << c.what;
}

TEST(DecodeFrame, TwoFramesBackToBackAreNotOneFrame) {
  auto a = EncodeFrameBytes(Bytes({1, 2, 3}));
  auto b = EncodeFrameBytes(Bytes({4, 5, 6}));
  std::vector<uint8_t> both = a;
  both.insert(both.end(), b.begin(), b.end());
  // The inner 0xAA and 0x55 are taken as data, so the CRC over the whole cannot match.
  EXPECT_FALSE(Decode(both));
}

TEST(DecodeFrame, InnerEndByteIsData) {
  // A body holding raw 0xAA 0x55 (as a sender that forgot to escape would send) is data to the
  // decoder: only the last byte ends the frame. Build it by hand with a correct CRC.
  std::vector<uint8_t> body = Bytes({7, 0xAA, 0x55, 9});
  uint16_t crc = FrameCrc(body.data(), body.size());
  std::vector<uint8_t> frame = {0x55};
  frame.insert(frame.end(), body.begin(), body.end());
  frame.push_back(uint8_t(crc >> 8));
  frame.push_back(uint8_t(crc));
  frame.push_back(0xAA);
  EXPECT_EQ(Decode(frame), body);
}

TEST(DecodeFrame, LongestFrameIsAcceptedAndLongerIsRejected) {
  // 1044 body bytes + 2 CRC bytes unescape to exactly 1046: the limit.
  std::vector<uint8_t> body(kMaxFrame - 2, 0x11);
  auto frame = EncodeFrameBytes(body);
  EXPECT_EQ(Decode(frame), body);
  // One more byte would have been cut at 1046 and checked against the wrong CRC bytes; it is
  // rejected outright.
  body.push_back(0x22);
  EXPECT_FALSE(Decode(EncodeFrameBytes(body)));
  // Even when the cut would land on a matching "CRC": bytes 1044..1045 equal to the CRC of
  // the first 1044 bytes, followed by more data.
  std::vector<uint8_t> cut(kMaxFrame - 2, 0x11);
  uint16_t crc = FrameCrc(cut.data(), cut.size());
  std::vector<uint8_t> trick = {0x55};
  trick.insert(trick.end(), cut.begin(), cut.end());
  trick.push_back(uint8_t(crc >> 8));
  trick.push_back(uint8_t(crc));
  trick.push_back(0x01);
  trick.push_back(0xAA);
  EXPECT_FALSE(Decode(trick));
}

TEST(DecodeFrame, RandomGarbageNeverCrashesAndRarelyPasses) {
  std::mt19937 rng(42);
  uint8_t out[kMaxFrame];
  int accepted = 0;
  for (int i = 0; i < 20000; ++i) {
    std::vector<uint8_t> f(rng() % 1200);
    for (auto& b : f) b = uint8_t(rng());
    if (!f.empty()) {
      f.front() = 0x55;
      f.back() = 0xAA;
    }
    size_t n = DecodeFrame(f.data(), uint16_t(f.size()), out);
    EXPECT_LE(n, kMaxFrame - 2);
    accepted += n > 0;
  }
  EXPECT_LT(accepted, 10);
}

TEST(MessageHeads, PackAndUnpack) {
  TMessageHead m{ckSetBrightness, 0, 5, 0x01020304};
  uint8_t raw[8];
  PackMessageHead(m, raw);
  EXPECT_EQ(std::vector<uint8_t>(raw, raw + 8), Bytes({12, 0, 0, 5, 4, 3, 2, 1}));
  auto back = UnpackMessageHead(raw);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->Kind, ckSetBrightness);
  EXPECT_EQ(back->Destination, 5);
  EXPECT_EQ(back->Value, 0x01020304u);
  EXPECT_FALSE(UnpackMessageHead(std::span(raw, 7)));

  TReplyHead r = MakeReplyHead(TMessageHead{ckBlock, 0, 9, 33}, 9, kStatusAccepted);
  uint8_t rr[12];
  PackReplyHead(r, rr);
  EXPECT_EQ(std::vector<uint8_t>(rr, rr + 12), Bytes({3, 0, 9, 0, 33, 0, 0, 0, 2, 0, 1, 0}));
  auto rb = UnpackReplyHead(rr);
  ASSERT_TRUE(rb);
  EXPECT_EQ(rb->AnsweredKind, ckBlock);
  EXPECT_EQ(rb->Status, kStatusAccepted);
  EXPECT_FALSE(UnpackReplyHead(std::span(rr, 11)));
}

TEST(Descramble, TwiceRestoresAndOddByteStays) {
  std::vector<uint8_t> data(257);
  for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 31 + 5);
  std::vector<uint8_t> once(data.size()), twice(data.size());
  Descramble(data.data(), once.data(), data.size());
  EXPECT_EQ(once.back(), data.back());
  EXPECT_NE(once, data);
  // First word: 0x5A3C XOR the data word.
  EXPECT_EQ(once[0], uint8_t(data[0] ^ 0x3C));
  EXPECT_EQ(once[1], uint8_t(data[1] ^ 0x5A));
  Descramble(once.data(), twice.data(), once.size());
  EXPECT_EQ(twice, data);
  // In place works the same.
  std::vector<uint8_t> inPlace = data;
  Descramble(inPlace.data(), inPlace.data(), inPlace.size());
  EXPECT_EQ(inPlace, once);
}

TEST(LoadFirmwareFile, GoodFilesLoadAndDescramble) {
  struct Case {
    const char* file;
    const char* expected;
    size_t dataBytes;
  } cases[] = {
      {"good.Bin", "good.expected", 3 * 128 + 51},
      {"exact260.Bin", "exact260.expected", 256},  // an exact multiple of 130
      {"final3.Bin", "final3.expected", 129},      // a 3-byte final block: one data byte
  };
  for (const auto& c : cases) {
    platform::TMemoryStream s;
    ASSERT_TRUE(LoadFirmwareFile(Fixture(c.file), s)) << c.file;
    EXPECT_EQ(s.Size(), c.dataBytes) << c.file;
    EXPECT_EQ(s.Bytes(), ReadFixture(c.expected)) << c.file;
  }
}

TEST(LoadFirmwareFile, FailuresLeaveTheStreamAsItWas) {
  for (const char* file : {"badcrc_block2.Bin", "final2.Bin", "empty.Bin", "missing.Bin"}) {
    platform::TMemoryStream s;
    s.Write("keep", 4);
    s.SetPosition(2);
    EXPECT_FALSE(LoadFirmwareFile(Fixture(file), s)) << file;
    EXPECT_EQ(s.Size(), 4u) << file;
    EXPECT_EQ(s.Position(), 2u) << file;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.Memory()), 4), "keep") << file;
  }
  // A directory opens but cannot be read: a read error, not an empty success.
  platform::TMemoryStream s;
  EXPECT_FALSE(LoadFirmwareFile(CORVANE_FIXTURES, s));
  EXPECT_EQ(s.Size(), 0u);
}
