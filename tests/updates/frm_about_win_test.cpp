// The About window with the real registered update component: loading, the internet switch, the
// update flow and the component's events, and the two places that open it modally.
#include "app/updates/frm_about_win.h"

#include <windows.h>

#include <oleauto.h>

#include <gtest/gtest.h>

#include <deque>
#include <fstream>
#include <functional>
#include <regex>

#include "app/discovery/setup_dta_win.h"
#include "app/forms/forms_win.h"
#include "app/shell/frm_main_window_win.h"
#include "app/shell/startup_win.h"
#include "app/state/app_state.h"
#include "app/state/program_win.h"
#include "app/state/settings_win.h"
#include "app/tools/files_win.h"
#include "app/tools/paths.h"
#include "app/tools/text.h"
#include "common/com_text_win.h"
#include "common/product.h"
#include "component/file_replacement_win.h"
#include "tests/component/com_client_win.h"
#include "tests/fixtures/peers_win.h"
#include "tests/fixtures/program_win.h"
#include "tests/fixtures/registry_win.h"
#include "tests/fixtures/sage_install_win.h"
#include "tests/fixtures/sage_data.h"
#include "tests/fixtures/sdo_standin_win.h"
#include "tests/fixtures/test_env_win.h"
#include "tests/fixtures/update_signer_win.h"

namespace lw {
namespace {

constexpr uint32_t kMagenta = 0xFF00FF;
const std::string kRefused = "The attempt to connect to the server failed.";
const std::string kInvitation = "Click this button to check that your program is up to date ==>";
const std::regex kCheckTime(R"(\d\d/\d\d/\d{4} \d\d:\d\d)");

// The text of a returned BSTR, which it frees.
std::string Ansi(BSTR b) {
  std::string text = AnsiText(b);
  SysFreeString(b);
  return text;
}

struct Box {
  std::string text;
  unsigned style;
  std::string title;
};

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

// Calls every sink connected to the object's event connection point with the event's arguments
// (given first to last), as the component's notification window does.
void FireEvent(IUpdaraCom* object, DISPID id, std::vector<VARIANT> args) {
  ASSERT_NE(object, nullptr);
  updara_test::Ref<IConnectionPointContainer> container;
  ASSERT_EQ(object->QueryInterface(IID_IConnectionPointContainer, container.putv()), S_OK);
  updara_test::Ref<IConnectionPoint> point;
  ASSERT_EQ(container->FindConnectionPoint(DIID__IUpdaraComEvents, point.put()), S_OK);
  updara_test::Ref<IEnumConnections> connections;
  ASSERT_EQ(point->EnumConnections(connections.put()), S_OK);
  std::vector<IDispatch*> sinks;
  CONNECTDATA c{};
  while (connections->Next(1, &c, nullptr) == S_OK) {
    IDispatch* sink = nullptr;
    if (SUCCEEDED(c.pUnk->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&sink)))) sinks.push_back(sink);
    c.pUnk->Release();
  }
  ASSERT_EQ(sinks.size(), 1u) << "the window connects one sink";
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr, UINT(reversed.size()), 0};
  for (IDispatch* sink : sinks) {
    EXPECT_EQ(sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
              S_OK);
    sink->Release();
  }
  for (VARIANT& v : args) VariantClear(&v);
}
VARIANT Long(long value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_I4;
  V_I4(&v) = value;
  return v;
}
VARIANT String(const wchar_t* text) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = SysAllocString(text);
  return v;
}

// ---- entries of the component, as a check would have left them ----

