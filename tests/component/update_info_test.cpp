// The update-information file as the component reads it: sections and the hand-over of stray
// pairs, the keys, booleans, timestamps, file URLs, path macros and the names an entry may have.
#include "component/update_info.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

using namespace updara;

// The machine's values for the macros, as a test sets them.
class FakeMacros : public MacroSource {
 public:
  std::string exe = "C:\\Prog\\app.exe", currentDir = "C:\\Work", windows = "C:\\Windows",
              system = "C:\\Windows\\system32";
  std::map<std::string, std::string> shellFolders = {{"personal", "%USERPROFILE%\\Documents"}};
  std::map<std::string, std::string> environment = {{"USERPROFILE", "C:\\Users\\me"}, {"EMPTY", ""}};

  std::string HostExecutable() const override { return exe; }
  std::string CurrentDirectory() const override { return currentDir; }
  std::string WindowsFolder() const override { return windows; }
  std::string SystemFolder() const override { return system; }
  std::optional<std::string> UserShellFolder(std::string_view name) const override {
    std::string key(name);
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const auto found = shellFolders.find(key);
    return found == shellFolders.end() ? std::nullopt : std::optional<std::string>(found->second);
  }
  std::optional<std::string> Environment(std::string_view name) const override {
    const auto found = environment.find(std::string(name));
    return found == environment.end() ? std::nullopt : std::optional<std::string>(found->second);
  }
};

constexpr char kSignature[] = "#Update file signature";
constexpr char kDocUrl[] = "http://host/dir/upd.txt?x=1";

UpdateInfo Parse(const std::string& body, const MacroSource& macros = FakeMacros()) {
  const auto info = ParseUpdateInfo(std::string(kSignature) + "\r\n" + body, kSignature, kDocUrl, macros);
  EXPECT_TRUE(info);
  return info ? *info : UpdateInfo{};
}

TEST(UpdateInfo, TheSignatureIsComparedByteForByteOverItsLength) {
  FakeMacros m;
  EXPECT_FALSE(ParseUpdateInfo("#update file signature\r\n", kSignature, kDocUrl, m));
  EXPECT_FALSE(ParseUpdateInfo("#Update file", kSignature, kDocUrl, m));
  EXPECT_FALSE(ParseUpdateInfo("", kSignature, kDocUrl, m));
  EXPECT_TRUE(ParseUpdateInfo("#Update file signature, version 2\n[File]\nname=a\n", kSignature, kDocUrl, m));
  // Without sections: nothing found, and no failure either.
  const auto empty = ParseUpdateInfo(kSignature, kSignature, kDocUrl, m);
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->files.empty());
  // An empty signature takes any document; one that is no comment is read as a line like others.
  EXPECT_EQ(ParseUpdateInfo("[File]\nname=a", "", kDocUrl, m)->files.size(), 1u);
  EXPECT_EQ(ParseUpdateInfo("SIG name=x\n[File]\nname=a", "SIG", kDocUrl, m)->files.at(0).name, "a");
}

TEST(UpdateInfo, SectionsHandTheirPairsOverAndStrayPairsGoToTheNextSectionHandedOver) {
  struct Case {
    const char* body;
    std::vector<std::pair<std::string, std::string>> files;  // name and version, in order
  };
  const Case cases[] = {
      {"[File]\nname=a.dll\n\nversion=2\n[File]\nname=b.dll", {{"a.dll", ""}, {"b.dll", "2"}}},
      // Without the first header the two names meet in one entry, and the later one wins.
      {"name=a.dll\n\nversion=2\n[File]\nname=b.dll", {{"b.dll", "2"}}},
      // A header in another case is no header: its pairs stay with the section open before it.
      {"[File]\nname=a.dll\n[file]\nversion=3\n", {{"a.dll", "3"}}},
      // Comments keep the section open; CR LF, a bare CR inside a value and no final line end.
      {"[File]\r\n# note\r\n; note\r\n/ note\r\nname=a.dll\r\nversion=1\r2\r\n[File]\nname=b", {{"a.dll", "1\r2"}, {"b", ""}}},
      // Keys in any case, values untouched; a blank before "=" makes another key.
      {"[File]\nNAME=a b.exe \nname =ignored\nVersion= 1.0\n", {{"a b.exe ", " 1.0"}}},
      // An entry without a name is dropped; a header with anything after it is no header.
      {"[File]\nversion=1\n[File] \nname=x\n", {{"x", "1"}}},
      // The value is everything after the first "=".
      {"[File]\nname=a=b\n", {{"a=b", ""}}},
  };
  for (const Case& c : cases) {
    const UpdateInfo info = Parse(c.body);
    std::vector<std::pair<std::string, std::string>> got;
    for (const FileEntry& f : info.files) got.emplace_back(f.name, f.newVersion);
    EXPECT_EQ(got, c.files) << c.body;
  }
}

