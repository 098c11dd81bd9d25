// The oplock and SMB signing frames of the real main window against the prefix's registry.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>

#include "app/diagnostics/workstation_win.h"
#include "app/forms/forms_win.h"
#include "app/shell/frm_main_window_win.h"
#include "app/shell/startup_win.h"
#include "app/state/app_state.h"
#include "tests/fixtures/main_window_win.h"
#include "tests/fixtures/registry_win.h"

namespace lw {
namespace {

const std::string kServices = "SYSTEM\\CurrentControlSet\\Services\\";
const std::string kMRXSmb = kServices + "MRXSmb\\Parameters";
const std::string kServer = kServices + "LanManServer\\Parameters";
const std::string kWorkstation = kServices + "LanManWorkstation\\Parameters";

struct Value {
  const std::string& key;
  const char* name;
};
const Value kOplocksDisabled{kMRXSmb, "OplocksDisabled"}, kEnableOplocks{kServer, "EnableOplocks"},
    kClientEnable{kWorkstation, "EnableSecuritySignature"}, kClientRequire{kWorkstation, "RequireSecuritySignature"},
    kServerEnable{kServer, "EnableSecuritySignature"}, kServerRequire{kServer, "RequireSecuritySignature"};
const Value kSigning[] = {kClientEnable, kClientRequire, kServerEnable, kServerRequire};
const Value kAll[] = {kOplocksDisabled, kEnableOplocks, kClientEnable, kClientRequire, kServerEnable, kServerRequire};
const std::string kNotAdmin =
    "Windows Security Error|48|You must be logged on to Windows as an Administrator to use "
    "this ";

class SharingFrames : public fixtures::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    for (const Value& v : kAll) fixtures::DeleteRaw(HKEY_LOCAL_MACHINE, v.key, v.name);
  }
  static void Set(const Value& v, uint32_t value) { fixtures::WriteDword(HKEY_LOCAL_MACHINE, v.key, v.name, value); }
  // The stored number, or -1 when the value is absent.
  static int64_t Stored(const Value& v) { return fixtures::ReadDword(HKEY_LOCAL_MACHINE, v.key, v.name); }
  // Caption and colour of a value label, as "1 - Enabled/magenta".
  std::string Shown(forms::Label* label) const { return label->Caption() + "/" + ColourName(label->ForeColor()); }
  std::vector<std::string> Signing() const {
    return {Shown(form->lblSMBwe), Shown(form->lblSMBwr), Shown(form->lblSMBse), Shown(form->lblSMBsr)};
  }
  // A fix pressed by an administrator whose program may not write to `locked`, if given.
  void FixAsAdministrator(forms::CommandButton* fix, const std::string* locked = nullptr) {
    Workstation.UserIsAdmin = true;
    std::unique_ptr<fixtures::ReadOnlyKey> readOnly;
    if (locked) readOnly = std::make_unique<fixtures::ReadOnlyKey>(HKEY_LOCAL_MACHINE, *locked);
    Click(fix);
  }
  static std::string RegistryError(const std::string& text, const Value& v) {
    return "Registry Error|16|" + text + "\r\nHKLM\\" + v.key + "\\" + v.name + "\r\nNothing was changed.";
  }

  // The six values as they were in the prefix come back afterwards; keys made here go again.
  fixtures::RestoredValues restore_{HKEY_LOCAL_MACHINE, [] {
                                      std::vector<std::pair<std::string, std::string>> all;
                                      for (const Value& v : kAll) all.emplace_back(v.key, v.name);
                                      return all;
                                    }()};
};

