#include "link/MemCommand.h"

#include <gtest/gtest.h>

using namespace cardlink;

namespace {

std::vector<int> Items(const TMemList<int>& list) {
  std::vector<int> out;
  for (auto* n = list.Head(); n; n = n->Next) {
    if (n->Next) {
      EXPECT_EQ(n->Next->Prev, n);
    }
    out.push_back(n->Item);
  }
  return out;
}

}  // namespace

TEST(MemList, AppendPopAndDeleteKeepTheLinksRight) {
  TMemList<int> list;
  EXPECT_EQ(list.NodeCount(), 0u);
  list.PopNode();  // popping an empty list does nothing
  EXPECT_EQ(list.AppendNode(10), 0);
  EXPECT_EQ(list.AppendNode(20), 1);
  EXPECT_EQ(list.AppendNode(30), 2);
  EXPECT_EQ(list.AppendNode(40), 3);
  EXPECT_EQ(Items(list), (std::vector<int>{10, 20, 30, 40}));

  list.PopNode();
  EXPECT_EQ(list.Head()->Prev, nullptr);
  EXPECT_EQ(Items(list), (std::vector<int>{20, 30, 40}));

  list.DeleteNode(list.Head()->Next);  // a middle node
  EXPECT_EQ(Items(list), (std::vector<int>{20, 40}));
  list.DeleteNode(list.Head()->Next);  // the tail: appending afterwards must still work
  EXPECT_EQ(list.AppendNode(50), 1);
  EXPECT_EQ(Items(list), (std::vector<int>{20, 50}));
  EXPECT_EQ(list.NodeCount(), 2u);
}

TEST(MemList, QueueItemsOwnACopyOfTheCallersData) {
  std::vector<uint8_t> data{1, 2, 3};
  auto item = MakeQueueItem(data.data(), data.size(), 6666, std::string_view("127.0.0.1\0junk", 14), 7, true);
  ASSERT_TRUE(item);
  data[0] = 99;
  EXPECT_EQ(item->Data, (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(item->Ip, "127.0.0.1");  // a C string ends at its terminator
  EXPECT_EQ(item->Port, 6666);
  EXPECT_EQ(item->Address, 7);

  auto longIp = MakeQueueItem(data.data(), 0, 1, "1234567890123456789", 0, false);
  ASSERT_TRUE(longIp);
  EXPECT_EQ(longIp->Ip.size(), kIpTextSize);
  EXPECT_TRUE(longIp->Data.empty());
}
