// The About window with the real registered update component: loading, the internet switch, the
// update flow and the component's events, and the main window opening it modally.
#include "app/updates/frm_about_win.h"

#include <gtest/gtest.h>
#include <oleauto.h>
#include <windows.h>

#include <deque>
#include <fstream>
#include <functional>
#include <regex>

#include "app/forms/forms_win.h"
#include "app/shell/frm_main_window_win.h"
#include "app/shell/startup_win.h"
#include "app/state/app_state.h"
#include "app/state/program_win.h"
#include "app/state/settings_win.h"
#include "app/tools/files_win.h"
#include "app/tools/paths.h"
#include "app/tools/text.h"
#include "common/product.h"
#include "component/file_replacement_win.h"
#include "tests/component/com_client_win.h"
#include "tests/fixtures/program_win.h"
#include "tests/fixtures/registry_win.h"
#include "tests/fixtures/sage_data.h"
#include "tests/fixtures/sage_install_win.h"
#include "tests/fixtures/sdo_standin_win.h"
#include "tests/fixtures/test_env_win.h"

namespace lw {
namespace {

constexpr uint32_t kMagenta = 0xFF00FF;
const std::string kInvitation = "Click this button to check that your program is up to date ==>";
const std::regex kCheckTime(R"(\d\d/\d\d/\d{4} \d\d:\d\d)");
const std::string kFailure =
    "Check for Updates|" + std::to_string(MB_ICONHAND) + "|";  // a failure's box, its text after

std::string Ansi(BSTR b) { return updara_test::Ansi(updara_test::Text(b)); }

// ---- acting on a modal window from inside its own message loop ----

// A step for fixtures::ModalSteps: once the named form is on the screen, the action runs (once).
std::function<bool()> WhenShown(const char* form, std::function<void(HWND)> action) {
  return [form, action] {
    HWND w = fixtures::ThreadForm(form);
    if (!IsWindowVisible(w)) return false;
    action(w);
    return true;
  };
}

frmAbout& AboutOf(HWND w) {
  auto* about = dynamic_cast<frmAbout*>(forms::ControlFromHwnd(w));
  if (!about) throw std::runtime_error("not the About window");
  return *about;
}

void Click(HWND form, const char* control) {
  HWND button = forms::FindControl(form, control);
  PostMessageA(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
               reinterpret_cast<LPARAM>(button));
}

// ---- the component's events, delivered as the component delivers them ----

// The sinks connected to the object's event connection point.
std::vector<updara_test::Ref<IDispatch>> SinksOf(IUpdaraCom* object) {
  std::vector<updara_test::Ref<IDispatch>> sinks;
  if (!object) {
    ADD_FAILURE() << "the window has no component";
    return sinks;
  }
  const updara_test::Ref<IConnectionPoint> point = updara_test::EventsPoint(object);
  updara_test::Ref<IEnumConnections> connections;
  if (point.p) {
    EXPECT_EQ(point->EnumConnections(connections.put()), S_OK);
  }
  CONNECTDATA c{};
  while (connections.p && connections->Next(1, &c, nullptr) == S_OK) {
    sinks.emplace_back();
    c.pUnk->QueryInterface(IID_IDispatch, sinks.back().putv());
    c.pUnk->Release();
  }
  return sinks;
}

// Calls the window's sink with the event's numbers and, when given, its text (first to last), as
// the component's notification window does.
void FireEvent(IUpdaraCom* object, DISPID id, std::vector<long> numbers = {}, const wchar_t* text = nullptr) {
  std::vector<updara_test::Ref<IDispatch>> sinks = SinksOf(object);
  ASSERT_EQ(sinks.size(), 1u) << "the window connects one sink";
  std::vector<VARIANT> args(numbers.size() + (text ? 1 : 0));  // last to first, as Invoke takes them
  for (size_t i = 0; i < numbers.size(); ++i) {
    V_VT(&args[args.size() - 1 - i]) = VT_I4;
    V_I4(&args[args.size() - 1 - i]) = numbers[i];
  }
  if (text) {
    V_VT(&args[0]) = VT_BSTR;
    V_BSTR(&args[0]) = SysAllocString(text);
  }
  DISPPARAMS params{args.empty() ? nullptr : args.data(), nullptr, UINT(args.size()), 0};
  EXPECT_EQ(sinks[0]->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
            S_OK);
  for (VARIANT& v : args) VariantClear(&v);
}

// An entry of the component, as a check would have left it.
void AddEntry(IUpdaraCom* object, const UpdateEntry& e, DATE newDate = 0) {
  updara_test::Ref<IUpdFile> file;
  ASSERT_EQ(updara_test::RefOf(object, &IUpdaraCom::get_Files)->Add(updara_test::Bstr(updara_test::Wide(e.name).c_str()), file.put()), S_OK);
  file->put_NeedReplace(e.needReplace ? VARIANT_TRUE : VARIANT_FALSE);
  file->put_Path(updara_test::Bstr(updara_test::Wide(e.path).c_str()));
  file->put_MyVersion(updara_test::Bstr(updara_test::Wide(e.myVersion).c_str()));
  file->put_NewVersion(updara_test::Bstr(updara_test::Wide(e.newVersion).c_str()));
  file->put_Size(e.size);
  if (newDate) file->put_NewDate(newDate);
}

// Each entry of the component as "name path", "name path (marked)" when it is to be fetched.
std::vector<std::string> Entries(const UpdateComponent& component) {
  std::vector<std::string> entries;
  for (const ComRef<IUpdFile>& file : component.Files()) {
    const UpdateEntry e = ReadEntry(*file.get());
    entries.push_back(e.name + " " + e.path + (e.needReplace ? " (marked)" : ""));
  }
  return entries;
}

class AboutWindow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(updara_test::Regsvr32(L"/s"), 0u); }
  static void TearDownTestSuite() { updara_test::Regsvr32(L"/u /s"); }
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    updara_test::ForgetAcceptedSequences();
    fixtures::ClearSettings();
    ResetApplicationState();
    App.CountryName = "United Kingdom";
    App.CountryCode = "44";
    App.RegionWebSite = "https://www.brenkgroup.co.uk";
    App.RegionEmail = "support@brenkgroup.co.uk";
    App.UpdateHost = "updates.brenkgroup.test";
    previous = forms::SetMsgBoxHandler([this](const std::string& text, unsigned style, const std::string& title) {
      boxes.push_back(title + "|" + std::to_string(style) + "|" + text);
      if (answers.empty()) return IDOK;
      const int answer = answers.front();
      answers.pop_front();
      return answer;
    });
  }
  void TearDown() override {
    about.reset();
    updara_test::ForgetAcceptedSequences();
    forms::SetMsgBoxHandler(previous);
    fixtures::ClearSettings();
    fixtures::RemoveSdoStandIns();
    ResetApplicationState();
    CoUninitialize();
  }
  void Open() {
    about = std::make_unique<frmAbout>();
    about->Load();
    about->Show();
    ASSERT_TRUE(about->oKiv) << about->oKiv.Failure();
  }
  std::string Text(const char* name) const { return fixtures::WindowText(forms::FindControl(about->Hwnd(), name)); }
  bool Enabled(const char* name) const { return IsWindowEnabled(forms::FindControl(about->Hwnd(), name)); }
  // The data folder the program is looking at, with the synthetic company's details.
  void UseDataFolder() {
    fixtures::WriteDataFolder(dir.Path("Wickham"), fixtures::SetupDta{});
    App.DataPath = dir.Win("Wickham\\ACCDATA");
    App.DataVersion = "18";
  }
  fixtures::ScratchFolder dir;
  std::unique_ptr<frmAbout> about;
  std::vector<std::string> boxes;  // every message box: "title|style|text"
  std::deque<int> answers;         // what they answer, first to last (then OK)
  forms::MsgBoxHandler previous;
};

