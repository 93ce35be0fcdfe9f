// pageflat's request reader: the message head, the path fields and the page size.
#include "tools/pageflat/Request.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tools/pageflat/tests/RequestMessage.h"

namespace pageflat {
namespace {

using test::Message;
using test::Put32;

TEST(RequestMessage, ReadsEveryField) {
  const auto m = Message("/home/u/a.doc", "/tmp/x/17.Bmp", 256, 128, 1);
  const auto r = ReadRequestMessage(m.data(), m.size());
  ASSERT_TRUE(r);
  EXPECT_EQ(r->Document, "/home/u/a.doc");
  EXPECT_EQ(r->Bitmap, "/tmp/x/17.Bmp");
  EXPECT_EQ(r->Width, 256);
  EXPECT_EQ(r->Height, 128);
  EXPECT_TRUE(r->Reverse);
  const auto plain = Message("/a.doc", "/b.Bmp", 1, 65535, 0);
  const auto p = ReadRequestMessage(plain.data(), plain.size());
  ASSERT_TRUE(p);
  EXPECT_FALSE(p->Reverse);
  EXPECT_EQ(p->Height, 65535);
}

TEST(RequestMessage, APathOf263BytesFitsItsField) {
  const std::string longest(263, 'd');
  const auto m = Message(longest, std::string(263, 'b'), 8, 8, 0);
  const auto r = ReadRequestMessage(m.data(), m.size());
  ASSERT_TRUE(r);
  EXPECT_EQ(r->Document, longest);
}

TEST(RequestMessage, RefusesWhatIsNoRequest) {
  struct TCase {
    const char* what;
    std::vector<uint8_t> message;
  };
  std::vector<TCase> cases = {
      {"document path without terminator", Message(std::string(264, 'd'), "/b", 8, 8, 0)},
      {"bitmap path without terminator", Message("/a", std::string(264, 'b'), 8, 8, 0)},
      {"empty document path", Message("", "/b", 8, 8, 0)},
      {"empty bitmap path", Message("/a", "", 8, 8, 0)},
      {"width 0", Message("/a", "/b", 0, 8, 0)},
      {"height 0", Message("/a", "/b", 8, 0, 0)},
      {"negative width", Message("/a", "/b", -5, 8, 0)},
      {"negative height", Message("/a", "/b", 8, -1, 0)},
      {"width over 65535", Message("/a", "/b", 65536, 8, 0)},
      {"height over 65535", Message("/a", "/b", 8, 65536, 0)},
  };
  auto head = Message("/a", "/b", 8, 8, 0);
  Put32(head, 0, 0x5556);
  cases.push_back({"another id", head});
  head = Message("/a", "/b", 8, 8, 0);
  Put32(head, 4, 1);
  cases.push_back({"another dwData", head});
  head = Message("/a", "/b", 8, 8, 0);
  Put32(head, 8, 536);
  cases.push_back({"another record size", head});
  auto longer = Message("/a", "/b", 8, 8, 0);
  longer.push_back(0);
  cases.push_back({"one byte more", longer});
  auto shorter = Message("/a", "/b", 8, 8, 0);
  shorter.pop_back();
  cases.push_back({"one byte less", shorter});
  for (const TCase& c : cases)
    EXPECT_FALSE(ReadRequestMessage(c.message.data(), c.message.size())) << c.what;
}

}  // namespace
}  // namespace pageflat
