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
  long cents = state.OrderCents(*seated);

  EXPECT_FALSE(state.Settle("A01", "wrong")) << "a stale order number must not close the table";
  EXPECT_TRUE(state.Settle("A01", number));
  EXPECT_FALSE(state.Settle("A01", number)) << "settling twice counts once";
  EXPECT_EQ(state.OpenOrder("A01"), nullptr);
  EXPECT_EQ(state.settled_count(), 1);
  EXPECT_EQ(state.settled_cents(), cents);

  const Order& next = state.OpenOrStart("A01");
  EXPECT_NE(next.number, number);
  EXPECT_EQ(next.number.rfind("20240518", 0), 0u);
  EXPECT_TRUE(next.quantities.empty());
}

}  // namespace
}  // namespace pellomar::demo