TEST_F(AboutWindow, LoadingShowsTheVersionsRegionAndAddressesAndSetsUpTheComponent) {
  fixtures::InstallSdoStandIn(18, "18.0.10.208");
  App.DataVersion = "18";
  App.EndRequested = true;  // left from before: a new window starts without it
  Open();
  EXPECT_FALSE(App.EndRequested);
  const std::string version = Format("Version: %d.%d.%d   SDO: ", kVersionMajor, kVersionMinor, kVersionRevision);
  EXPECT_EQ(Text("lblVersion"), version + "18.0.10.208");
  EXPECT_EQ(Text("lblRegion"), "Region: United Kingdom");
  EXPECT_EQ(Text("lblWeb"), "https://www.brenkgroup.co.uk");
  EXPECT_EQ(Text("lblEmail"), "support@brenkgroup.co.uk");
  EXPECT_EQ(Text("cmdOK"), "Continue") << "opened before the main window was shown";
  EXPECT_EQ(Text("lblUpdate"), kInvitation);
  // A visible, non-blocking run that needs administrator rights.
  VARIANT_BOOL requireAdmin = VARIANT_FALSE, visible = VARIANT_FALSE, blocking = VARIANT_TRUE;
  IUpdaraCom* component = about->oKiv.Object();
  ASSERT_TRUE(SUCCEEDED(component->get_RequireAdmin(&requireAdmin)) && SUCCEEDED(component->get_Visible(&visible)) &&
              SUCCEEDED(component->get_Blocking(&blocking)));
  EXPECT_EQ(std::vector<int>({requireAdmin, visible, blocking}),
            std::vector<int>({VARIANT_TRUE, VARIANT_TRUE, VARIANT_FALSE}));

  // Once the main window is up it reads "Exit"; without an engine the SDO part stays empty.
  about.reset();
  fixtures::RemoveSdoStandIns();
  App.MainWindowReady = true;
  Open();
  EXPECT_EQ(Text("cmdOK"), "Exit");
  EXPECT_EQ(Text("lblVersion"), version);
  Click(about->Hwnd(), "cmdOK");
  EXPECT_TRUE(fixtures::PumpUntil([&] { return !about->Loaded(); }));
  EXPECT_FALSE(about->oKiv) << "the window lets go of the component when it unloads";
}

