// Downloads nobody asked for: a foreign frame inside a service page tries
// every way of writing a file (an attachment response, <a download> of its
// own address and of a data: address), while the service's own page saves
// two files. Only the service's files are saved, in the download folder,
// under cleaned names and never over a file that is there; nothing else
// appears anywhere under the (scratch) home folder.
#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "base/text.h"
#include "tests/support/client_fixture.h"

namespace pellomar::testing {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

struct Folder {
  const char* name;
  // The line of user-dirs.dirs naming the download folder; none for a
  // desktop that never set one up.
  const char* user_dirs_line;
  const char* expected;  // relative to home
};

void PrintTo(const Folder& folder, std::ostream* out) { *out << folder.name; }

constexpr char kForeignPayload[] = "FOREIGN-PAYLOAD alias ls='rm -rf ~'";

class DriveByDownloadTest : public ClientTest, public ::testing::WithParamInterface<Folder> {
 protected:
  void SetUp() override {
    ClientTest::SetUp();
    ASSERT_TRUE(other_.listening());
    home_ = g_get_home_dir();
    ASSERT_THAT(home_.string(), ::testing::HasSubstr("pellomar-home-"));
    const fs::path user_dirs = fs::path(g_get_user_config_dir()) / "user-dirs.dirs";
    fs::create_directories(user_dirs.parent_path());
    if (*GetParam().user_dirs_line) {
      std::ofstream(user_dirs) << GetParam().user_dirs_line << "\n";
    } else {
      fs::remove(user_dirs);
    }
    g_reload_user_special_dirs_cache();
    downloads_ = home_ / GetParam().expected;
  }

  // Every regular file under home, by path relative to it.
  std::map<std::string, fs::path> FilesUnderHome() const {
    std::map<std::string, fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(home_)) {
      if (entry.is_regular_file() || entry.is_symlink()) {
        files[fs::relative(entry.path(), home_).string()] = entry.path();
      }
    }
    return files;
  }

  FixtureService other_{"127.0.0.2"};
  fs::path home_;
  fs::path downloads_;
};

TEST_P(DriveByDownloadTest, OnlyTheServicesFilesAreSavedAndOnlyInTheDownloadFolder) {
  other_.SetPage("/payload", kForeignPayload);
  other_.SetAttachment("/attach", kForeignPayload, ".profile");
  // Each try in a turn of its own: a frame's next navigation would cancel
  // the one before.
  other_.SetPage("/ad.html",
                 BodyPage("<p>ad</p><iframe src=\"/attach\"></iframe><script>"
                          "[['.bash_aliases', '/payload'],"
                          " ['evil.desktop', 'data:application/x-desktop,FOREIGN-PAYLOAD'],"
                          " ['../../.config/autostart/x.desktop', '/payload']"
                          "].forEach(([name, href], i) => setTimeout(() => {"
                          "  const a = document.createElement('a');"
                          "  a.download = name; a.href = href; document.body.appendChild(a);"
                          "  a.click();"
                          "}, 300 * i));</script>"));
  service_.SetAttachment("/member/export.asp", "SERVICE-EXPORT", "../.bashrc");
  service_.SetPage("/member/report.csv", "SERVICE-REPORT");
  service_.SetPage(
      "/member/dl.asp",
      BodyPage("<iframe src=\"" + other_.origin() +
               "/ad.html\"></iframe><iframe src=\"/member/export.asp\"></iframe><script>"
               "window.addEventListener('load', () => {"
               "  const a = document.createElement('a');"
               "  a.download = '日结.csv'; a.href = '/member/report.csv';"
               "  document.body.appendChild(a); a.click();"
               "});</script>"));
  // A file of the user's that a download of the same name must not replace.
  fs::create_directories(downloads_);
  std::ofstream(downloads_ / "bashrc") << "KEEP-ME";

  StartClient();
  ASSERT_TRUE(WaitForCompletion(Url("/member/index.asp")));
  client_->pane().Navigate(Utf8ToUtf16(Url("/member/dl.asp")));
  const auto saved = [&](const char* name, const char* bytes) {
    return fs::exists(downloads_ / name) && ReadAll(downloads_ / name) == bytes;
  };
  ASSERT_TRUE(SpinUntil(
      [&] { return saved("bashrc (2)", "SERVICE-EXPORT") && saved("日结.csv", "SERVICE-REPORT"); },
      20000))
      << "the service's own downloads were not saved in " << downloads_;
  ASSERT_TRUE(SpinUntil([&] { return other_.RequestCount("/attach") == 1; }));
  SpinFor(2000);  // anything the foreign frame still gets written

  EXPECT_EQ(ReadAll(downloads_ / "bashrc"), "KEEP-ME");
  std::vector<std::string> in_folder;
  for (const auto& entry : fs::directory_iterator(downloads_)) {
    in_folder.push_back(entry.path().filename().string());
  }
  EXPECT_THAT(in_folder, ::testing::UnorderedElementsAre("bashrc", "bashrc (2)", "日结.csv"));
  // Outside the folder only the engine's own data: no payload, no file of a
  // download's name.
  for (const auto& [relative, path] : FilesUnderHome()) {
    if (path.parent_path() == downloads_) continue;
    EXPECT_EQ(ReadAll(path).find("PAYLOAD"), std::string::npos) << relative;
    EXPECT_EQ(ReadAll(path).find("SERVICE-"), std::string::npos) << relative;
    for (const char* name : {"bash", "desktop", "profile", "日结"}) {
      EXPECT_EQ(relative.find(name), std::string::npos) << relative;
    }
  }
  EXPECT_TRUE(client_->notice().visible());
  EXPECT_THAT(client_->notice().text(), ::testing::StartsWith("已下载："));
}

INSTANTIATE_TEST_SUITE_P(
    Folder, DriveByDownloadTest,
    ::testing::Values(Folder{"FromUserDirs", "XDG_DOWNLOAD_DIR=\"$HOME/下载\"", "下载"},
                      // Disabled: xdg-user-dirs points it at home itself.
                      Folder{"DisabledInUserDirs", "XDG_DOWNLOAD_DIR=\"$HOME/\"", "Downloads"},
                      Folder{"NeverSetUp", "", "Downloads"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pellomar::testing