TEST(UpdateInfo, GlobalAndMessageSectionsFillTheirValues) {
  const UpdateInfo info = Parse(
      "[Global]\nrequireadmin=no\ncmdbefore=%WINDOWS%\\x.cmd\ncmdafter=after.cmd\ncmdline=%APP% /r\n\n"
      "[Message]\nid=-12abc\ncaption=Hello\ntext=<b>New</b>\n\n"
      "[Message]\nid=7\n\n"  // neither caption nor text: discarded
      "[Message]\ntext=only text\nid= 5\n");
  EXPECT_EQ(info.global.requireAdmin, std::optional<bool>(true));  // "no" is true
  EXPECT_EQ(info.global.cmdBefore, std::optional<std::string>("%WINDOWS%\\x.cmd"));  // unchanged
  EXPECT_EQ(info.global.cmdAfter, std::optional<std::string>("after.cmd"));
  EXPECT_EQ(info.global.cmdLine, std::optional<std::string>("C:\\Prog\\app.exe /r"));
  ASSERT_EQ(info.messages.size(), 2u);
  EXPECT_EQ(info.messages[0].id, -12);
  EXPECT_EQ(info.messages[0].caption, "Hello");
  EXPECT_EQ(info.messages[0].text, "<b>New</b>");
  EXPECT_EQ(info.messages[1].id, 0);  // a blank before the digits
  EXPECT_EQ(info.messages[1].text, "only text");
  EXPECT_FALSE(Parse("[Global]\ncmdafter=x\n").global.requireAdmin);
}

TEST(UpdateInfo, FileKeysFillTheEntry) {
  const UpdateInfo info = Parse(
      "[File]\nname=app.exe\nsize=1234\nmd5=ABCdef0123\ndate=20240315102530\nmodificationdate=20240316\n"
      "url=app.exe.gz\npath=%WINDOWS%/Fonts\nversion=1, 2\nregister=1\n\n"
      "[File]\nname=b.dll\ncreationdate=20240102030405\nurl=ftp://h/b.dll\ncompressed=yes\nregister=False\n"
      "size=x\n\n"
      "[File]\nname=c.dat\nurl=c.dat.gz\ncompressed=0\n");
  ASSERT_EQ(info.files.size(), 3u);
  const FileEntry& a = info.files[0];
  EXPECT_EQ(a.size, 1234);
  EXPECT_EQ(a.newMd5, "abcdef0123");
  EXPECT_EQ(a.newDate, *AutomationDate(2024, 3, 15, 10, 25, 0));  // the seconds are never read
  EXPECT_EQ(a.newModificationDate, 0);  // the day of an 8-digit date is not read: not a date
  EXPECT_EQ(a.url, "http://host/dir/app.exe.gz");
  EXPECT_TRUE(a.compressed);
  EXPECT_EQ(a.path, "C:\\Windows\\Fonts\\");
  EXPECT_TRUE(a.pathGiven);
  EXPECT_EQ(a.newVersion, "1, 2");
  EXPECT_TRUE(a.registerServer);
  const FileEntry& b = info.files[1];
  EXPECT_EQ(b.newDate, *AutomationDate(2024, 1, 2, 3, 4, 0));
  EXPECT_EQ(b.url, "ftp://h/b.dll");
  EXPECT_TRUE(b.compressed);
  EXPECT_FALSE(b.registerServer);
  EXPECT_EQ(b.size, 0);
  EXPECT_FALSE(b.pathGiven);
  EXPECT_FALSE(info.files[2].compressed) << "the later key wins";
}

TEST(UpdateInfo, BooleansNumbersAndTimestamps) {
  for (const char* v : {"", "0", "0yes", "F", "false", "f"}) EXPECT_FALSE(ReadBool(v)) << v;
  for (const char* v : {"1", "no", "off", "T", " 0", "-"}) EXPECT_TRUE(ReadBool(v)) << v;

  EXPECT_EQ(ReadDecimal("+42x"), 42);
  EXPECT_EQ(ReadDecimal("-7"), -7);
  EXPECT_EQ(ReadDecimal(" 7"), 0);
  EXPECT_EQ(ReadDecimal("x7"), 0);
  EXPECT_EQ(ReadDecimal("99999999999"), 2147483647L);

  struct Case {
    const char* text;
    double expected;
  };
  const Case cases[] = {
      {"20240315102530", *AutomationDate(2024, 3, 15, 10, 25, 0)},
      {"202403151025301", *AutomationDate(2024, 3, 15, 10, 25, 30)},  // a further digit: the seconds are read
      {"2024031510", *AutomationDate(2024, 3, 15, 0, 0, 0)},          // the hour is the last field: not read
      {"20240230102530", 0},                                          // 30 February
      {"20241315102530", 0},
      {"00000101000000", 0},
      {"19000101", 0},
      {"", 0},
      {"abcd0101120000", 0},
      {"1899123012000", 0.5},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadTimestamp(c.text), c.expected) << c.text;

  EXPECT_EQ(*AutomationDate(1899, 12, 30, 0, 0, 0), 0.0);
  EXPECT_EQ(*AutomationDate(1900, 1, 1, 18, 0, 0), 2.75);
  EXPECT_EQ(*AutomationDate(1899, 12, 29, 6, 0, 0), -1.25);  // before the epoch the time still counts forwards
  EXPECT_EQ(*AutomationDate(2000, 2, 29, 0, 0, 0), 36585.0);
  EXPECT_FALSE(AutomationDate(1900, 2, 29, 0, 0, 0));
  EXPECT_FALSE(AutomationDate(2024, 1, 1, 24, 0, 0));
  EXPECT_FALSE(AutomationDate(99, 1, 1, 0, 0, 0));
}

