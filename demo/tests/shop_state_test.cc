#include "demo/shop_state.h"

#include <gtest/gtest.h>

namespace pellomar::demo {
namespace {

TEST(CleanStaffName, DropsWhatTheProfileTextReservesAndKeepsTheRest) {
  struct Case {
    const char* entered;
    const char* kept;
  } cases[] = {
      {"张三", "张三"},
      {"  王 五  ", "王 五"},
      {"a,b&c=d<e>\"f'", "abcdef"},
      {"李\t四\n", "李四"},
      {"   ", ""},
      {",&=", ""},
      {"一二三四五六七八九十一二三四五六七八", "一二三四五六七八九十一二三四五六"},
  };
  for (const Case& c : cases) EXPECT_EQ(CleanStaffName(c.entered), c.kept) << c.entered;
}

TEST(ShopState, SettlingClosesOnlyTheOrderShown) {
  ShopState state("20240518");
  const Order* seated = state.OpenOrder("A01");
  ASSERT_NE(seated, nullptr);
  std::string number = seated->number;
  // What the staff ticked on the page, not the order kept for the table.
  const std::map<int, int> settled = {{0, 2}, {11, 3}};  // 2 x 宫保鸡丁, 3 x 米饭
  ASSERT_NE(state.OrderCents(*seated), 2 * 3800 + 3 * 300);

  EXPECT_FALSE(state.Settle("A01", "wrong", settled))
      << "a stale order number must not close the table";
  EXPECT_TRUE(state.Settle("A01", number, settled));
  EXPECT_FALSE(state.Settle("A01", number, settled)) << "settling twice counts once";
  EXPECT_EQ(state.OpenOrder("A01"), nullptr);
  EXPECT_EQ(state.settled_count(), 1);
  EXPECT_EQ(state.settled_cents(), 2 * 3800 + 3 * 300);

  const Order* second = state.OpenOrder("A03");
  ASSERT_NE(second, nullptr);
  EXPECT_TRUE(state.Settle("A03", second->number, {{4, 1}}));
  EXPECT_EQ(state.settled_count(), 2);
  EXPECT_EQ(state.settled_cents(), 2 * 3800 + 3 * 300 + 8800) << "the day adds up each settlement";

  const Order& next = state.OpenOrStart("A01");
  EXPECT_NE(next.number, number);
  EXPECT_EQ(next.number.rfind("20240518", 0), 0u);
  EXPECT_TRUE(next.quantities.empty());
}

TEST(ParseSettledItems, ReadsNumberedQuantitiesAndLeavesOutTheRest) {
  struct Case {
    const char* sent;
    std::map<int, int> items;
  } cases[] = {
      {"1:2,12:3", {{0, 2}, {11, 3}}}, {"", {}}, {"5:1,,x:2,0:4,3:,:1,7:1:1", {{4, 1}}},
      {"2:0,3:150", {{1, 1}}},  // held to 1..99; 150 does not fit the field
      {"2:7,2:1", {{1, 1}}},    // a dish sent twice keeps its last quantity
  };
  for (const Case& c : cases) EXPECT_EQ(ParseSettledItems(c.sent), c.items) << c.sent;

  ShopState state("20240518");
  EXPECT_EQ(state.ItemsCents({{0, 1}, {99, 5}}), 3800) << "an unknown dish costs nothing";
}

}  // namespace
}  // namespace pellomar::demo
