// The host's drives as numbered lists of paths: the recorder-disk drive
// names and the raw physical drives of cards both resolve through one.
#pragma once

#include <string>

namespace host {

// What drive numbers resolve through; passed in so tests can supply their
// own folders.
struct DriveTable {
  // ':'-separated paths, the first for drive 0; null when the environment
  // variable behind the table is not set, and then block devices count.
  const char* drives_variable = nullptr;
  // Folder listing the machine's whole-disk block devices.
  std::string block_folder = "/sys/block";
  // Folder holding the device nodes.
  std::string device_folder = "/dev";
};

// The table with `variable` read from the environment now.
DriveTable DriveTableFromEnvironment(const char* variable);

// The path of drive `index`: the index-th entry of the variable when it is
// set, else the index-th whole-disk block device in name order (loop, RAM
// and compressed-swap devices left out). Empty when there is no such drive
// (negative index, too few entries or devices, an empty entry).
std::string DrivePath(int index, const DriveTable& table);

}  // namespace host
