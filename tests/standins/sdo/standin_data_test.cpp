#include "standins/sdo/standin_data.h"

#include <gtest/gtest.h>

namespace sdo_standin {
namespace {

TEST(StandInData, ReadsEveryItemWithLfOrCrLfLines) {
  const std::string text =
      "SDO STAND-IN DATA 1\r\n"
      "# users\n"
      "user|MANAGER|secret\r\n"
      "user|clerk|\r\n"
      "\r\n"
      "connect-error|23|\n"
      "latency|250\r\n"
      "refuse-edit\r\n"
      "record|SalesRecord|SALES_REP=Jo|NAME=Acme = Sons\r\n"
      "record|SplitData\r\n"
      "record|NominalRecord|AUDIT_REF=17";
  Data d;
  std::string error;
  ASSERT_TRUE(ParseData(text, d, error)) << error;
  ASSERT_EQ(d.users.size(), 2u);
  EXPECT_EQ(d.users[0].password, "secret");
  EXPECT_EQ(d.users[1].name, "clerk");
  EXPECT_EQ(d.users[1].password, "");
  EXPECT_TRUE(d.connectFails);
  EXPECT_EQ(d.connectErrorCode, 23);
  EXPECT_EQ(d.connectErrorText, "");
  EXPECT_EQ(d.latencyMs, 250);
  EXPECT_TRUE(d.refuseEdit);
  ASSERT_EQ(d.records.size(), 3u);
  // Values in the class's field order whatever the line's order; the first '=' divides.
  EXPECT_EQ(d.records[0].values, (std::vector<std::string>{"Acme = Sons", "Jo"}));
  EXPECT_EQ(d.records[1].values, std::vector<std::string>{""});
  EXPECT_EQ(d.records[2].values, (std::vector<std::string>{"", "17"}));
  EXPECT_EQ(RecordsOf(d, "NominalRecord"), std::vector<size_t>{2});

  ASSERT_TRUE(ParseData("SDO STAND-IN DATA 1\n", d, error)) << error;
  EXPECT_FALSE(d.connectFails);
  EXPECT_TRUE(d.users.empty());
}

TEST(StandInData, OneWrittenFormThatReadsBackTheSame) {
  Data d;
  d.users = {{"MANAGER", ""}, {"Clerk", "pw with spaces "}};
  d.records = {{"SalesRecord", {"Acme", "Jo"}}, {"NominalRecord", {"Sales"}}, {"SplitData", {}}};
  d.connectFails = true;
  d.connectErrorCode = -5;
  d.connectErrorText = "Busy";
  d.latencyMs = 40;
  d.refuseEdit = true;
  std::string text, error;
  ASSERT_TRUE(BuildData(d, text, error)) << error;
  EXPECT_EQ(text,
            "SDO STAND-IN DATA 1\r\n"
            "user|MANAGER|\r\n"
            "user|Clerk|pw with spaces \r\n"
            "connect-error|-5|Busy\r\n"
            "latency|40\r\n"
            "refuse-edit\r\n"
            "record|SalesRecord|NAME=Acme|SALES_REP=Jo\r\n"
            "record|NominalRecord|NAME=Sales|AUDIT_REF=\r\n"
            "record|SplitData|DETAILS=\r\n");
  // Read back and written again: the same bytes, so a restored file equals the original.
  Data back;
  ASSERT_TRUE(ParseData(text, back, error)) << error;
  std::string again;
  ASSERT_TRUE(BuildData(back, again, error)) << error;
  EXPECT_EQ(again, text);
  EXPECT_EQ(back.users[1].password, "pw with spaces ");
  EXPECT_EQ(back.connectErrorCode, -5);

  // What the format cannot hold is refused, not written into another line.
  for (const char* value : {"a|b", "a\r\nrecord|SplitData|DETAILS=x", "a\nb"}) {
    Data bad;
    bad.records = {{"SplitData", {value}}};
    EXPECT_FALSE(BuildData(bad, text, error)) << value;
    EXPECT_EQ(text, "");
    EXPECT_FALSE(StorableValue(value));
  }
  Data bad;
  bad.records = {{"PurchaseRecord", {"x"}}};
  EXPECT_FALSE(BuildData(bad, text, error));
  bad = Data{};
  bad.users = {{"", "x"}};
  EXPECT_FALSE(BuildData(bad, text, error));
}

TEST(StandInData, FieldAndUserNamesWithoutLetterCase) {
  EXPECT_EQ(FieldIndex("SalesRecord", "sales_rep"), 1);
  EXPECT_EQ(FieldIndex("NominalRecord", "Audit_Ref"), 1);
  EXPECT_EQ(FieldIndex("SplitData", "DETAILS"), 0);
  EXPECT_EQ(FieldIndex("SplitData", "NAME"), -1);
  EXPECT_EQ(FieldIndex("Unknown", "NAME"), -1);
  EXPECT_TRUE(SameNameNoCase("Manager", "MANAGER"));
  EXPECT_FALSE(SameNameNoCase("MANAGER", "MANAGERS"));
  EXPECT_FALSE(SameNameNoCase("MANAGE", "MANAGER"));
}

}  // namespace
}  // namespace sdo_standin