struct EntryFields {
  const wchar_t* name;
  bool needReplace;
  const wchar_t* path = L"";
  const wchar_t* myVersion = L"";
  const wchar_t* newVersion = L"";
  long size = 0;
  SYSTEMTIME newDate{};  // wYear 0: none
};
void AddEntry(IUpdaraCom* object, const EntryFields& fields) {
  updara_test::Ref<IUpdFiles> files;
  ASSERT_EQ(object->get_Files(files.put()), S_OK);
  updara_test::Ref<IUpdFile> file;
  ASSERT_EQ(files->Add(updara_test::Bstr(fields.name), file.put()), S_OK);
  file->put_NeedReplace(fields.needReplace ? VARIANT_TRUE : VARIANT_FALSE);
  file->put_Path(updara_test::Bstr(fields.path));
  file->put_MyVersion(updara_test::Bstr(fields.myVersion));
  file->put_NewVersion(updara_test::Bstr(fields.newVersion));
  file->put_Size(fields.size);
  if (fields.newDate.wYear) {
    DATE d = 0;
    ASSERT_TRUE(SystemTimeToVariantTime(const_cast<SYSTEMTIME*>(&fields.newDate), &d));
    file->put_NewDate(d);
  }
}
struct EntryState {
  std::string myVersion, path;
  bool needReplace;
};
EntryState StateOf(IUpdaraCom* object, const wchar_t* name) {
  updara_test::Ref<IUpdFiles> files;
  EXPECT_EQ(object->get_Files(files.put()), S_OK);
  VARIANT key = String(name);
  updara_test::Ref<IUpdFile> file;
  EXPECT_EQ(files->get_Item(key, file.put()), S_OK);
  VariantClear(&key);
  if (!file.p) return {};
  BSTR b = nullptr;
  EntryState s{};
  file->get_MyVersion(&b);
  s.myVersion = Ansi(b);
  b = nullptr;
  file->get_Path(&b);
  s.path = Ansi(b);
  VARIANT_BOOL need = VARIANT_FALSE;
  file->get_NeedReplace(&need);
  s.needReplace = need != VARIANT_FALSE;
  return s;
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
      boxes.push_back({text, style, title});
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
  std::string Text(const char* name) const {
    char buf[1024] = {};
    GetWindowTextA(forms::FindControl(about->Hwnd(), name), buf, sizeof buf);
    return buf;
  }
  bool Enabled(const char* name) const { return IsWindowEnabled(forms::FindControl(about->Hwnd(), name)); }
  void RightClick(const char* name) const {
    HWND button = forms::FindControl(about->Hwnd(), name);
    PostMessageA(button, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
    PostMessageA(button, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
    fixtures::PumpFor(100);
  }
  // The data folder the program is looking at, with the synthetic company's details.
  void UseDataFolder() {
    fixtures::WriteDataFolder(dir.Path("Wickham"), fixtures::SetupDta{});
    App.DataPath = dir.Win("Wickham\\ACCDATA");
    App.DataVersion = "18";
  }

  fixtures::ScratchFolder dir;
  std::unique_ptr<frmAbout> about;
  std::vector<Box> boxes;
  std::deque<int> answers;
  forms::MsgBoxHandler previous;
};

TEST_F(AboutWindow, LoadingShowsTheProgramItsVersionsRegionAndAddresses) {
  fixtures::InstallSdoStandIn(18, "18.0.10.208");
  App.DataVersion = "18";
  App.EndRequested = true;  // left from before: a new window starts without it
  Open();
  EXPECT_FALSE(App.EndRequested);
  EXPECT_EQ(about->Caption(), "About Ledgerwell");
  EXPECT_EQ(Text("lblTitle"), "Ledgerwell");
  EXPECT_EQ(Text("lblVersion"),
            Format("Version: %d.%d.%d   SDO: 18.0.10.208", kVersionMajor, kVersionMinor, kVersionRevision));
  EXPECT_EQ(Text("lblRegion"), "Region: United Kingdom");
  EXPECT_EQ(Text("lblWb"), "Web:");
  EXPECT_EQ(Text("lblWeb"), "https://www.brenkgroup.co.uk");
  EXPECT_EQ(Text("lblEm"), "Email:");
  EXPECT_EQ(Text("lblEmail"), "support@brenkgroup.co.uk");
  EXPECT_EQ(Text("cmdWebUpdate"), "Check for Update");
  // Opened before the main window was shown: the way on is "Continue".
  EXPECT_EQ(Text("cmdOK"), "Continue");
  EXPECT_EQ(Text("lblUpdate"), kInvitation);
  // The component is set up for a visible, non-blocking run that needs administrator rights.
  VARIANT_BOOL requireAdmin = VARIANT_FALSE, visible = VARIANT_FALSE, blocking = VARIANT_TRUE;
  ASSERT_EQ(about->oKiv.Object()->get_RequireAdmin(&requireAdmin), S_OK);
  ASSERT_EQ(about->oKiv.Object()->get_Visible(&visible), S_OK);
  ASSERT_EQ(about->oKiv.Object()->get_Blocking(&blocking), S_OK);
  EXPECT_EQ(requireAdmin, VARIANT_TRUE);
  EXPECT_EQ(visible, VARIANT_TRUE);
  EXPECT_EQ(blocking, VARIANT_FALSE);

  // Once the main window is up it reads "Exit"; without an engine the SDO part stays empty.
  about.reset();
  fixtures::RemoveSdoStandIns();
  App.MainWindowReady = true;
  Open();
  EXPECT_EQ(Text("cmdOK"), "Exit");
  EXPECT_EQ(Text("lblVersion"), Format("Version: %d.%d.%d   SDO: ", kVersionMajor, kVersionMinor, kVersionRevision));
  Click(about->Hwnd(), "cmdOK");
  fixtures::PumpUntil([&] { return !about->Loaded(); });
  EXPECT_FALSE(about->Loaded());
  EXPECT_FALSE(about->oKiv) << "the window lets go of the component when it unloads";
}

TEST_F(AboutWindow, TheStatusLineShowsAnAnnouncedVersionOrTheLastCheckAndItsDoubleClickTheReport) {
  SaveAppSetting("UpdateChk", "03/02/2026 14:25");
  SaveAppSetting("UpdateLog", "File: a.exe  Current Version: 1  New Version: 1  Needs Replacing: False");
  Open();
  EXPECT_EQ(Text("lblUpdate"), "Last Update Check was 03/02/2026 14:25");
  PostMessageA(GetParent(about->lblUpdate->Hwnd()), WM_COMMAND,
               MAKEWPARAM(GetDlgCtrlID(about->lblUpdate->Hwnd()), STN_DBLCLK),
               reinterpret_cast<LPARAM>(about->lblUpdate->Hwnd()));
  fixtures::PumpFor(50);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "File: a.exe  Current Version: 1  New Version: 1  Needs Replacing: False");
  EXPECT_EQ(boxes[0].title, "Ledgerwell");
  EXPECT_EQ(boxes[0].style, unsigned(MB_OK));

  // An announced version wins, and with the RSS check's account the double click shows that.
  about.reset();
  App.NewRssVer = "18.0.30";
  App.RssDetails = "Version 18.0.30 Changes\r\nFaster start";
  Open();
  EXPECT_EQ(Text("lblUpdate"), "UPDATE AVAILABLE Click this button to install 18.0.30 ==>");
  about->lblUpdate->onDblClick();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1].text, "Version 18.0.30 Changes\r\nFaster start");
  // Without an announced version the account is not news any more: the report again.
  App.NewRssVer.clear();
  about->lblUpdate->onDblClick();
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[2].text, "File: a.exe  Current Version: 1  New Version: 1  Needs Replacing: False");
}

