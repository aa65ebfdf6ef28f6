// The demo service's addresses: one request in, one page (or redirect) out.
// Free of any server library so that it reads as the site map it is.
#pragma once

#include <map>
#include <string>

#include "demo/shop_state.h"

namespace pellomar::demo {

struct Request {
  std::string method;  // "GET", "POST", ...
  std::string path;    // decoded, without the query
  std::map<std::string, std::string> query;
  std::map<std::string, std::string> form;  // the decoded body of a POST
};

struct Response {
  int status = 200;
  std::string body;      // text/html; charset=utf-8
  std::string location;  // set for redirects
};

Response Route(ShopState& state, const Request& request);

}  // namespace pellomar::demo
