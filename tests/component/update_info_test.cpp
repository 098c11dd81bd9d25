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
  std::string exe = "C:\\Prog\\app.exe", windows = "C:\\Windows";
  std::map<std::string, std::string> environment = {{"USERPROFILE", "C:\\Users\\me"}, {"EMPTY", ""}};

  std::string HostExecutable() const override { return exe; }
  std::string CurrentDirectory() const override { return "C:\\Work"; }
  std::string WindowsFolder() const override { return windows; }
  std::string SystemFolder() const override { return "C:\\Windows\\system32"; }
  std::optional<std::string> UserShellFolder(std::string_view name) const override {
    std::string key(name);
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return key == "personal" ? std::optional<std::string>("%USERPROFILE%\\Documents") : std::nullopt;
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

TEST(UpdateInfo, SectionsHandTheirPairsOverAndStrayPairsGoToTheNextSectionHandedOver) {
  using Entries = std::vector<std::pair<std::string, std::string>>;  // name and version, in order
  const std::pair<const char*, Entries> cases[] = {
      {"[File]\nname=a.dll\n\nversion=2\n[File]\nname=b.dll", {{"a.dll", ""}, {"b.dll", "2"}}},
      // Without the first header the two names meet in one entry, and the later one wins.
      {"name=a.dll\n\nversion=2\n[File]\nname=b.dll", {{"b.dll", "2"}}},
      // Comments keep the section open; CR LF, a bare CR inside a value and no final line end.
      {"[File]\r\n# note\r\n; note\r\nname=a.dll\r\nversion=1\r2\r\n[File]\nname=b", {{"a.dll", "1\r2"}, {"b", ""}}},
      // An entry without a name is dropped; a header with anything after it is no header.
      {"[File]\nversion=1\n[File] \nname=x=y\n", {{"x=y", "1"}}},
  };
  for (const auto& [body, entries] : cases) {
    Entries got;
    for (const FileEntry& f : Parse(body).files) got.emplace_back(f.name, f.newVersion);
    EXPECT_EQ(got, entries) << body;
  }
}

TEST(UpdateInfo, GlobalMessageAndFileKeysFillTheirValues) {
  const UpdateInfo info = Parse(
      "[Global]\nrequireadmin=no\ncmdbefore=%WINDOWS%\\x.cmd\ncmdline=%APP% /r\nexpires=20300102030405\nsequence=42\n\n"
      "[Message]\nid=-12abc\ncaption=Hello\ntext=<b>New</b>\n\n"
      "[Message]\nid=7\n\n"  // neither caption nor text: discarded
      "[File]\nname=app.exe\nsize=1234\nmd5=ABCdef0123\ndate=20240315102530\nmodificationdate=20240316\n"
      "url=app.exe.gz\npath=%WINDOWS%/Fonts\nversion=1, 2\nregister=1\nsha256=00112233445566778899AABBCCDDEEFF\n\n"
      "[File]\nname=b.dll\ncreationdate=20240102030405\nurl=ftp://h/b.dll\ncompressed=yes\nsize=x\n\n"
      "[File]\nname=c.dat\nurl=c.dat.gz\ncompressed=0\n"
      "; signature=lw-test-a:AAEC");                               // a comment to a reader without a key ring
  EXPECT_EQ(info.global.requireAdmin, std::optional<bool>(true));  // "no" is true
  EXPECT_EQ(info.global.cmdBefore, std::optional<std::string>("%WINDOWS%\\x.cmd"));  // unchanged
  EXPECT_EQ(info.global.cmdLine, std::optional<std::string>("C:\\Prog\\app.exe /r"));
  EXPECT_EQ(info.global.expires, std::optional<std::uint64_t>(20300102030405ULL));
  EXPECT_EQ(info.global.sequence, std::optional<std::uint64_t>(42));
  ASSERT_EQ(info.messages.size(), 1u);
  EXPECT_EQ(std::to_string(info.messages[0].id) + info.messages[0].caption + info.messages[0].text,
            "-12Hello<b>New</b>");

  ASSERT_EQ(info.files.size(), 3u);
  const FileEntry &a = info.files[0], &b = info.files[1];
  EXPECT_EQ(a.size, 1234);
  EXPECT_EQ(a.newMd5 + " " + a.newSha256, "abcdef0123 00112233445566778899aabbccddeeff");
  EXPECT_EQ(a.newDate, *AutomationDate(2024, 3, 15, 10, 25, 0));  // the seconds are never read
  EXPECT_EQ(a.newModificationDate, 0);                            // the day of an 8-digit date is not read: not a date
  EXPECT_EQ(a.url + " " + a.path, "http://host/dir/app.exe.gz C:\\Windows\\Fonts\\");
  EXPECT_TRUE(a.compressed && a.pathGiven && a.registerServer);
  EXPECT_EQ(b.newDate, *AutomationDate(2024, 1, 2, 3, 4, 0));
  EXPECT_EQ(b.url, "ftp://h/b.dll");
  EXPECT_TRUE(b.compressed && b.size == 0 && !b.pathGiven && !b.registerServer);
  EXPECT_FALSE(info.files[2].compressed) << "the later key wins";
}

TEST(UpdateInfo, BooleansNumbersAndTimestamps) {
  for (const char* v : {"", "0yes", "false"}) EXPECT_FALSE(ReadBool(v)) << v;
  for (const char* v : {"no", "T", " 0"}) EXPECT_TRUE(ReadBool(v)) << v;
  for (const auto& [text, value] : {std::pair{"+42x", 42L}, {" 7", 0L}, {"99999999999", 2147483647L}})
    EXPECT_EQ(ReadDecimal(text), value) << text;

  const std::pair<const char*, double> stamps[] = {
      {"20240315102530", *AutomationDate(2024, 3, 15, 10, 25, 0)},
      {"202403151025301", *AutomationDate(2024, 3, 15, 10, 25, 30)},  // a further digit: the seconds are read
      {"2024031510", *AutomationDate(2024, 3, 15, 0, 0, 0)},          // the hour is the last field: not read
      {"20240230102530", 0},                                          // 30 February
  };
  for (const auto& [text, date] : stamps) EXPECT_EQ(ReadTimestamp(text), date) << text;
  EXPECT_EQ(*AutomationDate(1899, 12, 29, 6, 0, 0), -1.25);  // before the epoch the time still counts forwards
  EXPECT_FALSE(AutomationDate(1900, 2, 29, 0, 0, 0));
}

TEST(UpdateInfo, BareFileNamesAreFetchedBesideTheDocument) {
  const std::tuple<const char*, const char*, const char*, bool> cases[] = {
      {"app.exe.gz", "http://host/dir/upd.txt?x=1&y=/z", "http://host/dir/app.exe.gz", true},
      {"app.exe", "http://host?mode=check", "http://host/app.exe", false},  // the server's root
      {"app.exe", "file://C:\\upd\\info.txt", "file://C:\\upd\\app.exe", false},
      {"http://other/x.GZ", "http://host/dir/u.txt", "http://other/x.GZ", false},  // ".gz" in this case only
      {".gz", "http://host/d/u", ".gz", false},
  };
  for (const auto& [value, documentUrl, url, compressed] : cases) {
    bool isCompressed = false;
    EXPECT_EQ(EntryUrl(value, documentUrl, isCompressed), url) << value << " " << documentUrl;
    EXPECT_EQ(isCompressed, compressed) << value;
  }
}

TEST(UpdateInfo, PathMacrosExpandUntilNoPairIsLeft) {
  FakeMacros m;
  m.exe = "C:\\Program Files\\App\\app.exe";
  const std::pair<const char*, std::optional<std::string>> cases[] = {
      {"%windows%\\Fonts", "C:\\Windows\\Fonts\\"},
      {"%APP%", "\"C:\\Program Files\\App\\app.exe\""},        // quoted for its blank, no "\" after it
      {"%Personal%\\Sub", "C:\\Users\\me\\Documents\\Sub\\"},  // a shell folder naming a variable
      {"%NOSUCH%x", "x"},                                      // too short for a trailing backslash
      {"50% off", "50% off"},                                  // an unclosed "%" ends the expansion
  };
  for (const auto& [text, expanded] : cases) EXPECT_EQ(ExpandPathMacros(text, m, kMaxPathLength), expanded) << text;

  // A value that names itself, or one that grows beyond the limit, is rejected whole.
  m.environment["LOOP"] = "%LOOP%";
  EXPECT_EQ(ExpandPathMacros("%LOOP%", m, kMaxPathLength), std::nullopt);
  m.windows = std::string(255, 'w');
  EXPECT_EQ(ExpandPathMacros("%WINDOWS%", m, kMaxPathLength)->size(), 256u);
  EXPECT_EQ(ExpandPathMacros("%WINDOWS%\\Fonts", m, kMaxPathLength), std::nullopt);

  // A rejected path leaves the entry without one; an overlong line is ignored.
  const UpdateInfo info =
      Parse("[File]\nname=a\npath=%WINDOWS%\\Fonts\nversion=" + std::string(kMaxLineLength, '9') + "\n", m);
  ASSERT_EQ(info.files.size(), 1u);
  EXPECT_FALSE(info.files[0].pathGiven);
  EXPECT_EQ(info.files[0].path + info.files[0].newVersion, "");
}

}  // namespace
