// Frames, heads and the receive window, checked against vectors that tests/vectors.py computed
// with crcmod's CRC-16/MODBUS.
#include <gtest/gtest.h>

#include <string>

#include "tools/cardsim/BlockReceiver.h"
#include "tools/cardsim/CardCrc.h"
#include "tools/cardsim/CardFrame.h"
#include "tools/cardsim/CardHeads.h"

using namespace cardsim;
using Bytes = std::vector<uint8_t>;

TEST(CardCrc, CheckValue) {
  const std::string check = "123456789";
  EXPECT_EQ(CardCrc({reinterpret_cast<const uint8_t*>(check.data()), check.size()}), 0x4B37);
  EXPECT_EQ(EncodeCardFrame(Bytes(check.begin(), check.end())),
            (Bytes{0x55, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x4B, 0x37, 0xAA}));
}

TEST(CardFrame, EncodesHeadsAndEscapesAsTheVectorsSay) {
  struct TCase {
    const char* name;
    Bytes body;
    Bytes wire;
  };
  const TCase cases[] = {
      {"query to card 1", BuildMessage({mkQuery, 0, 1, 0}),
       {0x55, 0x04, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x38, 0x7C, 0xAA}},
      {"answer to the query", BuildAnswer({1, 0, 0, mkQuery, 1}),
       {0x55, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x01, 0x00, 0x63, 0x31, 0xAA}},
      {"body bytes 55 AA BB", BuildMessage({mkBlock, 0, 1, 1}, Bytes{0x55, 0xAA, 0xBB}),
       {0x55, 0x02, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x00, 0xBB, 0x56, 0xBB, 0xAB, 0xBB, 0xBC,
        0x93, 0xF2, 0xAA}},
      {"crc high byte 0x55", BuildAnswer({1, 0, 40, mkBlock, 1}),
       {0x55, 0x03, 0x00, 0x01, 0x00, 0x28, 0x00, 0x00, 0x00, 0x02, 0x00, 0x01, 0x00, 0xBB, 0x56, 0x32, 0xAA}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(EncodeCardFrame(c.body), c.wire);
    auto back = DecodeCardFrame(c.wire);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, c.body);
  }
}

TEST(CardFrame, DecoderRejectsWhatIsNotWellFormed) {
  const Bytes good = {0x55, 0x04, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x38, 0x7C, 0xAA};
  auto changed = [&](size_t at, uint8_t b) {
    Bytes f = good;
    f[at] = b;
    return f;
  };
  EXPECT_FALSE(DecodeCardFrame(changed(10, 0x7D)));             // crc
  EXPECT_FALSE(DecodeCardFrame(changed(0, 0x54)));              // start byte
  EXPECT_FALSE(DecodeCardFrame(changed(11, 0xAB)));             // end byte
  EXPECT_FALSE(DecodeCardFrame(changed(5, 0x55)));              // stray start inside
  EXPECT_FALSE(DecodeCardFrame(changed(5, 0xBB)));              // escape of 0x00 is not defined
  EXPECT_FALSE(DecodeCardFrame(Bytes{0x55, 0xBB, 0xAA}));       // escape swallowing the end
  EXPECT_FALSE(DecodeCardFrame(Bytes{0x55, 0x01, 0x02, 0xAA})); // nothing but a crc
  EXPECT_FALSE(DecodeCardFrame(Bytes{0x55, 0xAA}));
  EXPECT_TRUE(DecodeCardFrame(EncodeCardFrame(Bytes{0x42})));   // the shortest body there is
  EXPECT_FALSE(DecodeCardFrame(EncodeCardFrame(Bytes{0x42}, true)));
}

TEST(FrameSplitter, FindsFramesInAStream) {
  const Bytes query = {0x55, 0x04, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x38, 0x7C, 0xAA};
  TFrameSplitter s;
  std::vector<Bytes> frames;
  // Noise before the first start byte, a half frame restarted by a new start byte, then two
  // frames back to back, the second split across two reads.
  Bytes stream = {0x00, 0xAA, 0x13, 0x55, 0x04, 0x00};
  stream.insert(stream.end(), query.begin(), query.end());
  stream.insert(stream.end(), query.begin(), query.begin() + 5);
  s.Feed(stream, frames);
  s.Feed(Bytes(query.begin() + 5, query.end()), frames);
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0], query);
  EXPECT_EQ(frames[1], query);

  // A frame that reaches the longest length without its end byte is thrown away.
  frames.clear();
  Bytes tooLong(MaxFrameBytes, 0x01);
  tooLong[0] = 0x55;
  s.Feed(tooLong, frames);
  s.Feed(Bytes{0xAA}, frames);
  EXPECT_TRUE(frames.empty());
  s.Feed(query, frames);
  EXPECT_EQ(frames.size(), 1u);
}