TEST_F(AboutWindow, TheStatusLineShowsAnAnnouncedVersionOrTheLastCheckAndItsDoubleClickTheReport) {
  const std::string report = "File: a.exe  Current Version: 1  New Version: 1  Needs Replacing: False";
  SaveAppSetting("UpdateChk", "03/02/2026 14:25");
  SaveAppSetting("UpdateLog", report);
  Open();
  EXPECT_EQ(Text("lblUpdate"), "Last Update Check was 03/02/2026 14:25");
  HWND status = about->lblUpdate->Hwnd();
  PostMessageA(GetParent(status), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(status), STN_DBLCLK), LPARAM(status));
  fixtures::PumpFor(50);
  EXPECT_EQ(boxes, std::vector<std::string>{"Ledgerwell|0|" + report});

  // An announced version wins, and with the RSS check's account the double click shows that;
  // without an announced version the account is not news any more: the report again.
  about.reset();
  App.NewRssVer = "18.0.30";
  App.RssDetails = "Version 18.0.30 Changes\r\nFaster start";
  Open();
  EXPECT_EQ(Text("lblUpdate"), "UPDATE AVAILABLE Click this button to install 18.0.30 ==>");
  about->lblUpdate->onDblClick();
  App.NewRssVer.clear();
  about->lblUpdate->onDblClick();
  EXPECT_EQ(boxes,
            (std::vector<std::string>{"Ledgerwell|0|" + report, "Ledgerwell|0|Version 18.0.30 Changes\r\nFaster start",
                                      "Ledgerwell|0|" + report}));
}

