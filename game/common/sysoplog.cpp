#include "game/common/sysoplog.h"

#include "doorkit/door.h"
#include "doorkit/filesystem.h"
#include "game/common/datafile.h"
#include "game/common/datetime.h"
#include "game/common/gamedir.h"
#include "game/common/globals.h"
#include "game/common/textutil.h"

namespace {

// The alias the game knows the caller by, or the drop file's before the
// game has taken it over.
std::string CallerAlias() {
  return HoldAliasForWrite.empty() ? DoorDropInfo.Alias : HoldAliasForWrite;
}

}  // namespace

std::string SysopLogLine(const std::string& what, const std::string& systemMessage) {
  int year, month, day, hour, minute, second;
  TDateTime now = Now();
  DecodeDate(now, year, month, day);
  DecodeTime(now, hour, minute, second);
  std::string line = Format("%04d-%02d-%02d %02d:%02d:%02d node %d \"", year, month, day, hour,
                            minute, second, static_cast<int>(DoorDropInfo.Node));
  line += PrintableText(CallerAlias()) + "\": " + PrintableText(what);
  if (!systemMessage.empty()) line += ": " + PrintableText(systemMessage);
  return line;
}

void SysopLog(const std::string& what, const std::string& systemMessage) {
  std::string line = SysopLogLine(what, systemMessage) + "\n";
  // One write per line: O_APPEND places it whole at the end, whoever else
  // is appending at the same moment. The log's own failure is not logged.
  Files().Append(GetGameDir() + "qgs.log", line);
}
