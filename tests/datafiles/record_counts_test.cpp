// Record counts and the last transaction number read from account.dta and tablemetadata.dta.
#include "app/datafiles/record_counts.h"

#include <gtest/gtest.h>

#include "tests/fixtures/data_files.h"

namespace lw {
namespace {

RecordCounts CountsOf(int version, const fixtures::AccountDta& recipe) {
  BufferByteSource account(fixtures::BuildAccountDta(version, recipe));
  RecordCounts counts;
  ReadAccountCounts(account, version, counts);
  return counts;
}

fixtures::AccountDta DistinctCounts() {
  fixtures::AccountDta recipe;
  recipe.counts = {5, 3, 120, 4, 66, 901, 17, 9};
  recipe.transactions = 4321;
  recipe.lastTransactionNo = 4400;
  return recipe;
}

TEST(RecordCounts, EveryVersionReadsItsOwnCountBlockAndTransactionsField) {
  for (int v = 1; v <= 18; ++v) {
    SCOPED_TRACE(v);
    RecordCounts c = CountsOf(v, DistinctCounts());
    if (v <= 4) {
      EXPECT_EQ(c, RecordCounts{});
      continue;
    }
    EXPECT_EQ(c.CustomerAccounts, 5);
    EXPECT_EQ(c.SupplierAccounts, 3);
    EXPECT_EQ(c.NominalCodes, 120);
    EXPECT_EQ(c.BankAccounts, 4);
    EXPECT_EQ(c.Products, 66);
    EXPECT_EQ(c.Invoices, 901);
    EXPECT_EQ(c.SalesOrders, 17);
    EXPECT_EQ(c.PurchaseOrders, 9);
    EXPECT_EQ(c.Transactions, v <= 6 ? 0 : 4321);
    EXPECT_EQ(c.LastTransactionNo, v >= 11 && v <= 13 ? 4400 : 0);
  }
}

TEST(RecordCounts, LayoutLengthsByVersion) {
  struct Row {
    int from, to, priceList, price, address;
  };
  for (Row r : {Row{1, 6, 0, 0, 0}, Row{7, 9, 70, 93, 0}, Row{10, 14, 336, 119, 0}, Row{15, 18, 353, 136, 1113}})
    for (int v = r.from; v <= r.to; ++v) {
      RecordLayout l = RecordLayoutFor(v);
      EXPECT_EQ(l.priceListLength, r.priceList) << v;
      EXPECT_EQ(l.priceLength, r.price) << v;
      EXPECT_EQ(l.addressLength, r.address) << v;
    }
  EXPECT_EQ(RecordLayoutFor(0).countBlockOffset, -1);
  EXPECT_EQ(RecordLayoutFor(19).countBlockOffset, -1);
}

TEST(RecordCounts, ShortAndEmptyFilesGiveZerosForWhatIsMissing) {
  fixtures::AccountDta recipe = DistinctCounts();
  // Version 18: the block starts at 10792; cut the file after the first two counts and half of the third.
  recipe.size = 10792 + 10;
  recipe.counts[2] = 0x01020078;
  RecordCounts c = CountsOf(18, recipe);
  EXPECT_EQ(c.CustomerAccounts, 5);
  EXPECT_EQ(c.SupplierAccounts, 3);
  EXPECT_EQ(c.NominalCodes, 120) << "the missing high bytes read as zeros";
  EXPECT_EQ(c.BankAccounts, 0);
  EXPECT_EQ(c.Transactions, 4321);

  BufferByteSource empty({});
  RecordCounts none;
  ReadAccountCounts(empty, 18, none);
  EXPECT_EQ(none, RecordCounts{});
}

TEST(RecordCounts, ValuesAboveTheSignedRangeAreShownUnsigned) {
  fixtures::AccountDta recipe;
  recipe.counts[0] = 0x80000001u;
  recipe.transactions = 0xFFFFFFFFu;
  RecordCounts c = CountsOf(18, recipe);
  EXPECT_EQ(c.CustomerAccounts, 2147483649);
  EXPECT_EQ(c.Transactions, 4294967295);
}

TEST(RecordCounts, SizeCountsRoundToNearestWithTiesToEven) {
  EXPECT_EQ(RoundedRecordCount(1000, 136), 7u);  // 7.35
  EXPECT_EQ(RoundedRecordCount(68, 136), 0u);    // 0.5
  EXPECT_EQ(RoundedRecordCount(204, 136), 2u);   // 1.5
  EXPECT_EQ(RoundedRecordCount(340, 136), 2u);   // 2.5
  EXPECT_EQ(RoundedRecordCount(69, 136), 1u);
  EXPECT_EQ(RoundedRecordCount(0, 136), 0u);
  EXPECT_EQ(RoundedRecordCount(5000, 0), 0u) << "a file not counted for the version";
}

TEST(RecordCounts, LastTransactionNoComesFromTheTable36Record) {
  for (int v : {14, 15, 18}) {
    SCOPED_TRACE(v);
    std::vector<fixtures::TableMetadataRecord> records(150, {7, 1});
    records[140] = {36, 98765};
    records[141] = {36, 1};  // only the first one counts
    BufferByteSource file(fixtures::BuildTableMetadata(v, records));
    int64_t value = 0;
    ASSERT_TRUE(FindLastTransactionNo(file, 150 * (v >= 15 ? 93 : 76), v, value));
    EXPECT_EQ(value, 98765);
  }
  // Without a table-36 record; and a 93-byte layout read as 76-byte records misses it.
  int64_t value = 0;
  BufferByteSource none(fixtures::BuildTableMetadata(15, {{1, 5}, {35, 6}, {37, 7}}));
  EXPECT_FALSE(FindLastTransactionNo(none, 3 * 93, 15, value));
  BufferByteSource v15(fixtures::BuildTableMetadata(15, {{1, 5}, {36, 6}}));
  EXPECT_FALSE(FindLastTransactionNo(v15, 2 * 93, 14, value));
  // A last record rounded up from a partial one is read as far as it goes.
  std::vector<uint8_t> bytes = fixtures::BuildTableMetadata(14, {{1, 5}, {36, 77}});
  bytes.resize(76 + 40);
  BufferByteSource cut(bytes);
  ASSERT_TRUE(FindLastTransactionNo(cut, bytes.size(), 14, value));
  EXPECT_EQ(value, 77);
}

TEST(RecordCounts, CaptionLinesFollowTheVersionAndTheAddressCounts) {
  RecordCounts c;
  c.Transactions = 12;
  c.LastTransactionNo = 12;
  c.CustomerAccounts = 5;
  c.SupplierAccounts = 3;
  c.PurchaseOrders = 2;
  EXPECT_EQ(RecordCountsCaption(c, 10),
            "Transactions: 12\r\nCustomer Accounts: 5\r\nSupplier Accounts: 3\r\nNominal Codes: 0\r\n"
            "Bank Accounts: 0\r\nProducts: 0\r\nPrice Lists: 0\r\nPrice Records: 0\r\nInvoices: 0\r\n"
            "Sales Orders: 0\r\nPurchase Orders: 2");
  c.CustomerAddresses = 4;
  c.SupplierAddresses = 1;
  std::string v15 = RecordCountsCaption(c, 15);
  EXPECT_TRUE(v15.starts_with("Transactions: 12\r\nLast Transaction No: 12\r\nCustomer Accounts: 5\r\n"
                              "Customer Addresses: 4\r\nSupplier Accounts: 3\r\nSupplier Addresses: 1\r\n"))
      << v15;
}

}  // namespace
}  // namespace lw