TEST_F(AboutWindow, RightClickingTheUpdateButtonSwitchesTheRssCheckingEitherWay) {
  const std::string asked = "RSS Version Checking|" + std::to_string(MB_YESNO | MB_ICONEXCLAMATION) +
                            "|RSS Internet Version Checking is turned ";
  const std::string on = asked + "OFF on this computer. Do you want to turn it ON ?",
                    off = asked + "ON on this computer. Do you want to turn it OFF ?";
  // No leaves the checking as it is, Yes switches it, each time asked about the state it is in.
  struct Case {
    int answer;
    const std::string& asked;
    bool noInternet;
    const char* stored;
  };
  const Case cases[] = {
      {IDNO, off, false, "unset"}, {IDYES, off, true, "Y"}, {IDNO, on, true, "Y"}, {IDYES, on, false, "N"}};
  Open();
  HWND button = about->cmdWebUpdate->Hwnd();
  for (const Case& c : cases) {
    SCOPED_TRACE(boxes.size());
    answers = {c.answer};
    boxes.clear();
    PostMessageA(button, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
    PostMessageA(button, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
    fixtures::PumpFor(100);
    EXPECT_EQ(boxes, std::vector<std::string>{c.asked});
    EXPECT_EQ(App.NoInternet, c.noInternet);
    EXPECT_EQ(GetGlobalSetting("NoInternet", "unset"), c.stored);
  }
  EXPECT_EQ(Text("lblUpdate"), kInvitation) << "right clicks are no update clicks";
}

TEST_F(AboutWindow, TheUpdateClickChecksWithTheCompanysDetailsAndReportsTheFailedCheck) {
  UseDataFolder();
  App.NoInternet = true;
  App.NewRssVer = "18.0.30";
  App.UpdateHost = "127.0.0.1:1";  // nobody listens there
  SaveAppSetting("NewRssVer", "18.0.30");
  SaveAppSetting("UpdateChk", "03/02/2026 14:25");
  Open();
  answers = {IDNO};  // leave the RSS checking off: the check goes ahead all the same
  SendMessageA(about->cmdWebUpdate->Hwnd(), BM_CLICK, 0, 0);
  // Before any event has come back: the check is under way.
  EXPECT_EQ(Text("lblUpdate"), "Checking for Updates");
  EXPECT_FALSE(Enabled("cmdOK"));
  EXPECT_EQ(App.NewRssVer, "");
  EXPECT_EQ(GetAppSetting("NewRssVer", "?"), "");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(boxes[0].starts_with("RSS Version Checking|")) << boxes[0];
  EXPECT_TRUE(App.NoInternet);
  BSTR url = nullptr;
  ASSERT_EQ(about->oKiv.Object()->get_URL(&url), S_OK);
  EXPECT_EQ(Ansi(url), "https://127.0.0.1:1/updates/l50upd.asp?mode=check&region=44&ver=" +
                           Format("%02d%02d%04d", kVersionMajor, kVersionMinor, kVersionRevision) +
                           "&coy=Wickham%20Joinery%20Ltd&addr=Unit%204%20Mill%20Lane%5EWickham%5EHampshire%5EPO17%205AB"
                           "&tel=01329%20555%200192&ema=accounts%40wickhamjoinery%2Eexample&vat=GB%20123%204567%2089");

  // The server cannot be reached: the check fails, and says why.
  ASSERT_TRUE(fixtures::PumpUntil([&] { return Text("lblUpdate") == "Update Check Failed"; }, 10000));
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1], kFailure + "The attempt to connect to the server failed.");
  EXPECT_TRUE(Enabled("cmdOK"));
  EXPECT_EQ(GetAppSetting("UpdateChk", "?"), "03/02/2026 14:25") << "a failed check is no check";
  EXPECT_EQ(GetAppSetting("UpdateLog", "none"), "none");
}

