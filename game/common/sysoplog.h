// The sysop's log, "qgs.log" in the game directory: one line for every
// failure that a caller is shown or that the program works around (a lock
// not taken, a write that failed, a damaged file skipped or set aside, a
// change left half done by a process that died and finished by another), so
// that a sysop can see a misconfigured share or a damaged file.
//
// A line reads
//   2026-12-11 14:05:09 node 3 "Bob": Could not save the game file: No space left on device
// (local date and time, node, alias, what failed, the system's message).
// The file is created only when there is something to say, and each line
// goes out as one append, so lines from several nodes never mix.
#pragma once

#include <string>

// Appends one line; systemMessage may be empty. A log that cannot be written
// is given up quietly: it is the report of a failure, not a data file.
void SysopLog(const std::string& what, const std::string& systemMessage);

// The line SysopLog writes, without its line end.
std::string SysopLogLine(const std::string& what, const std::string& systemMessage);