TEST_F(AboutWindow, RightClickingTheUpdateButtonSwitchesTheRssCheckingEitherWay) {
  const std::string on = "RSS Internet Version Checking is turned OFF on this computer. Do you want to turn it ON ?";
  const std::string off = "RSS Internet Version Checking is turned ON on this computer. Do you want to turn it OFF ?";
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
  for (const Case& c : cases) {
    SCOPED_TRACE(boxes.size());
    answers = {c.answer};
    const size_t before = boxes.size();
    RightClick("cmdWebUpdate");
    ASSERT_EQ(boxes.size(), before + 1);
    EXPECT_EQ(boxes.back().text, c.asked);
    EXPECT_EQ(boxes.back().style, unsigned(MB_YESNO | MB_ICONEXCLAMATION));
    EXPECT_EQ(boxes.back().title, "RSS Version Checking");
    EXPECT_EQ(App.NoInternet, c.noInternet);
    EXPECT_EQ(GetGlobalSetting("NoInternet", "unset"), c.stored);
  }
  // Right clicks are no update clicks.
  EXPECT_EQ(Text("lblUpdate"), kInvitation);
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
  EXPECT_EQ(boxes[0].title, "RSS Version Checking");
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
  EXPECT_EQ(boxes[1].text, kRefused);
  EXPECT_EQ(boxes[1].style, unsigned(MB_ICONHAND));
  EXPECT_EQ(boxes[1].title, "Check for Updates");
  EXPECT_TRUE(Enabled("cmdOK"));
  EXPECT_EQ(GetAppSetting("UpdateChk", "?"), "03/02/2026 14:25") << "a failed check is no check";
  EXPECT_EQ(GetAppSetting("UpdateLog", "none"), "none");
}