TEST_F(SharingFrames, EveryValueSitsOnTheRowOfItsNameAndEachTextItCanShowFits) {
  Open();
  // Each value on the row of its name and above the fix; every text it can show fits on its one
  // line, as do the names (a label too narrow wraps its text into the row below).
  for (auto [frame, name, value, fix] : {std::tuple{form->Frame1, form->Label3, form->lblOpDis, form->cmdOpFix},
                                         std::tuple{form->Frame1, form->Label13, form->lblEnOp, form->cmdOpFix},
                                         std::tuple{form->fraSmb, form->Label15, form->lblSMBwe, form->cmdSMBfix},
                                         std::tuple{form->fraSmb, form->Label18, form->lblSMBwr, form->cmdSMBfix},
                                         std::tuple{form->fraSmb, form->Label19, form->lblSMBse, form->cmdSMBfix},
                                         std::tuple{form->fraSmb, form->Label20, form->lblSMBsr, form->cmdSMBfix}}) {
    EXPECT_EQ(GetParent(value->Hwnd()), frame->Hwnd()) << value->Name();
    EXPECT_EQ(value->Top(), name->Top()) << value->Name();
    EXPECT_LE(name->Left() + name->Width(), value->Left()) << value->Name();
    EXPECT_LE(value->Left() + value->Width(), frame->Width()) << value->Name();
    EXPECT_LE(value->Top() + value->Height(), fix->Top()) << value->Name();
    EXPECT_LE(fix->Top() + fix->Height(), frame->Height()) << value->Name();
    EXPECT_LE(name->TextWidth(name->Caption()), name->Width()) << name->Caption();
    for (const char* text : {"0 - Enabled", "1 - Enabled", "0 - Disabled", "1 - Disabled", "Unreadable"})
      EXPECT_LE(value->TextWidth(text), value->Width()) << value->Name() << ": " << text;
  }
}

TEST_F(SharingFrames, EachFixWritesOnlyTheValuesThatAreWrongAndTheFramesFollowTheRegistry) {
  Open();
  // Absent values read as defaults; the load handler has shown them before the window came up.
  EXPECT_EQ(Shown(form->lblOpDis), "0 - Enabled/blue");
  EXPECT_EQ(Shown(form->lblEnOp), "1 - Enabled/blue");
  EXPECT_FALSE(form->cmdOpFix->Enabled());
  EXPECT_EQ(Signing(), std::vector<std::string>(4, "1 - Enabled/magenta"));
  FixAsAdministrator(form->cmdSMBfix);
  for (const Value& v : kSigning) EXPECT_EQ(Stored(v), 0) << v.name;
  EXPECT_EQ(Stored(kOplocksDisabled), -1) << "the signing fix leaves the oplocks alone";
  EXPECT_EQ(Stored(kEnableOplocks), -1);
  EXPECT_EQ(Signing(), std::vector<std::string>(4, "0 - Disabled/blue"));
  EXPECT_FALSE(form->cmdSMBfix->Enabled());

  // Changed behind the window's back: leaving the busy state shows it. A signing value of 2 shows
  // off and calls for no fix.
  form->SetBusy(true);
  Set(kEnableOplocks, 0);
  Set(kClientEnable, 2);
  form->SetBusy(false);
  EXPECT_EQ(Shown(form->lblEnOp), "0 - Disabled/magenta");
  EXPECT_EQ(Signing(), std::vector<std::string>(4, "0 - Disabled/blue"));
  EXPECT_FALSE(form->cmdSMBfix->Enabled());
  FixAsAdministrator(form->cmdOpFix);
  EXPECT_EQ(Stored(kEnableOplocks), 1);
  EXPECT_EQ(Stored(kOplocksDisabled), -1) << "a good value is not written";
  EXPECT_EQ(Shown(form->lblEnOp), "1 - Enabled/blue");
  EXPECT_FALSE(form->cmdOpFix->Enabled());

  // Any non-zero client oplock value disables oplocks; a 2 among the signing values is rewritten
  // when another value calls for the fix.
  form->SetBusy(true);
  Set(kOplocksDisabled, 2);
  Set(kServerRequire, 1);
  form->SetBusy(false);
  EXPECT_EQ(Shown(form->lblOpDis), "1 - Disabled/magenta");
  EXPECT_EQ(Shown(form->lblSMBsr), "1 - Enabled/magenta");
  FixAsAdministrator(form->cmdSMBfix);
  for (const Value& v : kSigning) EXPECT_EQ(Stored(v), 0) << v.name;
  EXPECT_EQ(Stored(kOplocksDisabled), 2) << "not the signing fix's business";
  FixAsAdministrator(form->cmdOpFix);
  EXPECT_EQ(Stored(kOplocksDisabled), 0);
  EXPECT_EQ(Stored(kEnableOplocks), 1);
  EXPECT_EQ(Shown(form->lblOpDis), "0 - Enabled/blue");
  EXPECT_TRUE(messages.empty()) << "a fix that worked says nothing";
}

