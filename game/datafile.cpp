#include "game/datafile.h"

#include <fstream>

// Placeholder until the shared-file mechanism lands: no lock, plain write.
DataFileLock::DataFileLock(const std::string&) {}
DataFileLock::~DataFileLock() {}

bool WriteFileAtomic(const std::string& path, const std::string& contents) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << contents;
  return static_cast<bool>(out);
}
