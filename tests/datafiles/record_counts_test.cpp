// Record counts and the last transaction number read from account.dta and tablemetadata.dta.
#include "app/datafiles/record_counts.h"

#include <gtest/gtest.h>

#include <tuple>

#include "tests/fixtures/data_files.h"

namespace lw {
namespace {

RecordCounts CountsOf(int version, const fixtures::AccountDta& recipe) {
  BufferByteSource account(fixtures::BuildAccountDta(version, recipe));
  RecordCounts counts;
  ReadAccountCounts(account, version, counts);
  return counts;
}

TEST(RecordCounts, EveryVersionReadsItsOwnCountBlockAndTransactionsField) {
  fixtures::AccountDta recipe{
      .counts = {5, 3, 120, 4, 66, 901, 17, 9}, .transactions = 4321, .lastTransactionNo = 4400};
  for (int v = 1; v <= 18; ++v) {
    RecordCounts expected;
    if (v > 4) {
      expected.CustomerAccounts = 5, expected.SupplierAccounts = 3, expected.NominalCodes = 120;
      expected.BankAccounts = 4, expected.Products = 66, expected.Invoices = 901, expected.SalesOrders = 17;
      expected.PurchaseOrders = 9, expected.Transactions = v <= 6 ? 0 : 4321;
      expected.LastTransactionNo = v >= 11 && v <= 13 ? 4400 : 0;
    }
    EXPECT_EQ(CountsOf(v, recipe), expected) << v;
  }
  // A file cut in the third count reads the missing bytes as zeros; values of 2^31 and more stay unsigned.
  recipe.size = 10792 + 10;  // version 18's block starts at 10792
  recipe.counts[0] = 0x80000001u;
  recipe.counts[2] = 0x01020078;
  const RecordCounts c = CountsOf(18, recipe);
  EXPECT_EQ(c.CustomerAccounts, 2147483649);
  EXPECT_EQ(c.NominalCodes, 120);
}

TEST(RecordCounts, FilesCountedBySizeRoundToNearestWithTiesToEven) {
  EXPECT_EQ(
      std::tuple(RecordLayoutFor(10).priceLength, RecordLayoutFor(14).addressLength, RecordLayoutFor(15).addressLength),
      std::tuple(119, 0, 1113));
  // 7.35, 0.5, 1.5, 2.5, and a file the version does not count.
  const uint64_t rows[][3] = {{1000, 136, 7}, {68, 136, 0}, {204, 136, 2}, {340, 136, 2}, {5000, 0, 0}};
  for (const auto& r : rows) EXPECT_EQ(RoundedRecordCount(r[0], int(r[1])), r[2]) << r[0] << "/" << r[1];
}

TEST(RecordCounts, LastTransactionNoComesFromTheFirstTable36Record) {
  for (int v : {14, 15}) {
    std::vector<fixtures::TableMetadataRecord> records(150, {7, 1});
    records[140] = {36, 98765};
    records[141] = {36, 1};
    BufferByteSource file(fixtures::BuildTableMetadata(v, records));
    int64_t value = 0;
    EXPECT_TRUE(FindLastTransactionNo(file, 150 * (v >= 15 ? 93 : 76), v, value)) << v;
    EXPECT_EQ(value, 98765) << v;
  }
  // A 93-byte layout read as 76-byte records misses it.
  int64_t value = 0;
  BufferByteSource v15(fixtures::BuildTableMetadata(15, {{1, 5}, {36, 6}}));
  EXPECT_FALSE(FindLastTransactionNo(v15, 2 * 93, 14, value));
}

}  // namespace
}  // namespace lw