// The component's events after a check, each with the button disabled as during a run: the status
// line, a failure's message box, and whether the time of the check is kept.
TEST_F(AboutWindow, TheComponentsEventsEndTheRunAndOnlySuccessesStoreTheCheckTime) {
  const char* kFailed = "Update Check Failed";
  struct Case {
    DISPID event;
    std::vector<long> numbers;
    const wchar_t* failure;  // the error text of a failed step, else null
    const char *atOnce, *atTheEnd;
  };
  const Case cases[] = {
      {EventCheckDone, {0, 0}, nullptr, "No New Updates Found", "No New Updates Found"},  // nothing to fetch
      // Nothing waits to be put in place, so the component's update finishes at once.
      {EventDownloadDone, {0}, nullptr, "Update Downloaded - Installing", "Update Completed"},
      {EventUpdateDone, {30008}, L"Failed to register COM server.", kFailed, kFailed},
      {EventDownloadDone, {30011}, L"Invalid MD5 checksum after download.", kFailed, kFailed},
  };
  Open();
  AddEntry(about->oKiv.Object(),
           {"Ledgerwell.exe", "18.0.21.0", "18.0.21.0", false, "c:\\elsewhere\\Ledgerwell.exe", 0, ""});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.atTheEnd);
    SaveAppSetting("UpdateChk", "03/02/2026 14:25");
    boxes.clear();
    about->cmdOK->SetEnabled(false);
    FireEvent(about->oKiv.Object(), c.event, c.numbers, c.failure ? c.failure : L"");
    EXPECT_EQ(Text("lblUpdate"), c.atOnce);
    EXPECT_TRUE(fixtures::PumpUntil([&] { return Text("lblUpdate") == c.atTheEnd; }));
    EXPECT_TRUE(Enabled("cmdOK"));
    const std::string checked = GetAppSetting("UpdateChk", "");
    if (c.failure) {
      EXPECT_EQ(boxes, std::vector<std::string>{kFailure + updara_test::Ansi(c.failure)});
      EXPECT_EQ(checked, "03/02/2026 14:25") << "a failure is no check";
    } else {
      EXPECT_TRUE(boxes.empty()) << boxes[0];
      EXPECT_TRUE(std::regex_match(checked, kCheckTime) && checked != "03/02/2026 14:25") << checked;
    }
  }
  EXPECT_EQ(GetAppSetting("UpdateLog", ""),
            "File: Ledgerwell.exe  Current Version: 18.0.21.0  New Version: 18.0.21.0  Needs Replacing: False");
  EXPECT_EQ(Entries(about->oKiv), std::vector<std::string>{"Ledgerwell.exe c:\\elsewhere\\Ledgerwell.exe"})
      << "an entry that is not fetched stays where it is";
}

