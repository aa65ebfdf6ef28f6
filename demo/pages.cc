#include "demo/pages.h"

#include "demo/html_text.h"

namespace pellomar::demo {
namespace {

constexpr std::string_view kLayout = R"(<!DOCTYPE html>
<html lang="zh-CN">
<head>
<meta charset="utf-8">
<title>{{title}}</title>
<style>
body { margin: 0; font-family: "Noto Sans CJK SC", "Noto Sans SC", sans-serif; background: #f6f1ea; color: #333; }
.bar { display: flex; justify-content: space-between; align-items: center; background: #b8321a; color: #fff; padding: 8px 16px; }
.bar a { color: #fff; margin-left: 12px; }
.bar .shop { font-size: 18px; font-weight: bold; }
main { padding: 16px; }
h2 { font-size: 16px; border-left: 4px solid #b8321a; padding-left: 8px; }
.tables { display: flex; flex-wrap: wrap; gap: 12px; }
.table { display: block; width: 120px; padding: 12px; border-radius: 8px; text-decoration: none; color: #333; background: #fff; border: 1px solid #d9cfc3; }
.table.busy { background: #fde3d9; border-color: #e4572e; }
.table b { font-size: 18px; display: block; }
.fields label, .sums label { display: inline-block; margin: 4px 16px 4px 0; }
.fields input, .sums input:not([type=radio]) { width: 140px; }
.sums .pay label { margin-right: 8px; }
table.menu { border-collapse: collapse; background: #fff; margin: 12px 0; }
table.menu th, table.menu td { border: 1px solid #d9cfc3; padding: 2px 10px; text-align: left; }
table.menu td.money { text-align: right; }
table.menu input.qty { width: 56px; }
#settle { font-size: 16px; padding: 6px 28px; background: #2f7d32; color: #fff; border: 0; border-radius: 4px; }
#settle:disabled { background: #999; }
#status { margin-left: 12px; color: #b8321a; }
.actions a { margin-left: 16px; }
.login { width: 320px; margin: 80px auto; background: #fff; padding: 24px 32px; border-radius: 8px; box-shadow: 0 2px 8px rgba(0,0,0,.15); }
.login label { display: block; margin: 12px 0; }
.login input { width: 100%; box-sizing: border-box; padding: 6px; }
.login button { width: 100%; padding: 8px; background: #b8321a; color: #fff; border: 0; border-radius: 4px; font-size: 16px; }
.error { color: #b8321a; }
</style>
</head>
<body>
{{content}}
</body>
</html>
)";

constexpr std::string_view kStaffBar =
    R"(<div class="bar"><span class="shop">{{shop}} · 收银台</span>
<span>收银员：{{staff}}<a href="/member/main/tables.asp">台位</a><a href="/member/logout.asp" target="_top">退出</a></span></div>
)";

constexpr std::string_view kSignIn = R"(<div class="login">
<h1>{{shop}}</h1>
<p>餐饮管理系统 · 员工登录</p>
<form id="loginForm" method="post" action="/member/login.asp">
<label>员工姓名<input id="staffName" name="staff" autofocus autocomplete="off"></label>
<label>密码<input id="password" type="password" name="password" placeholder="演示系统，无需密码"></label>
{{refusal}}<button id="signIn" type="submit">登录</button>
</form>
</div>
)";

// Sent once after a sign-in: the service hands the client the account's
// profile through the hidden frame.
constexpr std::string_view kSendProfile = R"(<script>
(function () {
  var middle = window.parent.frames['middleFrame'];
  if (middle && middle !== window) middle.location.href = '/member/main/print.asp?cmd=2&seq={{seq}}';
})();
</script>
)";

constexpr std::string_view kOrder = R"(<main>
<h2>点菜单 · {{table}}</h2>
<div class="fields">
<label>订单号 <input id="Ddh" value="{{number}}" readonly></label>
<label>厅台号 <input id="tingtaihao" value="{{table}}" readonly></label>
<label>人数 <input id="guests" type="number" min="1" value="{{guests}}"></label>
<label>服务员 <input id="waiter" value="{{waiter}}"></label>
<label>收银员 <input id="syy" value="{{staff}}" readonly></label>
<label>预订电话 <input id="com_tel" value="{{telephone}}" readonly></label>
</div>
<table class="menu">
<tr><th>选择</th><th>菜品</th><th>单价</th><th>单位</th><th>数量</th><th>金额</th></tr>
{{rows}}</table>
<div class="sums">
<label>合计 <input id="zje" value="{{total}}" readonly></label>
<label>实收 <input id="sszje" value="{{total}}"></label>
<label>找零 <b id="change">0.00</b></label>
<span class="pay">付款方式
<label><input type="radio" name="pay" value="cash" checked>现金</label>
<label><input type="radio" name="pay" value="wechat">微信</label>
<label><input type="radio" name="pay" value="alipay">支付宝</label></span>
</div>
<p class="actions"><button id="settle" type="button">结账</button><a href="/member/main/tables.asp">返回台位</a><span id="status"></span></p>
<input type="hidden" id="tableId" value="{{table_id}}">
</main>
<script>
(function () {
  var boxes = Array.prototype.slice.call(document.querySelectorAll('input.dish'));
  var total = document.getElementById('zje');
  var paid = document.getElementById('sszje');
  var change = document.getElementById('change');
  var status = document.getElementById('status');
  var paidEdited = false;

  function money(cents) { return (cents / 100).toFixed(2); }
  function quantityField(box) { return document.getElementById('qty' + box.value); }
  function quantityOf(box) {
    var n = parseInt(quantityField(box).value, 10);
    if (!(n >= 1)) n = 1;
    return Math.min(n, 99);
  }
  // The item record the desktop client prints from: name, unit, unit price
  // (not printed), quantity, amount. Some rows keep it as the element's own
  // property, the others as its attribute.
  function writeRecord(box) {
    var price = Number(box.dataset.price);
    var n = quantityOf(box);
    var record = [box.dataset.name, box.dataset.unit, money(price), n, money(price * n)].join(',');
    if (box.dataset.record === 'property') box.Tag = record;
    else box.setAttribute('Tag', record);
    document.getElementById('amount' + box.value).textContent = money(price * n);
  }
  function recount() {
    var sum = 0;
    boxes.forEach(function (box) {
      if (box.checked) sum += Number(box.dataset.price) * quantityOf(box);
    });
    total.value = money(sum);
    if (!paidEdited) paid.value = total.value;
    change.textContent = money(Math.round(parseFloat(paid.value) * 100) - sum);
  }
  boxes.forEach(function (box) {
    if (box.dataset.record === 'property') writeRecord(box);
    box.addEventListener('change', recount);
    quantityField(box).addEventListener('input', function () { writeRecord(box); recount(); });
    quantityField(box).addEventListener('change', function () {
      quantityField(box).value = quantityOf(box);
      writeRecord(box);
      recount();
    });
  });
  paid.addEventListener('input', function () { paidEdited = true; recount(); });
  document.getElementById('settle').addEventListener('click', function () {
    var middle = window.parent.frames['middleFrame'];
    var paidCents = Math.round(parseFloat(paid.value) * 100);
    if (!middle || middle === window) { status.textContent = '请从首页进入收银台，才能打印小票'; return; }
    if (!isFinite(paidCents)) { status.textContent = '请填写实收金额'; return; }
    if (paidCents < Math.round(parseFloat(total.value) * 100)) { status.textContent = '实收金额少于合计'; return; }
    this.disabled = true;
    status.textContent = '已结账，正在打印小票……';
    middle.location.href = '/member/main/print.asp?cmd=1&table=' +
        encodeURIComponent(document.getElementById('tableId').value) +
        '&ddh=' + encodeURIComponent(document.getElementById('Ddh').value) +
        '&items=' + encodeURIComponent(boxes.filter(function (box) { return box.checked; })
            .map(function (box) { return box.value + ':' + quantityOf(box); }).join(','));
  });
  recount();
})();
</script>
)";

constexpr std::string_view kDishRow =
    R"(<tr><td><input type="checkbox" class="dish" id="dish{{n}}" name="dish" value="{{n}}" data-name="{{name}}" data-unit="{{unit}}" data-price="{{price_cents}}" data-record="{{kept_as}}"{{tag}}{{checked}}></td>)"
    R"(<td><label for="dish{{n}}">{{name}}</label></td><td class="money">{{price}}</td><td>{{unit}}</td>)"
    R"(<td><input type="number" class="qty" id="qty{{n}}" min="1" max="99" value="{{quantity}}"></td>)"
    R"(<td class="money" id="amount{{n}}">{{amount}}</td></tr>
)";

std::string Page(const std::string& title, const std::string& content) {
  return FillTemplate(kLayout, {{"title", EscapeHtml(title)}, {"content", content}});
}

std::string StaffBar(const ShopState& state) {
  return FillTemplate(kStaffBar, {{"shop", EscapeHtml(state.shop().short_name)},
                                  {"staff", EscapeHtml(state.staff())}});
}

std::string TableCaption(const Table& table) { return table.hall + " " + table.name; }

std::string DishRow(const Dish& dish, int index, int quantity) {
  bool ordered = quantity > 0;
  int shown = ordered ? quantity : 1;
  std::string amount = FormatCents(static_cast<long>(dish.price_cents) * shown);
  std::string record = dish.name + "," + dish.unit + "," + FormatCents(dish.price_cents) + "," +
                       std::to_string(shown) + "," + amount;
  // Every other dish gets its record from the page's script instead.
  bool kept_as_property = index % 2 == 1;
  return FillTemplate(kDishRow,
                      {{"n", std::to_string(index + 1)},
                       {"name", EscapeHtml(dish.name)},
                       {"unit", EscapeHtml(dish.unit)},
                       {"price_cents", std::to_string(dish.price_cents)},
                       {"price", FormatCents(dish.price_cents)},
                       {"kept_as", kept_as_property ? "property" : "attribute"},
                       {"tag", kept_as_property ? "" : " Tag=\"" + EscapeHtml(record) + "\""},
                       {"checked", ordered ? " checked" : ""},
                       {"quantity", std::to_string(shown)},
                       {"amount", amount}});
}

}  // namespace

std::string IndexPage(const ShopState& state) {
  constexpr std::string_view kFrameset = R"(<!DOCTYPE html>
<html lang="zh-CN">
<head>
<meta charset="utf-8">
<title>{{shop}} · 餐饮管理系统</title>
</head>
<frameset rows="0,*" frameborder="0" border="0" framespacing="0">
<frame name="middleFrame" src="/member/main/blank.asp" scrolling="no" noresize>
<frame name="mainFrame" src="/member/login.asp">
</frameset>
</html>
)";
  return FillTemplate(kFrameset, {{"shop", EscapeHtml(state.shop().short_name)}});
}

std::string BlankPage() { return PrintPage("0"); }

std::string SignInPage(const ShopState& state, bool name_refused) {
  std::string refusal = name_refused ? "<p class=\"error\">请输入员工姓名</p>\n" : "";
  return Page("员工登录", FillTemplate(kSignIn, {{"shop", EscapeHtml(state.shop().short_name)},
                                                 {"refusal", refusal}}));
}

std::string TablesPage(const ShopState& state, int profile_seq) {
  std::string content = StaffBar(state) + "<main>\n";
  std::string hall;
  for (const Table& table : state.tables()) {
    if (table.hall != hall) {
      if (!hall.empty()) content += "</div>\n";
      hall = table.hall;
      content += "<h2>" + EscapeHtml(hall) + "</h2>\n<div class=\"tables\">\n";
    }
    const Order* order = state.OpenOrder(table.id);
    std::string status = order ? "就餐中 " + std::to_string(order->guests) + " 人<br>¥ " +
                                     FormatCents(state.OrderCents(*order))
                               : "空闲 · " + std::to_string(table.seats) + " 座";
    content += "<a class=\"table" + std::string(order ? " busy" : "") + "\" id=\"table" + table.id +
               "\" href=\"/member/main/order.asp?table=" + table.id + "\"><b>" +
               EscapeHtml(table.name) + "</b>" + status + "</a>\n";
  }
  if (!hall.empty()) content += "</div>\n";
  content += "<p>今日已结账 " + std::to_string(state.settled_count()) + " 单，合计 ¥ " +
             FormatCents(state.settled_cents()) + "</p>\n</main>\n";
  if (profile_seq > 0) {
    content += FillTemplate(kSendProfile, {{"seq", std::to_string(profile_seq)}});
  }
  return Page("台位", content);
}

std::string OrderPage(const ShopState& state, const Table& table, const Order& order) {
  std::string rows;
  for (size_t i = 0; i < state.menu().size(); ++i) {
    auto quantity = order.quantities.find(static_cast<int>(i));
    rows += DishRow(state.menu()[i], static_cast<int>(i),
                    quantity == order.quantities.end() ? 0 : quantity->second);
  }
  std::string content =
      StaffBar(state) + FillTemplate(kOrder, {{"table", EscapeHtml(TableCaption(table))},
                                              {"table_id", EscapeHtml(table.id)},
                                              {"number", EscapeHtml(order.number)},
                                              {"guests", std::to_string(order.guests)},
                                              {"waiter", EscapeHtml(order.waiter)},
                                              {"staff", EscapeHtml(state.staff())},
                                              {"telephone", EscapeHtml(state.shop().telephone)},
                                              {"rows", rows},
                                              {"total", FormatCents(state.OrderCents(order))}});
  return Page("点菜 " + TableCaption(table), content);
}

std::string PrintPage(const std::string& command) {
  return "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n"
         "<title>打印</title>\n</head>\n<body>" +
         command + "</body></html>";
}

std::string ProfileCommand(const ShopState& state) {
  const Shop& shop = state.shop();
  const std::pair<const char*, std::string> pairs[] = {
      {"Com_UserName", shop.account}, {"Sta_UserName", state.staff()}, {"Com_Lx", shop.kind},
      {"Com_Name", shop.full_name},   {"Com_nName", shop.short_name},  {"Com_Tel", shop.telephone},
      {"Com_Mob", shop.mobile},       {"Sta_RealName", state.staff()}, {"Sta_Qx", shop.staff_role},
  };
  // "&" is written as the serializer writes it back, so the markup the
  // client reads is exactly the markup sent.
  std::string command = "2,";
  for (const auto& [key, value] : pairs) {
    if (command.size() > 2) command += "&amp;";
    command += key;
    command += '=';
    command += EscapeHtml(value);
  }
  return command;
}

std::string NotFoundPage() {
  return Page("页面不存在",
              "<main><h2>页面不存在</h2><p><a href=\"/member/index.asp\" "
              "target=\"_top\">返回首页</a></p></main>");
}

}  // namespace pellomar::demo
