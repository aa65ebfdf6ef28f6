// Which downloads are saved and under what name.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "base/text.h"
#include "shell/download_name.h"

namespace pellomar {
namespace {

TEST(DownloadName, OnlyTheServicesOwnDownloadsAreSaved) {
  const std::u16string service = u"http://shop.test";
  struct Case {
    std::u16string request, response;
    bool saved;
  };
  const Case cases[] = {
      {u"http://shop.test", u"http://shop.test", true},
      {u"http://shop.test", u"", true},  // no response yet
      {u"http://ads.test", u"http://ads.test", false},
      {u"http://shop.test", u"http://ads.test", false},  // redirected away
      {u"http://ads.test", u"http://shop.test", false},  // redirected in
      {u"https://shop.test", u"", false},
      {u"http://shop.test:8080", u"", false},
      {u"null", u"", false},  // data: and other opaque sources
      {u"", u"", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MaySaveDownload(c.request, c.response, service), c.saved)
        << Utf16ToUtf8(c.request) << " / " << Utf16ToUtf8(c.response);
  }
  EXPECT_FALSE(MaySaveDownload(u"", u"", u""));  // no service origin yet
}

TEST(DownloadName, NamesCannotLeaveTheFolderHideOrDisguiseTheFile) {
  struct Case {
    std::u16string suggested, saved;
  };
  const Case cases[] = {
      {u"report.csv", u"report.csv"},
      {u"日结 12月.pdf", u"日结 12月.pdf"},
      {u".bash_aliases", u"bash_aliases"},
      {u"../../.bashrc", u"bashrc"},
      {u"/etc/passwd", u"passwd"},
      {u"..\\..\\autostart\\x.desktop", u"x.desktop"},
      {u"a\nb\tc\x7f.txt", u"abc.txt"},
      {u"invoice\u202Efdp.exe", u"invoicefdp.exe"},
      {u"  . hidden . ", u"hidden"},
      {u"..", u"下载"},
      {u"", u"下载"},
      {u"dir/", u"下载"},
      {std::u16string(u"lone\xD800") + u".txt", u"lone.txt"},
      {u"\U0001F600.png", u"\U0001F600.png"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CleanDownloadName(c.suggested), c.saved) << Utf16ToUtf8(c.suggested);
  }
}

TEST(DownloadName, LongNamesAreCutKeepingTheExtension) {
  const std::u16string cut = CleanDownloadName(std::u16string(300, u'长') + u".xlsx");
  EXPECT_EQ(cut.size(), 80u);
  EXPECT_TRUE(cut.ends_with(u"长.xlsx"));
  EXPECT_LE(Utf16ToUtf8(cut).size() + std::string(" (9999)").size(), 255u);
  // A pair is never cut in half.
  std::u16string faces = u"a";
  for (int i = 0; i < 60; ++i) faces += u"\U0001F600";
  const std::u16string cut_faces = CleanDownloadName(faces);
  EXPECT_EQ(cut_faces.size(), 79u);
  EXPECT_EQ(Utf16ToUtf8(cut_faces).size(), 1u + 39 * 4);
  // An "extension" too long to be one is cut with the rest.
  EXPECT_EQ(CleanDownloadName(u"a." + std::u16string(100, u'x')).size(), 80u);
}

TEST(DownloadName, TakenNamesGetTheFirstFreeNumber) {
  std::set<std::u16string> folder = {u"report.csv", u"report (2).csv", u"bashrc"};
  const auto taken = [&](std::u16string_view name) {
    return folder.contains(std::u16string(name));
  };
  EXPECT_EQ(FreeDownloadName(u"new.csv", taken), u"new.csv");
  EXPECT_EQ(FreeDownloadName(u"report.csv", taken), u"report (3).csv");
  EXPECT_EQ(FreeDownloadName(u"bashrc", taken), u"bashrc (2)");
  EXPECT_EQ(FreeDownloadName(u"archive.tar.gz",
                             [](std::u16string_view n) { return n == u"archive.tar.gz"; }),
            u"archive.tar (2).gz");
  EXPECT_EQ(FreeDownloadName(u"full", [](std::u16string_view) { return true; }), u"");
}

}  // namespace
}  // namespace pellomar