// The review reads the local copies beside the program and writes its decisions into the entries.
TEST_F(AboutWindow, TheReviewJudgesEntriesByTheirLocalCopiesRedirectsThemAndStartsTheDownload) {
  const std::string folder = ProgramFolder(), home = NormaliseFolder(folder);
  const std::string doc = folder + "lw_about_test.rtf", data = folder + "lw_about_test.dat";
  std::ofstream(doc, std::ios::binary) << "{\\rtf1 Help\\par End of Document v18.0.22 \\par}";
  std::ofstream(data, std::ios::binary) << "0123456789";
  const SYSTEMTIME older{2001, 2, 0, 3, 4, 5, 0, 0};
  DATE olderDate = 0;
  ASSERT_TRUE(SystemTimeToVariantTime(const_cast<SYSTEMTIME*>(&older), &olderDate));
  Open();
  IUpdaraCom* o = about->oKiv.Object();
  AddEntry(o, {"lw_about_test.rtf", "", "18.0.22", true, "c:\\elsewhere\\lw_about_test.rtf", 0, ""});
  AddEntry(o, {"lw_about_test.dat", "", "", true, "", 10, ""}, olderDate);
  AddEntry(o, {"lw_about_missing.dat", "", "", false, "", 10, ""}, olderDate);
  AddEntry(o, {"Other.exe", "1.0", "1.1", true, "c:\\elsewhere\\Other.exe", 0, ""});
  FireEvent(o, EventCheckDone, {3, 0}, L"");  // the component marked three of them
  DeleteFileA(doc.c_str());
  DeleteFileA(data.c_str());
  // The same document version and the same size with an older date: not fetched, and not moved.
  EXPECT_EQ(Entries(about->oKiv),
            (std::vector<std::string>{"lw_about_test.rtf c:\\elsewhere\\lw_about_test.rtf", "lw_about_test.dat ",
                                      "lw_about_missing.dat " + home + "lw_about_missing.dat (marked)",
                                      "Other.exe " + home + "Other.exe (marked)"}));
  const std::string log = GetAppSetting("UpdateLog", "");
  const std::string localStamp = log.substr(log.find("Current Size/Date: 10/") + 22, 14);
  EXPECT_TRUE(std::regex_match(localStamp, std::regex(R"(20\d{12})"))) << localStamp;
  EXPECT_EQ(log,
            "File: lw_about_test.rtf  Current Version: 18.0.22  New Version: 18.0.22  Needs Replacing: False\r\n"
            "File: lw_about_test.dat  Current Size/Date: 10/" +
                localStamp +
                "  New Size/Date: 10/20010203040500  Needs Replacing: False\r\n"
                "File: lw_about_missing.dat  Current Size/Date: /  New Size/Date: 10/20010203040500  "
                "Needs Replacing: True\r\n"
                "File: Other.exe  Current Version: 1.0  New Version: 1.1  Needs Replacing: True");

  // Two to fetch: the download starts, and fails, as these entries name nothing to fetch.
  EXPECT_EQ(Text("lblUpdate"), "Update Found - Downloading");
  ASSERT_TRUE(fixtures::PumpUntil([&] { return Text("lblUpdate") == "Update Check Failed"; }));
  EXPECT_EQ(boxes, std::vector<std::string>{kFailure + "The system cannot find the path specified."});
  EXPECT_TRUE(Enabled("cmdOK"));
  EXPECT_EQ(GetAppSetting("UpdateChk", "none"), "none");
}

TEST_F(AboutWindow, CloseAppAsksForTheEndAndTheAboutWindowAfterTheRestart) {
  SaveAppSetting("NewUpdate", "N");
  Open();
  const ComRef<IUpdaraCom> component(about->oKiv.Object());
  FireEvent(component.get(), EventCloseApp);
  EXPECT_FALSE(about->Loaded());
  EXPECT_FALSE(about->oKiv);
  EXPECT_TRUE(App.EndRequested);
  EXPECT_EQ(GetAppSetting("NewUpdate", "?"), "Y");
  EXPECT_TRUE(std::regex_match(GetAppSetting("UpdateChk", ""), kCheckTime));
  EXPECT_TRUE(SinksOf(component.get()).empty()) << "the window let go of its sink: a late event reaches no one";
}