TEST_F(SharingFrames, WithoutAdministratorRightsTheFixesRefuseAndWriteNothing) {
  Set(kOplocksDisabled, 1);
  Set(kEnableOplocks, 0);
  Set(kClientEnable, 1);
  Open();
  Workstation.UserIsAdmin = false;
  Click(form->cmdOpFix);
  Click(form->cmdSMBfix);
  EXPECT_EQ(messages, (std::vector<std::string>{kNotAdmin + "Button", kNotAdmin + "button"}));
  EXPECT_EQ(Stored(kOplocksDisabled), 1);
  EXPECT_EQ(Stored(kEnableOplocks), 0);
  EXPECT_EQ(Stored(kClientEnable), 1);
  for (const Value& v : {kClientRequire, kServerEnable, kServerRequire}) EXPECT_EQ(Stored(v), -1) << v.name;
  EXPECT_EQ(Shown(form->lblOpDis), "1 - Disabled/magenta");
  EXPECT_TRUE(form->cmdOpFix->Enabled());
  EXPECT_TRUE(form->cmdSMBfix->Enabled());
}

TEST_F(SharingFrames, AValueOfAnotherTypeIsShownUnreadableAndEndsTheFixWithAMessage) {
  // A text where a number belongs: the store raises, the window must still open.
  fixtures::WriteRaw(HKEY_LOCAL_MACHINE, kEnableOplocks.key, kEnableOplocks.name, REG_SZ, std::string("1\0", 2));
  Set(kOplocksDisabled, 1);
  Open();
  ASSERT_TRUE(form->Loaded());
  EXPECT_EQ(Shown(form->lblEnOp), "Unreadable/magenta");
  EXPECT_EQ(form->lblEnOp->ToolTipText(), "Registry data not a DWORD (error 800407D1)");
  EXPECT_EQ(Shown(form->lblOpDis), "1 - Disabled/magenta") << "the other value is still shown";
  EXPECT_EQ(form->lblOpDis->ToolTipText(), "");

  FixAsAdministrator(form->cmdOpFix);
  EXPECT_EQ(messages,
            std::vector<std::string>{RegistryError("Registry data not a DWORD (error 800407D1)", kEnableOplocks)});
  EXPECT_EQ(Stored(kOplocksDisabled), 1) << "every value is read before any is written";
  EXPECT_EQ(Shown(form->lblOpDis), "1 - Disabled/magenta") << "the frame is redisplayed after the error";
  EXPECT_EQ(Shown(form->lblEnOp), "Unreadable/magenta");
  EXPECT_TRUE(form->cmdOpFix->Enabled());
  EXPECT_EQ(fixtures::ReadRaw(HKEY_LOCAL_MACHINE, kEnableOplocks.key, kEnableOplocks.name).type, DWORD(REG_SZ));
}

// As for an administrator whose program runs without elevated rights: the fix ends at the first
// refusal, puts back what it had written, and the frame shows what is stored.
TEST_F(SharingFrames, AWriteRefusedEndsTheFixAndPutsBackWhatWasWritten) {
  const std::string refused = "Could not open/create registry section (error 800407D5)";
  Set(kOplocksDisabled, 1);
  Set(kEnableOplocks, 0);
  // The workstation's values are written first; the server's key then refuses. The workstation's
  // value that was there gets its number back, the one that was absent goes again.
  Set(kClientEnable, 1);
  Set(kServerEnable, 1);
  Open();
  FixAsAdministrator(form->cmdOpFix, &kMRXSmb);
  FixAsAdministrator(form->cmdSMBfix, &kServer);
  EXPECT_EQ(messages, (std::vector<std::string>{RegistryError(refused, kOplocksDisabled),
                                                RegistryError(refused, kServerEnable)}));
  EXPECT_EQ(Stored(kOplocksDisabled), 1);
  EXPECT_EQ(Stored(kEnableOplocks), 0) << "the fix ends at the first error";
  EXPECT_EQ(Shown(form->lblOpDis), "1 - Disabled/magenta");
  EXPECT_EQ(Shown(form->lblEnOp), "0 - Disabled/magenta");
  EXPECT_TRUE(form->cmdOpFix->Enabled()) << "and can be tried again";
  EXPECT_EQ(Stored(kClientEnable), 1);
  EXPECT_EQ(Stored(kClientRequire), -1);
  EXPECT_EQ(Stored(kServerEnable), 1);
  EXPECT_EQ(Stored(kServerRequire), -1);
  EXPECT_EQ(Signing(), std::vector<std::string>(4, "1 - Enabled/magenta"));
  EXPECT_TRUE(form->cmdSMBfix->Enabled());
}

}  // namespace
}  // namespace lw
