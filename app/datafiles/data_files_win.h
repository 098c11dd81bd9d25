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
  // Entry 0 is the built-in "manager" (set by the data path analysis); the users of access.dta follow.
  std::vector<std::string> UserList{""};
};
extern DataFilesState DataFiles;

// Fills DataFiles.Counts for the folder, reading App.DataVersion's layout.
void ReadRecordCounts(const std::string& dataFolder);
// Replaces DataFiles.LoginQueue; empty when queue.dta is missing or cannot be opened.
void ReadLoginQueue(const std::string& dataFolder);
// Overwrites every queue.dta record of the user (any letter case) with 0xFF bytes, in place.
void ClearQueueUser(const std::string& dataFolder, const std::string& user);
// Replaces the users after entry 0 of DataFiles.UserList. An empty version is read from the
// folder; an empty folder means App.DataPath, a still empty version App.DataVersion.
void ReadUserList(const std::string& dataFolder, const std::string& dataVersion);

}  // namespace lw