TEST_F(AboutWindow, ACheckWithOnlyCurrentProgramsFindsNothingAndStoresTheTime) {
  Open();
  AddEntry(about->oKiv.Object(),
           {L"Ledgerwell.exe", false, L"c:\\elsewhere\\Ledgerwell.exe", L"18.0.21.0", L"18.0.21.0"});
  about->cmdOK->SetEnabled(false);
  FireEvent(about->oKiv.Object(), EventCheckDone, {Long(0), Long(0), String(L"")});
  EXPECT_EQ(Text("lblUpdate"), "No New Updates Found");
  EXPECT_TRUE(Enabled("cmdOK"));
  EXPECT_TRUE(std::regex_match(GetAppSetting("UpdateChk", ""), kCheckTime)) << GetAppSetting("UpdateChk", "");
  EXPECT_EQ(GetAppSetting("UpdateLog", ""),
            "File: Ledgerwell.exe  Current Version: 18.0.21.0  New Version: 18.0.21.0  Needs Replacing: False");
  EXPECT_EQ(StateOf(about->oKiv.Object(), L"Ledgerwell.exe").path, "c:\\elsewhere\\Ledgerwell.exe")
      << "an entry that is not fetched stays where it is";
  EXPECT_TRUE(boxes.empty());
}

TEST_F(AboutWindow, TheReviewJudgesEachEntryRedirectsItAndStartsTheDownload) {
  // Local copies beside the program: a document that carries its version and a data file.
  const std::string folder = ProgramFolder();
  const std::string doc = folder + "lw_about_test.rtf", data = folder + "lw_about_test.dat";
  std::ofstream(doc, std::ios::binary) << "{\\rtf1 Help\\par End of Document v18.0.22 \\par}";
  std::ofstream(data, std::ios::binary) << "0123456789";
  SYSTEMTIME older{};
  older.wYear = 2001;
  older.wMonth = 2;
  older.wDay = 3;
  older.wHour = 4;
  older.wMinute = 5;
  Open();
  IUpdaraCom* o = about->oKiv.Object();
  AddEntry(o, {L"lw_about_test.rtf", true, L"c:\\elsewhere\\lw_about_test.rtf", L"", L"18.0.22"});
  AddEntry(o, {L"lw_about_new.rtf", false, L"c:\\elsewhere\\lw_about_new.rtf", L"", L"18.0.1"});
  AddEntry(o, {L"lw_about_test.dat", true, L"", L"", L"", 10, older});
  AddEntry(o, {L"lw_about_missing.dat", false, L"", L"", L"", 10, older});
  AddEntry(o, {L"Updara.dll", true, L"c:\\windows\\system32\\Updara.dll", L"1.2.4.59", L"1.2.4.60"});
  AddEntry(o, {L"Other.exe", true, L"c:\\elsewhere\\Other.exe", L"1.0", L"1.1"});
  // The component marked four of them.
  FireEvent(o, EventCheckDone, {Long(4), Long(0), String(L"")});
  DeleteFileA(doc.c_str());
  DeleteFileA(data.c_str());

  const std::string home = NormaliseFolder(folder);
  EntryState s = StateOf(o, L"lw_about_test.rtf");  // the same version: not fetched
  EXPECT_FALSE(s.needReplace);
  EXPECT_EQ(s.myVersion, "18.0.22");
  EXPECT_EQ(s.path, "c:\\elsewhere\\lw_about_test.rtf");
  s = StateOf(o, L"lw_about_new.rtf");  // no local document: fetched, into the program's folder
  EXPECT_TRUE(s.needReplace);
  EXPECT_EQ(s.path, home + "lw_about_new.rtf");
  s = StateOf(o, L"lw_about_test.dat");  // same size, older date: not fetched
  EXPECT_FALSE(s.needReplace);
  s = StateOf(o, L"lw_about_missing.dat");
  EXPECT_TRUE(s.needReplace);
  EXPECT_EQ(s.path, home + "lw_about_missing.dat");
  s = StateOf(o, L"Updara.dll");  // a library keeps its place
  EXPECT_TRUE(s.needReplace);
  EXPECT_EQ(s.path, "c:\\windows\\system32\\Updara.dll");
  s = StateOf(o, L"Other.exe");
  EXPECT_TRUE(s.needReplace);
  EXPECT_EQ(s.path, home + "Other.exe");

  const std::string log = GetAppSetting("UpdateLog", "");
  const std::string localStamp = log.substr(log.find("Current Size/Date: 10/") + 22, 14);
  EXPECT_EQ(log,
            "File: lw_about_test.rtf  Current Version: 18.0.22  New Version: 18.0.22  Needs Replacing: False\r\n"
            "File: lw_about_new.rtf  Current Version:   New Version: 18.0.1  Needs Replacing: True\r\n"
            "File: lw_about_test.dat  Current Size/Date: 10/" +
                localStamp +
                "  New Size/Date: 10/20010203040500  Needs Replacing: False\r\n"
                "File: lw_about_missing.dat  Current Size/Date: /  New Size/Date: 10/20010203040500  Needs Replacing: "
                "True\r\n"
                "File: Updara.dll  Current Version: 1.2.4.59  New Version: 1.2.4.60  Needs Replacing: True\r\n"
                "File: Other.exe  Current Version: 1.0  New Version: 1.1  Needs Replacing: True");
  EXPECT_TRUE(std::regex_match(localStamp, std::regex(R"(20\d{12})"))) << localStamp;

  // Four to fetch: the download starts, and fails, as these entries name nothing to fetch.
  EXPECT_EQ(Text("lblUpdate"), "Update Found - Downloading");
  ASSERT_TRUE(fixtures::PumpUntil([&] { return Text("lblUpdate") == "Update Check Failed"; }));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "The system cannot find the path specified.");
  EXPECT_EQ(boxes[0].title, "Check for Updates");
  EXPECT_TRUE(Enabled("cmdOK"));
  EXPECT_EQ(GetAppSetting("UpdateChk", "none"), "none");
}

