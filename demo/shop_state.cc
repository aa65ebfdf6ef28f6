#include "demo/shop_state.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace pellomar::demo {
namespace {

const char* const kWaiters[] = {"李娜", "王强", "张敏"};
constexpr int kMaxStaffNameCharacters = 16;

}  // namespace

ShopState::ShopState(std::string date) : date_(std::move(date)) {
  shop_ = Shop{
      .account = "liuwan01",
      .kind = "中餐",
      .full_name = "杭州柳湾小馆餐饮有限公司",
      .short_name = "柳湾小馆",
      .telephone = "0571-87654321",
      .mobile = "13805712468",
      .staff_role = "收银",
  };
  menu_ = {
      {"宫保鸡丁", "份", 3800},   {"鱼香肉丝", "份", 3200},   {"麻婆豆腐", "份", 2200},
      {"红烧肉", "份", 5800},     {"清蒸鲈鱼", "条", 8800},   {"西红柿炒蛋", "份", 2600},
      {"酸辣土豆丝", "份", 1800}, {"干煸四季豆", "份", 2800}, {"水煮牛肉", "份", 6800},
      {"蒜蓉西兰花", "份", 2400}, {"扬州炒饭", "份", 2000},   {"米饭", "碗", 300},
  };
  tables_ = {
      {"A01", "大厅", "A01", 4},     {"A02", "大厅", "A02", 4},     {"A03", "大厅", "A03", 6},
      {"A04", "大厅", "A04", 2},     {"A05", "大厅", "A05", 4},     {"A06", "大厅", "A06", 8},
      {"B01", "包厢", "牡丹厅", 10}, {"B02", "包厢", "芙蓉厅", 12}, {"B03", "包厢", "桂花厅", 8},
  };
  // A few tables are already eating when the day's demo starts.
  auto seat = [this](const std::string& table, int guests, std::map<int, int> quantities) {
    Order& order = open_orders_[table];
    order.number = NextOrderNumber();
    order.waiter = kWaiters[next_waiter_++ % 3];
    order.guests = guests;
    order.quantities = std::move(quantities);
  };
  seat("A01", 3, {{0, 1}, {2, 1}, {6, 1}, {11, 3}});
  seat("A03", 5, {{4, 1}, {8, 1}, {9, 2}, {5, 1}, {11, 5}});
  seat("B01", 8, {{3, 2}, {1, 1}, {7, 1}, {10, 2}});
}

const Table* ShopState::FindTable(const std::string& id) const {
  for (const Table& table : tables_) {
    if (table.id == id) return &table;
  }
  return nullptr;
}

bool ShopState::SignIn(const std::string& name) {
  std::string clean = CleanStaffName(name);
  if (clean.empty()) return false;
  staff_ = clean;
  ++sign_in_count_;
  return true;
}

const Order* ShopState::OpenOrder(const std::string& table_id) const {
  auto found = open_orders_.find(table_id);
  return found == open_orders_.end() ? nullptr : &found->second;
}

const Order& ShopState::OpenOrStart(const std::string& table_id) {
  auto [it, started] = open_orders_.try_emplace(table_id);
  if (started) {
    it->second.number = NextOrderNumber();
    it->second.waiter = kWaiters[next_waiter_++ % 3];
    it->second.guests = 2;
  }
  return it->second;
}

bool ShopState::Settle(const std::string& table_id, const std::string& order_number,
                       const std::map<int, int>& settled) {
  auto found = open_orders_.find(table_id);
  if (found == open_orders_.end() || found->second.number != order_number) return false;
  ++settled_count_;
  settled_cents_ += ItemsCents(settled);
  open_orders_.erase(found);
  return true;
}

int ShopState::OrderCents(const Order& order) const { return ItemsCents(order.quantities); }

int ShopState::ItemsCents(const std::map<int, int>& quantities) const {
  int cents = 0;
  for (auto [dish, quantity] : quantities) {
    if (dish >= 0 && static_cast<size_t>(dish) < menu_.size()) {
      cents += menu_[dish].price_cents * quantity;
    }
  }
  return cents;
}

std::map<int, int> ParseSettledItems(const std::string& text) {
  std::map<int, int> items;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(',', start);
    if (end == std::string::npos) end = text.size();
    const std::string pair = text.substr(start, end - start);
    int dish = 0, quantity = 0, used = 0;
    if (std::sscanf(pair.c_str(), "%3d:%2d%n", &dish, &quantity, &used) == 2 &&
        static_cast<size_t>(used) == pair.size() && dish >= 1) {
      items[dish - 1] = std::clamp(quantity, 1, 99);
    }
    start = end + 1;
  }
  return items;
}

std::string ShopState::NextOrderNumber() {
  char digits[8];
  std::snprintf(digits, sizeof digits, "%04d", next_order_++);
  return date_ + digits;
}

std::string CleanStaffName(const std::string& name) {
  std::string kept;
  int characters = 0;
  for (char c : name) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7f) continue;
    if (std::string_view(",&=<>\"'").find(c) != std::string_view::npos) continue;
    bool starts_character = (u & 0xc0) != 0x80;
    if (starts_character && ++characters > kMaxStaffNameCharacters) break;
    kept += c;
  }
  size_t first = kept.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  size_t last = kept.find_last_not_of(' ');
  return kept.substr(first, last - first + 1);
}

}  // namespace pellomar::demo
