// The data folder's own files read (and, for clearing a locked user, written) through the shared,
// waiting opens: record counts, the login queue and the user list.
#pragma once

#include <string>
#include <vector>

#include "app/datafiles/login_queue.h"
#include "app/datafiles/record_counts.h"

namespace lw {

struct DataFilesState {
  RecordCounts Counts;
  std::vector<QueueEntry> LoginQueue;
  // The record length LoginQueue was read with, which clearing a user of that listing uses; 0 when
  // the data version was not known (and nothing was listed).
  int QueueRecordLength = 0;
  // Entry 0 is the built-in "manager" (set by the data path analysis); the users of access.dta follow.
  std::vector<std::string> UserList{""};
};
extern DataFilesState DataFiles;

// Fills DataFiles.Counts for the folder, reading App.DataVersion's layout.
void ReadRecordCounts(const std::string& dataFolder);
// Replaces DataFiles.LoginQueue and its record length; empty when queue.dta is missing, cannot be
// opened or is larger than kMaxQueueBytes, or App.DataVersion is not known.
void ReadLoginQueue(const std::string& dataFolder);
// Overwrites every queue.dta record of the user (name trimmed, any letter case) with 0xFF bytes, in
// place, with the record length of the listing the user chose from. Each record is decided on
// what the file holds at the moment of writing: its range locked, read again, cleared only when
// it still belongs to the user and is whole in the file, and read back. The outcome says what was
// left and why.
QueueClearOutcome ClearQueueUser(const std::string& dataFolder, const std::string& user, int recordLength);
// Replaces the users after entry 0 of DataFiles.UserList. An empty version is read from the
// folder; an empty folder means App.DataPath, a still empty version App.DataVersion.
void ReadUserList(const std::string& dataFolder, const std::string& dataVersion);

}  // namespace lw
