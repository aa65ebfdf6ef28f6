#include "demo/routes.h"

#include <algorithm>
#include <cstdlib>

#include "demo/pages.h"

namespace pellomar::demo {
namespace {

Response Redirect(const std::string& location) { return Response{303, {}, location}; }

std::string Field(const std::map<std::string, std::string>& fields, const std::string& name) {
  auto found = fields.find(name);
  return found == fields.end() ? std::string() : found->second;
}

// The service's pages are addressed like those of a Windows web server:
// without regard to case.
std::string LowerAscii(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  });
  return text;
}

Response Print(ShopState& state, const Request& request) {
  std::string command = Field(request.query, "cmd");
  if (command == "1") {
    // Settling closes the table here; the order stays on screen in
    // "mainFrame" for the client to print from.
    state.Settle(Field(request.query, "table"), Field(request.query, "ddh"),
                 ParseSettledItems(Field(request.query, "items")));
    return {200, PrintPage("1"), {}};
  }
  if (command == "2" && !state.staff().empty()) return {200, PrintPage(ProfileCommand(state)), {}};
  return {200, PrintPage("0"), {}};
}

Response SignIn(ShopState& state, const Request& request) {
  if (request.method != "POST") return {200, SignInPage(state, false), {}};
  if (!state.SignIn(Field(request.form, "staff"))) return {200, SignInPage(state, true), {}};
  return Redirect("/member/main/tables.asp?login=" + std::to_string(state.sign_in_count()));
}

Response ShowOrder(ShopState& state, const Request& request) {
  const Table* table = state.FindTable(Field(request.query, "table"));
  if (!table) return {404, NotFoundPage(), {}};
  return {200, OrderPage(state, *table, state.OpenOrStart(table->id)), {}};
}

}  // namespace

Response Route(ShopState& state, const Request& request) {
  if (request.method != "GET" && request.method != "HEAD" && request.method != "POST") {
    return {405, NotFoundPage(), {}};
  }
  std::string path = LowerAscii(request.path);
  if (path == "/" || path == "/member" || path == "/member/") return Redirect("/member/index.asp");
  if (path == "/member/index.asp") return {200, IndexPage(state), {}};
  if (path == "/member/login.asp") return SignIn(state, request);
  if (path == "/member/logout.asp") {
    state.SignOut();
    return Redirect("/member/index.asp");
  }
  if (path == "/member/main/blank.asp") return {200, BlankPage(), {}};
  if (path == "/member/main/print.asp") return Print(state, request);

  bool staff_page = path == "/member/main/tables.asp" || path == "/member/main/order.asp";
  if (!staff_page) return {404, NotFoundPage(), {}};
  if (state.staff().empty()) return Redirect("/member/login.asp");
  if (path == "/member/main/order.asp") return ShowOrder(state, request);
  return {200, TablesPage(state, std::atoi(Field(request.query, "login").c_str())), {}};
}

}  // namespace pellomar::demo