// The whole way from the click to the installed file against a server of the publisher's kind:
// HTTPS with a certificate this prefix trusts, the update-information file signed by the
// publisher's tool where the check URL points.
TEST_F(AboutWindow, TheCheckFindsTheNewFilesOverHttpsReportsThemAndInstallsVerifiedFiles) {
  std::string data;
  for (int i = 0; i < 3000; ++i) data += "record " + std::to_string(i) + "\r\n";
  fixtures::PythonPeer server(fixtures::PythonPeer::Kind::Https, [&](const std::string& www) {
    std::ofstream(www + "\\lw_e2e.dat.gz.topigz", std::ios::binary) << data;
  });
  const std::string tool = ProgramFolder() + "lw_e2e_tool.exe";  // beside the program: found by its name
  const std::string installed = ProgramFolder() + "lw_e2e.dat";
  DeleteFileA(installed.c_str());  // new to this program
  fixtures::WriteVersionedFile(tool, "2.0.0.0");
  fixtures::TrustedAuthority trust(server.File("ca.pem"));
  const std::string md5 = server.Md5Of("lw_e2e.dat.gz.topigz");
  CreateDirectoryA(server.File("www\\updates").c_str(), nullptr);
  fixtures::Signing signing;
  signing.files = {{"lw_e2e.dat", data}, {"lw_e2e_tool.exe", "the server's tool"}};
  std::ofstream(server.File("www\\updates\\l50upd.asp"), std::ios::binary) << fixtures::SignUpdateInfo(
      "#Update file signature\r\n"
      "[File]\r\nname=lw_e2e.dat\r\nurl=" + server.Url("lw_e2e.dat.gz") + "\r\nsize=100\r\ndate=20240315102530\r\nmd5=" +
          md5 + "\r\n\r\n"
          "[File]\r\nname=lw_e2e_tool.exe\r\nversion=1.0\r\nurl=lw_e2e_tool.exe\r\n",
      signing);
  App.UpdateHost = "127.0.0.1:" + std::to_string(server.Port());
  Open();
  SendMessageA(about->cmdWebUpdate->Hwnd(), BM_CLICK, 0, 0);
  // The data file is new; the program here is newer than the server's and stays. The file is
  // downloaded, checked and, as nothing holds it, put in place at once.
  ASSERT_TRUE(fixtures::PumpUntil([&] { return Text("lblUpdate") == "Update Completed" || !boxes.empty(); }, 30000))
      << Text("lblUpdate");
  EXPECT_TRUE(boxes.empty()) << boxes[0].text;
  EXPECT_EQ(GetAppSetting("UpdateLog", ""),
            "File: lw_e2e.dat  Current Size/Date: /  New Size/Date: 100/20240315102500  Needs Replacing: True\r\n"
            "File: lw_e2e_tool.exe  Current Version: 2.0.0.0  New Version: 1.0  Needs Replacing: False");
  EXPECT_TRUE(std::regex_match(GetAppSetting("UpdateChk", ""), kCheckTime));
  EXPECT_TRUE(ReadWholeFile(installed, fixtures::kFixtureFileLimit) == data);
  const std::vector<ComRef<IUpdFile>> files = about->oKiv.Files();
  ASSERT_EQ(files.size(), 2u);
  BSTR path = nullptr;
  ASSERT_EQ(files[0]->get_NewPath(&path), S_OK);
  EXPECT_EQ(Ansi(path), "") << "put in place, and its download gone";
  DeleteFileA(tool.c_str());
  DeleteFileA(installed.c_str());
}