TEST(UpdateInfo, BareFileNamesAreFetchedBesideTheDocument) {
  struct Case {
    const char* value;
    const char* documentUrl;
    const char* url;
    bool compressed;
  };
  const Case cases[] = {
      {"app.exe.gz", "http://host/dir/upd.txt?x=1&y=/z", "http://host/dir/app.exe.gz", true},
      {"app.exe", "https://h:8443/a/b/", "https://h:8443/a/b/app.exe", false},
      {"app.exe", "http://host?mode=check", "http://host/app.exe", false},  // the server's root
      {"app.exe", "file://C:\\upd\\info.txt", "file://C:\\upd\\app.exe", false},
      {"app.exe", "no-slash", "app.exe", false},
      {"sub/app.exe", "http://host/dir/u.txt", "sub/app.exe", false},
      {"http://other/x.GZ", "http://host/dir/u.txt", "http://other/x.GZ", false},  // ".gz" in this case only
      {"a.z", "http://host/d/u", "a.z", false},                                    // three characters or less
      {".gz", "http://host/d/u", ".gz", false},
  };
  for (const Case& c : cases) {
    bool compressed = false;
    EXPECT_EQ(EntryUrl(c.value, c.documentUrl, compressed), c.url) << c.value << " " << c.documentUrl;
    EXPECT_EQ(compressed, c.compressed) << c.value;
  }
}

TEST(UpdateInfo, PathMacrosExpandUntilNoPairIsLeft) {
  FakeMacros m;
  m.exe = "C:\\Program Files\\App\\app.exe";
  struct Case {
    const char* text;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"%WINDOWS%\\Fonts", "C:\\Windows\\Fonts\\"},
      {"%windows%", "C:\\Windows\\"},
      {"%AppDir%", "C:\\Work\\"},
      {"%SYSTEM%", "C:\\Windows\\system32\\"},
      {"%APP%", "\"C:\\Program Files\\App\\app.exe\""},  // quoted for its blank, no "\" after it
      // A shell folder that names the profile variable is expanded further.
      {"%Personal%\\Sub", "C:\\Users\\me\\Documents\\Sub\\"},
      {"%NOSUCH%x", "x"},  // too short for a trailing backslash
      {"%EMPTY%", ""},  // nothing left: too short for a "\"
      {"50% off", "50% off"},  // an unclosed "%" ends the expansion
      {"a%%b", "ab\\"},
      {"plain\\", "plain\\"},
  };
  for (const Case& c : cases) EXPECT_EQ(ExpandPathMacros(c.text, m, kMaxPathLength), c.expected) << c.text;

  // A value that names itself, or one that grows beyond the limit, is rejected whole.
  m.environment["LOOP"] = "%LOOP%";
  EXPECT_EQ(ExpandPathMacros("%LOOP%", m, kMaxPathLength), std::nullopt);
  m.windows = std::string(255, 'w');
  EXPECT_EQ(ExpandPathMacros("%WINDOWS%", m, kMaxPathLength)->size(), 256u);
  EXPECT_EQ(ExpandPathMacros("%WINDOWS%\\Fonts", m, kMaxPathLength), std::nullopt);
  EXPECT_EQ(ExpandPathMacros(std::string(kMaxPathLength + 1, 'p'), m, kMaxPathLength), std::nullopt);

  // A rejected path leaves the entry without one; an overlong line is ignored.
  const UpdateInfo info = Parse("[File]\nname=a\npath=%WINDOWS%\\Fonts\nversion=" + std::string(kMaxLineLength, '9') +
                                    "\n",
                                m);
  ASSERT_EQ(info.files.size(), 1u);
  EXPECT_EQ(info.files[0].path, "");
  EXPECT_FALSE(info.files[0].pathGiven);
  EXPECT_EQ(info.files[0].newVersion, "");
}

}  // namespace