TEST_F(AboutWindow, DownloadsLeftByAnEarlierRunAreClearedAndNothingElse) {
  // A replacement list of the component's default name, naming one of its downloads that is still
  // there: the component reports it when the window creates it, and the window has it cleared.
  char temp[MAX_PATH] = {};
  GetTempPathA(sizeof temp, temp);
  const std::string folder = updara::LongPathOf(temp);
  const std::string list = folder + "Updara.uda", download = folder + "UDXA1B2.tmp";
  std::ofstream(download, std::ios::binary) << "new content";
  std::ofstream(list, std::ios::binary) << "#UDA Signature\"C:\\host.exe\"\r\n1\r\n\r\n\r\n#" << download
                                        << ">C:\\target.dll|0|0|0|0\r\n";
  Open();
  EXPECT_TRUE(fixtures::PumpUntil([&] { return GetFileAttributesA(list.c_str()) == INVALID_FILE_ATTRIBUTES; }));
  EXPECT_EQ(GetFileAttributesA(download.c_str()), INVALID_FILE_ATTRIBUTES);
  about.reset();

  // A list another program wrote there, naming the customer's file: the window's component is made
  // and cleared, and the file is still there.
  const std::string victim = dir.Win("ledger-backup.xlsx");
  std::ofstream(victim, std::ios::binary) << "the customer's own file";
  std::ofstream(list, std::ios::binary) << "#UDA Signature\"C:\\host.exe\"\r\n1\r\n\r\n\r\n"
                                        << victim << ">C:\\target.dll|0|0|0|0\r\n";
  Open();
  fixtures::PumpFor(300);
  ASSERT_EQ(about->oKiv.Clear(), S_OK);
  EXPECT_EQ(ReadWholeFile(victim, fixtures::kFixtureFileLimit), "the customer's own file");
  DeleteFileA(list.c_str());
}

TEST_F(AboutWindow, WithoutTheComponentTheUpdateClickSaysWhyAndTheWindowStaysUsable) {
  ASSERT_EQ(updara_test::Regsvr32(L"/u /s"), 0u);
  about = std::make_unique<frmAbout>();
  about->Load();
  about->Show();
  ASSERT_EQ(updara_test::Regsvr32(L"/s"), 0u);  // for the tests after this one
  EXPECT_FALSE(about->oKiv);
  SendMessageA(about->cmdWebUpdate->Hwnd(), BM_CLICK, 0, 0);
  EXPECT_EQ(Text("lblUpdate"), "Update Check Failed");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(boxes[0].starts_with(kFailure) && boxes[0].find("0x80040154") != std::string::npos)
      << boxes[0];  // class not registered
  EXPECT_TRUE(Enabled("cmdOK"));
}

