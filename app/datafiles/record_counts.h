// Record counts read straight from a data folder's files, without the SDO engine or a log-in, so
// they are there even when the engine is missing or the data is locked by other users.
#pragma once

#include <cstdint>
#include <string>

#include "app/tools/byte_source.h"

namespace lw {

// Counts are read as unsigned 32-bit values: a count cannot be negative, and a stored value of
// 2^31 or more is shown as it is rather than wrapped.
struct RecordCounts {
  int64_t Transactions = 0;
  int64_t LastTransactionNo = 0;
  int64_t CustomerAccounts = 0;
  int64_t CustomerAddresses = 0;
  int64_t SupplierAccounts = 0;
  int64_t SupplierAddresses = 0;
  int64_t NominalCodes = 0;
  int64_t BankAccounts = 0;
  int64_t Products = 0;
  int64_t PriceLists = 0;
  int64_t PriceRecords = 0;
  int64_t Invoices = 0;
  int64_t SalesOrders = 0;
  int64_t PurchaseOrders = 0;
  bool operator==(const RecordCounts&) const = default;
};

// Where a data version keeps its counts. -1: the field is not read; 0 length: the file is not
// counted. Versions outside 1-18 have nothing.
struct RecordLayout {
  int64_t countBlockOffset = -1;
  int64_t transactionsOffset = -1;
  int priceListLength = 0;   // prlst.dta
  int priceLength = 0;       // price.dta
  int addressLength = 0;     // salda.dta and purda.dta
};
RecordLayout RecordLayoutFor(int dataVersion);

// length ÷ recordLength rounded to the nearest whole number, ties to even; 0 for a length below 1.
uint64_t RoundedRecordCount(uint64_t length, int recordLength);

// Bytes at an offset, with the part past the end of the source read as zeros.
void ReadPadded(ByteSource& source, uint64_t offset, uint8_t* buffer, size_t count);
uint32_t LittleEndian32(const uint8_t* bytes);

// The count block, the transactions field and (versions 11-13) the last transaction number.
void ReadAccountCounts(ByteSource& account, int dataVersion, RecordCounts& counts);

// The largest tablemetadata.dta that is searched: one record per table of the data.
inline constexpr uint64_t kMaxTableMetadataBytes = 16u << 20;
// The value of the table-36 record of tablemetadata.dta (version 14 on); false when there is none.
bool FindLastTransactionNo(ByteSource& tableMetadata, uint64_t length, int dataVersion, int64_t& value);

// The "Record Counts" panel text, one "Name: count" line per count.
std::string RecordCountsCaption(const RecordCounts& counts, int dataVersion);

}  // namespace lw
