// The demo service's pages, rendered from the shop's state as UTF-8 markup.
#pragma once

#include <string>

#include "demo/shop_state.h"

namespace pellomar::demo {

// The frameset: the hidden frame "middleFrame" above the visible "mainFrame".
std::string IndexPage(const ShopState& state);
// What "middleFrame" shows before any command.
std::string BlankPage();
std::string SignInPage(const ShopState& state, bool name_refused);
// `profile_seq` > 0 makes the page send the profile to the client right
// after a sign-in, at a fresh address each time.
std::string TablesPage(const ShopState& state, int profile_seq);
std::string OrderPage(const ShopState& state, const Table& table, const Order& order);
// A print page whose body is exactly `command`: the client reads the body's
// markup as it is, so nothing (not even a line break) may surround it.
std::string PrintPage(const std::string& command);
// Command "2": the nine profile keys of the signed-in account, as markup.
std::string ProfileCommand(const ShopState& state);
std::string NotFoundPage();

}  // namespace pellomar::demo