// The shell's handlers of web and mail addresses, replaced for a test by one that writes what it
// was asked to open into a file (so no browser or mail program starts), and put back afterwards.
class RecordingShellHandlers {
 public:
  explicit RecordingShellHandlers(std::string file) : file_(std::move(file)) {
    for (const char* scheme : kSchemes) {
      saved_.push_back(fixtures::ReadRaw(HKEY_CLASSES_ROOT, Key(scheme), ""));
      const std::string command = "C:\\windows\\system32\\cmd.exe /c echo \"%1\"> \"" + file_ + "\"";
      fixtures::WriteRaw(HKEY_CLASSES_ROOT, Key(scheme), "", REG_SZ, command + '\0');
    }
  }
  ~RecordingShellHandlers() {
    for (size_t i = 0; i < std::size(kSchemes); ++i)
      if (saved_[i].present)
        fixtures::WriteRaw(HKEY_CLASSES_ROOT, Key(kSchemes[i]), "", saved_[i].type, saved_[i].bytes);
  }
  // What the shell was last asked to open, once the handler has written it and let go of the file
  // (read earlier, it may be incomplete, and a file still held cannot be deleted for the next one).
  std::string Opened() const {
    fixtures::PumpUntil(
        [&] {
          HANDLE h = CreateFileA(file_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
          if (h == INVALID_HANDLE_VALUE) return false;
          CloseHandle(h);
          return true;
        },
        10000);
    std::string text = Trim(ReadWholeFile(file_, fixtures::kFixtureFileLimit));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    DeleteFileA(file_.c_str());
    return text;
  }

 private:
  static constexpr const char* kSchemes[] = {"https", "mailto"};
  static std::string Key(const char* scheme) { return std::string(scheme) + "\\shell\\open\\command"; }
  std::string file_;
  std::vector<fixtures::RawValue> saved_;
};

TEST_F(AboutWindow, TheAddressesOpenThePublishersPageOrAMailAndTurnMagenta) {
  UseDataFolder();
  RecordingShellHandlers shell(dir.Win("opened.txt"));
  Open();
  const uint32_t linkColour = about->lblWeb->ForeColor();
  EXPECT_NE(linkColour, kMagenta);
  // The please-wait notice comes first; a key closes it.
  auto pressKey = [](HWND notice) { PostMessageA(notice, WM_CHAR, 'x', 0); };
  fixtures::ModalSteps webNotice(WhenShown("frmPleaseWait", pressKey));
  PostMessageA(about->Hwnd(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(about->lblWeb->Hwnd()), STN_CLICKED),
               reinterpret_cast<LPARAM>(about->lblWeb->Hwnd()));
  EXPECT_EQ(shell.Opened(),
            "\"https://www.brenkgroup.co.uk/?mode=about&region=44&ver=" +
                Format("%02d%02d%04d", kVersionMajor, kVersionMinor, kVersionRevision) +
                "&coy=Wickham%20Joinery%20Ltd&addr=Unit%204%20Mill%20Lane%5EWickham%5EHampshire%5EPO17%205AB"
                "&tel=01329%20555%200192&ema=accounts%40wickhamjoinery%2Eexample&vat=GB%20123%204567%2089\"");
  EXPECT_TRUE(webNotice.Finished());
  EXPECT_EQ(about->lblWeb->ForeColor(), kMagenta);
  EXPECT_EQ(about->lblEmail->ForeColor(), linkColour);

  fixtures::ModalSteps mailNotice(WhenShown("frmPleaseWait", pressKey));
  PostMessageA(about->Hwnd(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(about->lblEmail->Hwnd()), STN_CLICKED),
               reinterpret_cast<LPARAM>(about->lblEmail->Hwnd()));
  EXPECT_EQ(shell.Opened(), "\"mailto:support@brenkgroup.co.uk\"");
  EXPECT_EQ(about->lblEmail->ForeColor(), kMagenta);
}

// ---- opened from the main window (the start-up opens it in the Startup and SelfUpdate tests) ----

TEST_F(AboutWindow, TheMainWindowsAboutButtonOpensItModallyAndEndsTheProgramWhenAsked) {
  std::string okCaption;
  bool mainDisabled = false;
  frmMain main;
  main.Load();
  ASSERT_TRUE(App.MainWindowReady);
  fixtures::ModalSteps closed(WhenShown("frmAbout", [&](HWND w) {
    okCaption = fixtures::WindowText(forms::FindControl(w, "cmdOK"));
    mainDisabled = !IsWindowEnabled(main.Hwnd());
    Click(w, "cmdOK");
  }));
  Click(main.Hwnd(), "cmdAbout");
  ASSERT_TRUE(fixtures::PumpUntil(
      [&] { return closed.Finished() && !IsWindowVisible(fixtures::ThreadForm("frmAbout")); }, 10000));
  EXPECT_EQ(okCaption, "Exit");
  EXPECT_TRUE(mainDisabled);
  EXPECT_TRUE(main.Loaded()) << "closing the About window leaves the program running";
  EXPECT_TRUE(IsWindowEnabled(main.Hwnd()));

  // The component asks to close the program for its updater: the main window goes with it.
  fixtures::ModalSteps closesApp(
      WhenShown("frmAbout", [](HWND w) { FireEvent(AboutOf(w).oKiv.Object(), EventCloseApp); }));
  Click(main.Hwnd(), "cmdAbout");
  ASSERT_TRUE(fixtures::PumpUntil([&] { return !main.Loaded(); }, 10000));
  EXPECT_TRUE(closesApp.Finished());
  EXPECT_TRUE(App.EndRequested);
  EXPECT_TRUE(forms::ProgramEnded()) << "no window is left to keep the program running";
}

}  // namespace
}  // namespace lw
