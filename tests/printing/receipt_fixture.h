// A receipt as the layout writes it: Chinese and Latin text, labels with
// values, item lines aligned in columns, a full-width exclamation mark.
#pragma once

#include <string>
#include <vector>

namespace pellomar::testing {

inline std::vector<std::string> SampleReceipt(const std::string& order_number = "A-1027") {
  return {
      "    ",
      "    湘味小馆消费小票",
      "",
      "单号:" + order_number,
      "厅台号:大厅8号",
      "服务员:李四",
      "收银员:王五",
      "",
      "项目            数量  金额   ",
      "-----------------------------",
      "Tea        2p      8.00",
      "宫保鸡丁      1份     38.00",
      "酸辣土豆丝Ab  12碗  1,234.50",
      "-----------------------------",
      "小计:1,280.50元",
      "应收金额:1,280.50元",
      "实收金额:1,300.00元",
      "-----------------------------",
      "湘味小馆期待您再次光临！",
      "预订电话:0731-8888 6666",
      "结算时间:2024/5/1 12:30:00",
  };
}

}  // namespace pellomar::testing