// The same document changed after it was signed, on the way or on the server: the window says why
// the check failed, and nothing of the document is fetched, listed or kept to run.
TEST_F(AboutWindow, ADocumentChangedAfterSigningIsRefusedAndNothingOfItIsFetched) {
  fixtures::PythonPeer server(fixtures::PythonPeer::Kind::Https, [&](const std::string& www) {
    std::ofstream(www + "\\lw_e2e.dat", std::ios::binary) << "new data";
  });
  fixtures::TrustedAuthority trust(server.File("ca.pem"));
  CreateDirectoryA(server.File("www\\updates").c_str(), nullptr);
  fixtures::Signing signing;
  signing.files = {{"lw_e2e.dat", "new data"}};
  std::string document = fixtures::SignUpdateInfo(
      "#Update file signature\r\n[Global]\r\ncmdafter=after.cmd\r\n\r\n[File]\r\nname=lw_e2e.dat\r\nurl=lw_e2e.dat\r\n",
      signing);
  document.replace(document.find("after.cmd"), 9, "evil1.cmd");
  std::ofstream(server.File("www\\updates\\l50upd.asp"), std::ios::binary) << document;
  App.UpdateHost = "127.0.0.1:" + std::to_string(server.Port());
  SaveAppSetting("UpdateLog", "the last report");
  Open();
  SendMessageA(about->cmdWebUpdate->Hwnd(), BM_CLICK, 0, 0);
  ASSERT_TRUE(fixtures::PumpUntil([&] { return !boxes.empty(); }, 30000)) << Text("lblUpdate");
  EXPECT_EQ(boxes[0].text, "The signature of the update information file is not valid.");
  EXPECT_EQ(boxes[0].title, "Check for Updates");
  EXPECT_EQ(Text("lblUpdate"), "Update Check Failed");
  EXPECT_TRUE(about->oKiv.Files().empty());
  EXPECT_EQ(GetAppSetting("UpdateLog", ""), "the last report");
  BSTR after = nullptr;
  ASSERT_EQ(about->oKiv.Object()->get_CmdAfter(&after), S_OK);
  EXPECT_EQ(Ansi(after), "");
}

TEST_F(AboutWindow, ADownloadThatArrivedIsInstalledAndFailuresLeaveTheCheckTimeAlone) {
  Open();
  about->cmdOK->SetEnabled(false);
  // Nothing waits to be put in place, so the component's update finishes at once.
  FireEvent(about->oKiv.Object(), EventDownloadDone, {Long(0), String(L"")});
  EXPECT_EQ(Text("lblUpdate"), "Update Downloaded - Installing");
  ASSERT_TRUE(fixtures::PumpUntil([&] { return Text("lblUpdate") == "Update Completed"; }));
  EXPECT_TRUE(Enabled("cmdOK"));
  EXPECT_TRUE(std::regex_match(GetAppSetting("UpdateChk", ""), kCheckTime));
  EXPECT_TRUE(boxes.empty());

  SaveAppSetting("UpdateChk", "03/02/2026 14:25");
  about->cmdOK->SetEnabled(false);
  FireEvent(about->oKiv.Object(), EventUpdateDone, {Long(30008), String(L"Failed to register COM server.")});
  EXPECT_EQ(Text("lblUpdate"), "Update Check Failed");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Failed to register COM server.");
  EXPECT_EQ(boxes[0].style, unsigned(MB_ICONHAND));
  EXPECT_TRUE(Enabled("cmdOK"));
  about->cmdOK->SetEnabled(false);
  FireEvent(about->oKiv.Object(), EventDownloadDone, {Long(30011), String(L"Invalid MD5 checksum after download.")});
  EXPECT_EQ(Text("lblUpdate"), "Update Check Failed");
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1].text, "Invalid MD5 checksum after download.");
  EXPECT_TRUE(Enabled("cmdOK"));
  EXPECT_EQ(GetAppSetting("UpdateChk", "?"), "03/02/2026 14:25");
}

