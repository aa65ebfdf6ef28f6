#include "bridge/page_snapshot_codec.h"

#include <gtest/gtest.h>

#include <string>

namespace pellomar {
namespace {

CompletionMessage RichMessage() {
  DocumentSnapshot order;
  order.url = u"http://shop.test/member/main/order.asp?id=7";
  order.body_html = u"<p class=\"x\">\u83dc\u5355 &amp; \\ \"q\"\n\t</p>";
  order.values_by_id = {{u"Shop", u"\u5c0f\u9986"}, {u"__proto__", u"p"}, {u"", u""}};
  order.inputs = {{u"checkbox", true, u"1|\u9c7c|12.5"},
                  {u"radio", false, std::nullopt},
                  {u"text", false, u""}};
  DocumentSnapshot lonely;
  lonely.url = u"about:blank";
  lonely.body_html = std::u16string(
                         u"a\xd800"
                         u"b\xdc00") +
                     char16_t{0} + u"\x1f";
  order.frames[u"inner"] = lonely;

  DocumentSnapshot top;
  top.url = u"http://shop.test/member/index.asp";
  top.body_html = std::nullopt;  // a frameset has no body
  top.frames[u"mainFrame"] = order;
  top.frames[u"middleFrame"].url = u"http://shop.test/member/main/print.asp";
  top.frames[u"middleFrame"].body_html = u"1,";
  return {
      u"http://shop.test/member/main/print.asp", top, {u"null", std::nullopt, u"http://shop.test"}};
}

TEST(PageSnapshotCodec, RoundTripsEveryField) {
  const CompletionMessage messages[] = {RichMessage(), {u"http://x.test/", std::nullopt, {}}, {}};
  for (const CompletionMessage& message : messages) {
    const std::string json = EncodeCompletion(message);
    const auto decoded = DecodeCompletion(json);
    ASSERT_TRUE(decoded) << json;
    EXPECT_EQ(*decoded, message) << json;
  }
}

// What the page side's JSON.stringify writes: raw UTF-8, escaped lone
// surrogates, keys in any order, and possibly members this side ignores.
TEST(PageSnapshotCodec, ReadsBrowserOutput) {
  const auto decoded = DecodeCompletion(
      " {\"extra\":{\"a\":[1,-2.5e+3,true,null,\"s\"]}, \"top\" : {\"frames\":[],"
      "\"inputs\":[{\"tag\":\"\xe9\xb1\xbc\\ud83d\",\"checked\":true,\"type\":\"checkbox\"}],"
      "\"values\":[[\"a\",\"first\"],[\"a\",\"second\"]],\"body\":\"\\u00e9\\/\",\"url\":\"u\"},"
      "\"url\":\"\xe4\xb8\xad\"}\n");
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->url, u"\u4e2d");
  ASSERT_TRUE(decoded->top);
  EXPECT_EQ(decoded->top->body_html, u"\u00e9/");
  ASSERT_EQ(decoded->top->inputs.size(), 1u);
  EXPECT_EQ(decoded->top->inputs[0].tag, std::u16string(u"\u9c7c") + char16_t{0xd83d});
  EXPECT_TRUE(decoded->top->inputs[0].checked);
  ASSERT_NE(decoded->top->ValueOf(u"a"), nullptr);
  EXPECT_EQ(*decoded->top->ValueOf(u"a"), u"first");  // the first element of an id wins
}

TEST(PageSnapshotCodec, RefusesMalformedText) {
  const char* const cases[] = {
      "",
      "null",
      "[]",
      "{\"url\":\"a\"",
      "{\"url\":\"a\"}x",
      "{\"url\":\"a\",}",
      "{\"url\":\"a\" \"top\":null}",
      "{\"url\":1}",
      "{\"url\":\"a\x01\"}",
      "{\"url\":\"\\x\"}",
      "{\"url\":\"\\u12g4\"}",
      "{\"url\":\"\\u12\"}",
      "{\"url\":\"a\",\"top\":{\"body\":5}}",
      "{\"url\":\"a\",\"top\":{\"inputs\":[{\"checked\":\"yes\"}]}}",
      "{\"url\":\"a\",\"top\":{\"values\":[[\"id\"]]}}",
      "{\"url\":\"a\",\"top\":{\"values\":[[\"id\",\"v\",\"w\"]]}}",
      "{\"url\":\"a\",\"top\":{\"frames\":[[\"f\",null]]}}",
      "{\"url\":\"a\",\"x\":-}",
      "{\"url\":\"a\",\"x\":1.}",
      "{\"url\":\"a\",\"x\":tru}",
      "{\"url\":\"a\",\"origins\":[1]}",
      "{\"url\":\"a\",\"origins\":\"http://shop.test\"}",
  };
  for (const char* text : cases) EXPECT_FALSE(DecodeCompletion(text)) << text;
}

TEST(PageSnapshotCodec, RefusesEveryTruncation) {
  const std::string json = EncodeCompletion(RichMessage());
  for (size_t n = 0; n < json.size(); ++n) {
    EXPECT_FALSE(DecodeCompletion(std::string_view(json).substr(0, n))) << n;
  }
}

TEST(PageSnapshotCodec, BoundsNesting) {
  auto nested_frames = [](int depth) {
    std::string json = "{\"url\":\"a\",\"top\":";
    for (int i = 0; i < depth; ++i) json += "{\"url\":\"f\",\"frames\":[[\"f\",";
    json += "{\"url\":\"leaf\"}";
    for (int i = 0; i < depth; ++i) json += "]]}";
    return json + "}";
  };
  EXPECT_TRUE(DecodeCompletion(nested_frames(kMaxFrameDepth)));
  EXPECT_FALSE(DecodeCompletion(nested_frames(kMaxFrameDepth + 1)));

  auto lineage = [](std::size_t size) {
    std::string json = "{\"url\":\"a\",\"origins\":[null";
    for (std::size_t i = 1; i < size; ++i) json += ",null";
    return json + "]}";
  };
  EXPECT_TRUE(DecodeCompletion(lineage(kMaxLineage)));
  EXPECT_FALSE(DecodeCompletion(lineage(kMaxLineage + 1)));

  // Unknown members nested far deeper than any page produces: refused, no
  // stack overflow.
  const std::string deep = "{\"x\":" + std::string(200000, '[') + std::string(200000, ']') + "}";
  EXPECT_FALSE(DecodeCompletion(deep));
}

}  // namespace
}  // namespace pellomar