// The host as it sends: address 0 from one socket.
const TTransferSender Host{HostAddress, {0x7F000001, 5000}};

TEST(BlockReceiver, WindowDuplicatesAndOrder) {
  TBlockReceiver r(1 << 20);
  const Bytes block(BlockSize, 0x11);
  EXPECT_FALSE(r.Block(1, block));  // not receiving: no answer at all
  EXPECT_EQ(r.Start(0, Host), (TReceiverAnswer{mkStart, 1, 0}));
  EXPECT_EQ(r.Block(33, block), (TReceiverAnswer{mkBlock, 0, 1}));  // base + 32: resend from base
  EXPECT_EQ(r.Block(32, block), (TReceiverAnswer{mkBlock, 1, 32}));  // base + 31 fits
  EXPECT_EQ(r.Block(0, block), (TReceiverAnswer{mkBlock, 0, 1}));
  EXPECT_EQ(r.Block(1, block), (TReceiverAnswer{mkBlock, 1, 1}));
  EXPECT_EQ(r.Block(3, block), (TReceiverAnswer{mkBlock, 1, 3}));
  EXPECT_EQ(r.Base(), 2u);
  EXPECT_EQ(r.Block(3, block), (TReceiverAnswer{mkBlock, 1, 3}));  // duplicate: accepted again
  EXPECT_EQ(r.Total(), 3 * BlockSize);                               // ... and not counted twice
  EXPECT_EQ(r.Block(2, block), (TReceiverAnswer{mkBlock, 1, 2}));
  EXPECT_EQ(r.Base(), 4u);
  // Below the window now: received already, accepted again, not counted.
  EXPECT_EQ(r.Block(1, block), (TReceiverAnswer{mkBlock, 1, 1}));
  EXPECT_EQ(r.Total(), 4 * BlockSize);
  EXPECT_EQ(r.Base(), 4u);
  EXPECT_FALSE(r.Block(4, Bytes(BlockSize + 1)));  // longer than a block: ignored
  Bytes done;
  EXPECT_EQ(r.End(33, Host, &done), (TReceiverAnswer{mkEnd, 0, 4}));  // blocks 4..31 missing
  EXPECT_TRUE(r.Receiving());
}

TEST(BlockReceiver, OnlyItsOwnSenderRestartsATransferInProgress) {
  TBlockReceiver r(1 << 20);
  const Bytes block(BlockSize, 0x11);
  r.Start(5000, Host);
  r.Block(1, block);
  r.Block(2, block);
  EXPECT_FALSE(r.Start(600, {HostAddress, {0x7F000001, 5001}}));  // another socket
  EXPECT_FALSE(r.Start(600, {9, Host.Peer}));                      // another address
  EXPECT_EQ(r.Base(), 3u);
  // The same sender lost our answer, or gave up: a fresh start.
  EXPECT_EQ(r.Start(600, Host), (TReceiverAnswer{mkStart, 1, 600}));
  EXPECT_EQ(r.Base(), 1u);
  EXPECT_EQ(r.Total(), 0u);
  EXPECT_EQ(r.Announced(), 600u);
}

TEST(BlockReceiver, CompletesOverflowsAndAcceptsARepeatedEnd) {
  TBlockReceiver r(1024);
  r.Start(1000, Host);
  r.Block(2, Bytes(488, 0x22));  // the partial last block first
  r.Block(1, Bytes(512, 0x11));
  Bytes done;
  EXPECT_EQ(r.End(3, Host, &done), (TReceiverAnswer{mkEnd, 1, 3}));
  ASSERT_EQ(done.size(), 1000u);
  EXPECT_EQ(done[511], 0x11);
  EXPECT_EQ(done[512], 0x22);
  EXPECT_FALSE(r.Receiving());
  // The host lost the answer and sends its end again: the card says complete once more, to
  // that host only.
  done.clear();
  EXPECT_EQ(r.End(3, Host, &done), (TReceiverAnswer{mkEnd, 1, 3}));
  EXPECT_TRUE(done.empty());
  EXPECT_FALSE(r.End(4, Host, &done));
  EXPECT_FALSE(r.End(3, {HostAddress, {0x7F000002, 5000}}, &done));

  r.Start(0, Host);
  r.Block(1, Bytes(512));
  r.Block(2, Bytes(512));
  EXPECT_EQ(r.Block(3, Bytes(1)), (TReceiverAnswer{akOverflow, 0, 3}));
  EXPECT_FALSE(r.Receiving());  // dropped without anything the host gets back
  EXPECT_EQ(r.Start(0, {9, {}}), (TReceiverAnswer{mkStart, 1, 0}));  // anyone may start now

  r.Abandon();
  r.Start(0, Host);
  EXPECT_EQ(r.End(1, Host, &done), (TReceiverAnswer{mkEnd, 1, 1}));  // empty data
  EXPECT_TRUE(done.empty());
}