TEST_F(AboutWindow, CloseAppAsksForTheEndAndTheAboutWindowAfterTheRestart) {
  SaveAppSetting("NewUpdate", "N");
  Open();
  updara_test::Ref<IUpdaraCom> component;
  component.p = about->oKiv.Object();
  component.p->AddRef();
  FireEvent(component.p, EventCloseApp, {});
  EXPECT_FALSE(about->Loaded());
  EXPECT_FALSE(about->oKiv);
  EXPECT_TRUE(App.EndRequested);
  EXPECT_EQ(GetAppSetting("NewUpdate", "?"), "Y");
  EXPECT_TRUE(std::regex_match(GetAppSetting("UpdateChk", ""), kCheckTime));
  // The window let go of its sink: a late event reaches no one.
  updara_test::Ref<IConnectionPointContainer> container;
  ASSERT_EQ(component->QueryInterface(IID_IConnectionPointContainer, container.putv()), S_OK);
  updara_test::Ref<IConnectionPoint> point;
  ASSERT_EQ(container->FindConnectionPoint(DIID__IUpdaraComEvents, point.put()), S_OK);
  updara_test::Ref<IEnumConnections> connections;
  ASSERT_EQ(point->EnumConnections(connections.put()), S_OK);
  CONNECTDATA c{};
  EXPECT_EQ(connections->Next(1, &c, nullptr), S_FALSE);
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
  EXPECT_NE(boxes[0].text.find("0x80040154"), std::string::npos) << boxes[0].text;  // class not registered
  EXPECT_EQ(boxes[0].title, "Check for Updates");
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
    fixtures::PumpUntil([&] {
      HANDLE h = CreateFileA(file_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
      if (h == INVALID_HANDLE_VALUE) return false;
      CloseHandle(h);
      return true;
    }, 10000);
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

// ---- the two places that open the window ----

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
      WhenShown("frmAbout", [](HWND w) { FireEvent(AboutOf(w).oKiv.Object(), EventCloseApp, {}); }));
  Click(main.Hwnd(), "cmdAbout");
  ASSERT_TRUE(fixtures::PumpUntil([&] { return !main.Loaded(); }, 10000));
  EXPECT_TRUE(closesApp.Finished());
  EXPECT_TRUE(App.EndRequested);
  EXPECT_TRUE(forms::ProgramEnded()) << "no window is left to keep the program running";
}

TEST_F(AboutWindow, AfterASelfUpdateTheStartUpShowsItOnceAndEndsWhenAsked) {
  // "NewUpdate" unset reads "Y": shown, and the program goes on.
  std::string okCaption;
  fixtures::ModalSteps shown(WhenShown("frmAbout", [&](HWND w) {
    okCaption = fixtures::WindowText(forms::FindControl(w, "cmdOK"));
    Click(w, "cmdOK");
  }));
  EXPECT_FALSE(ShowAboutAfterUpdate());
  EXPECT_TRUE(shown.Finished());
  EXPECT_EQ(okCaption, "Continue");
  EXPECT_EQ(GetAppSetting("NewUpdate", "?"), "N");

  // "N": not shown at all.
  {
    fixtures::ModalSteps notShown(WhenShown("frmAbout", [](HWND w) { Click(w, "cmdOK"); }));
    EXPECT_FALSE(ShowAboutAfterUpdate());
    fixtures::PumpFor(200);
    EXPECT_FALSE(notShown.Finished());
  }

  // Shown again after an update, which this time needs the program to end at once.
  SaveAppSetting("NewUpdate", "Y");
  fixtures::ModalSteps endsAtOnce(
      WhenShown("frmAbout", [](HWND w) { FireEvent(AboutOf(w).oKiv.Object(), EventCloseApp, {}); }));
  EXPECT_TRUE(ShowAboutAfterUpdate());
  EXPECT_TRUE(endsAtOnce.Finished());
  EXPECT_EQ(GetAppSetting("NewUpdate", "?"), "Y") << "the next start shows it again";
}

}  // namespace
}  // namespace lw
