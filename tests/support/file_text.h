// Whole files for the tests: one written as a test sets it up, one read
// back to compare, through the program's own file calls (so on the real
// disk or on a FakeFileSystem, whichever is installed).
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "game/common/datafile.h"
#include "game/common/gamedir.h"

// Writes the file as it is (atomically, as the program would); a failure
// fails the test.
inline void PutText(const std::string& path, const std::string& text) {
  EXPECT_TRUE(WriteFileAtomic(path, text)) << path << ": " << LastFileError();
}

// The whole file; a file that cannot be read fails the test and reads as "".
inline std::string TextOf(const std::string& path) {
  std::string text;
  EXPECT_TRUE(ReadFileText(path, text)) << path << ": " << LastFileError();
  return text;
}

// The game directory's files by name, for a fixture to take in.
struct GameDirFiles {
  static std::string Path(const std::string& name) { return GetGameDir() + name; }
  static void Put(const std::string& name, const std::string& text) { PutText(Path(name), text); }
  static std::string Get(const std::string& name) { return TextOf(Path(name)); }
};
