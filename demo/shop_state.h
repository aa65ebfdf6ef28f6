// The demo restaurant: its account, menu, tables and open orders, kept in
// memory only and lost when the service stops.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace pellomar::demo {

struct Dish {
  std::string name;
  std::string unit;
  int price_cents;
};

struct Table {
  std::string id;    // "A01", used in addresses
  std::string hall;  // "大厅", "包厢"
  std::string name;  // shown on the tables page
  int seats;
};

// An open order: the quantity of each ordered dish, by menu index.
struct Order {
  std::string number;
  std::string waiter;
  int guests = 0;
  std::map<int, int> quantities;
};

// The values the service sends to the client on sign-in.
struct Shop {
  std::string account;     // Com_UserName
  std::string kind;        // Com_Lx
  std::string full_name;   // Com_Name
  std::string short_name;  // Com_nName
  std::string telephone;   // Com_Tel
  std::string mobile;      // Com_Mob
  std::string staff_role;  // Sta_Qx
};

class ShopState {
 public:
  // `date` is the business day as YYYYMMDD; order numbers start with it.
  explicit ShopState(std::string date);

  const Shop& shop() const { return shop_; }
  const std::vector<Dish>& menu() const { return menu_; }
  const std::vector<Table>& tables() const { return tables_; }
  const Table* FindTable(const std::string& id) const;

  // The signed-in member of staff; empty when nobody is signed in.
  const std::string& staff() const { return staff_; }
  // Accepts any name that is left non-empty once the characters the
  // profile text reserves are removed.
  bool SignIn(const std::string& name);
  void SignOut() { staff_.clear(); }

  const Order* OpenOrder(const std::string& table_id) const;
  // The table's open order, started with a new number when it has none.
  const Order& OpenOrStart(const std::string& table_id);
  // Closes the table's open order when `order_number` is its number, adding
  // what was settled (quantity by menu index: the dishes ticked on the order
  // page, which may differ from the order kept here) to the day's total;
  // false when it is not open (already settled, or unknown).
  bool Settle(const std::string& table_id, const std::string& order_number,
              const std::map<int, int>& settled);
  int settled_count() const { return settled_count_; }
  long settled_cents() const { return settled_cents_; }

  int OrderCents(const Order& order) const;
  // The price of the given quantities by menu index; unknown dishes count nothing.
  int ItemsCents(const std::map<int, int>& quantities) const;
  // Grows with every completed sign-in, so each profile page has a fresh address.
  int sign_in_count() const { return sign_in_count_; }

 private:
  std::string NextOrderNumber();

  std::string date_;
  int next_order_ = 1;
  Shop shop_;
  std::vector<Dish> menu_;
  std::vector<Table> tables_;
  std::map<std::string, Order> open_orders_;
  std::string staff_;
  int sign_in_count_ = 0;
  int settled_count_ = 0;
  long settled_cents_ = 0;
  int next_waiter_ = 0;
};

// The settled dishes as the order page sends them: "number:quantity" pairs
// separated by ",", where a dish's number is its menu index + 1. Malformed
// pairs are left out; quantities are held to 1..99 as on the page.
std::map<int, int> ParseSettledItems(const std::string& text);

// Removes what the profile text reserves (",", "&", "=") and what would need
// escaping in markup, and surrounding white space.
std::string CleanStaffName(const std::string& name);

}  // namespace pellomar::demo
