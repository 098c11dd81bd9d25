#include "app/datafiles/record_counts.h"

#include <algorithm>
#include <vector>

namespace lw {

RecordLayout RecordLayoutFor(int v) {
  if (v < 5 || v > 18) return {};
  if (v <= 6) return {1280, -1, 0, 0, 0};
  if (v == 7) return {1280, 68, 70, 93, 0};
  if (v == 8) return {7380, 68, 70, 93, 0};
  if (v == 9) return {7384, 72, 70, 93, 0};
  if (v <= 13) return {7384, 72, 336, 119, 0};
  if (v == 14) return {7792, 80, 336, 119, 0};
  if (v <= 16) return {9492, 80, 353, 136, 1113};
  if (v == 17) return {9892, 80, 353, 136, 1113};
  return {10792, 80, 353, 136, 1113};
}

uint64_t RoundedRecordCount(uint64_t length, int recordLength) {
  if (recordLength < 1) return 0;
  uint64_t whole = length / uint64_t(recordLength), twiceRest = 2 * (length % uint64_t(recordLength));
  if (twiceRest > uint64_t(recordLength) || (twiceRest == uint64_t(recordLength) && whole % 2 == 1)) ++whole;
  return whole;
}

void ReadPadded(ByteSource& source, uint64_t offset, uint8_t* buffer, size_t count) {
  size_t got = source.ReadAt(offset, buffer, count);
  std::fill(buffer + std::min(got, count), buffer + count, uint8_t(0));
}

uint32_t LittleEndian32(const uint8_t* b) {
  return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

void ReadAccountCounts(ByteSource& account, int dataVersion, RecordCounts& counts) {
  RecordLayout layout = RecordLayoutFor(dataVersion);
  if (layout.countBlockOffset >= 0) {
    uint8_t block[32];
    ReadPadded(account, uint64_t(layout.countBlockOffset), block, sizeof block);
    int64_t* targets[] = {&counts.CustomerAccounts, &counts.SupplierAccounts, &counts.NominalCodes,
                          &counts.BankAccounts,     &counts.Products,         &counts.Invoices,
                          &counts.SalesOrders,      &counts.PurchaseOrders};
    for (size_t i = 0; i < 8; ++i) *targets[i] = LittleEndian32(block + 4 * i);
  }
  uint8_t field[4];
  if (layout.transactionsOffset >= 0) {
    ReadPadded(account, uint64_t(layout.transactionsOffset), field, sizeof field);
    counts.Transactions = LittleEndian32(field);
  }
  if (dataVersion >= 11 && dataVersion <= 13) {
    ReadPadded(account, 8006, field, sizeof field);
    counts.LastTransactionNo = LittleEndian32(field);
  }
}

bool FindLastTransactionNo(ByteSource& tableMetadata, uint64_t length, int dataVersion, int64_t& value) {
  const size_t recordLength = dataVersion >= 15 ? 93 : 76;
  const uint64_t records = RoundedRecordCount(length, int(recordLength));
  // Read a run of records at a time: the file is small, and each read is a round trip to the server.
  constexpr uint64_t kRun = 64;
  std::vector<uint8_t> run(recordLength * kRun);
  for (uint64_t first = 0; first < records; first += kRun) {
    uint64_t n = std::min(kRun, records - first);
    ReadPadded(tableMetadata, first * recordLength, run.data(), size_t(n * recordLength));
    for (uint64_t i = 0; i < n; ++i) {
      const uint8_t* record = run.data() + i * recordLength;
      if (LittleEndian32(record) == 36) {
        value = LittleEndian32(record + 4);
        return true;
      }
    }
  }
  return false;
}

std::string RecordCountsCaption(const RecordCounts& c, int dataVersion) {
  std::string text;
  auto line = [&text](const char* name, int64_t count) {
    if (!text.empty()) text += "\r\n";
    text += name + std::to_string(count);
  };
  line("Transactions: ", c.Transactions);
  if (dataVersion >= 11) line("Last Transaction No: ", c.LastTransactionNo);
  line("Customer Accounts: ", c.CustomerAccounts);
  if (c.CustomerAddresses > 0) line("Customer Addresses: ", c.CustomerAddresses);
  line("Supplier Accounts: ", c.SupplierAccounts);
  if (c.SupplierAddresses > 0) line("Supplier Addresses: ", c.SupplierAddresses);
  line("Nominal Codes: ", c.NominalCodes);
  line("Bank Accounts: ", c.BankAccounts);
  line("Products: ", c.Products);
  line("Price Lists: ", c.PriceLists);
  line("Price Records: ", c.PriceRecords);
  line("Invoices: ", c.Invoices);
  line("Sales Orders: ", c.SalesOrders);
  line("Purchase Orders: ", c.PurchaseOrders);
  return text;
}

}  // namespace lw
