// Fuzzes the game directory's own files that every node reads and
// rewrites. The first byte picks the file, the rest is its contents:
//   0  "qgs.cfg"       read; the values are whatever the lines say
//   1  "qgs.dat"       read, written and read again to the same records,
//                      then updated as a finished game does
//   2  "qgs-user.dat"  a finished game added (the second byte picks the
//                      scores), the file read back: ranked, the caller
//                      listed; both scoreboards shown
#include <cstdint>
#include <string>
#include <vector>

#include "game/common/datafile.h"
#include "game/common/datetime.h"
#include "game/records/gamedata.h"
#include "game/records/scores.h"
#include "game/shell/config.h"
#include "game/common/globals.h"
#include "doorkit/door.h"
#include "fuzz_support.h"
#include "support/fake_platform.h"

namespace {

bool Same(const TGameData& a, const TGameData& b) {
  return a.ShortestMonths == b.ShortestMonths && a.ShortestWinner == b.ShortestWinner &&
         a.ShortestLoser == b.ShortestLoser && a.LongestMonths == b.LongestMonths &&
         a.LongestWinner == b.LongestWinner && a.LongestLoser == b.LongestLoser &&
         a.LastMonths == b.LastMonths && a.LastWinner == b.LastWinner && a.LastLoser == b.LastLoser;
}

void Records(FakePlatform& fake, const std::string& contents) {
  fuzz::Put(fake.gameDir + "qgs.dat", contents);
  TGameData read;
  ReadGameData(read);
  WriteGameData(read);
  TGameData again;
  ReadGameData(again);
  fuzz::Check(Same(read, again), "records written and read back differ");

  const int32_t months = 7;
  TGameData written;
  const bool saved = UpdateGameData(
      [&](TGameData& d) {
        if (d.ShortestMonths == 0 || d.ShortestMonths >= months) d.ShortestMonths = months;
        if (d.LongestMonths == 0 || d.LongestMonths <= months) d.LongestMonths = months;
        d.LastMonths = months;
        d.LastWinner = "King Fuzz";
        d.LastLoser = "King Computer";
      },
      written);
  fuzz::Check(saved, "the records were not written");
  ReadGameData(again);
  fuzz::Check(Same(written, again), "updated records read back differ");
  fuzz::Check(again.LastMonths == months, "the last game is not recorded");
}

// This month's scores file as written: the date, King Computer's points,
// then four lines a caller.
struct ScoreFile {
  std::vector<std::string> aliases;
  std::vector<int64_t> wins, losses, scores;
  bool ok = true;
};

ScoreFile ReadScores(const std::string& path) {
  ScoreFile f;
  std::vector<std::string> lines;
  if (!ReadFileLines(path, lines) || lines.size() < 2 || (lines.size() - 2) % 4 != 0) {
    f.ok = false;
    return f;
  }
  for (size_t i = 2; i + 3 < lines.size(); i += 4) {
    int32_t w, l, s;
    if (!ParseIntLine(lines[i + 1], w) || !ParseIntLine(lines[i + 2], l) ||
        !ParseIntLine(lines[i + 3], s)) {
      f.ok = false;
      return f;
    }
    f.aliases.push_back(lines[i]);
    f.wins.push_back(w);
    f.losses.push_back(l);
    f.scores.push_back(s);
  }
  return f;
}

void Scores(FakePlatform& fake, uint8_t pick, const std::string& contents) {
  const std::string path = fake.gameDir + "qgs-user.dat";
  fuzz::Put(path, contents);
  fuzz::Put(fake.gameDir + "qgs-best.asc", "last month's board\n");
  static const int32_t kScores[4] = {0, 1234, 2147483647, -2147483647 - 1};
  const int32_t playerScore = kScores[pick & 3], computerScore = kScores[(pick >> 2) & 3];
  const bool won = pick & 16;
  HoldAliasForWrite = (pick & 32) ? "Fuzz" : "King Arthur";
  UpdateUserFile(playerScore, computerScore, won);

  const ScoreFile f = ReadScores(path);
  fuzz::Check(f.ok, "the scores file as written does not read back");
  size_t mine = f.aliases.size();
  for (size_t i = 0; i < f.aliases.size(); ++i) {
    if (i > 0) fuzz::Check(f.scores[i - 1] >= f.scores[i], "scores not ranked");
    if (f.aliases[i] == HoldAliasForWrite && mine == f.aliases.size()) mine = i;
  }
  fuzz::Check(mine < f.aliases.size(), "the caller's game is lost");

  for (bool thisMonth : {true, false}) {
    fake.TakeOut();
    ShowScoreboard(thisMonth);
    fuzz::Check(fuzz::OnlyOwnControls(fake.out), "a scoreboard sends control codes");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  FakePlatform fake;
  DoorSession.PipeWrite = false;
  const std::string contents = fuzz::Bytes(data + 2, size - 2);
  switch (data[0] % 3) {
    case 0: {
      fuzz::Put(fake.gameDir + "qgs.cfg", contents);
      ReadConfig();
      break;
    }
    case 1: Records(fake, contents); break;
    case 2: Scores(fake, data[1], contents); break;
  }
  return 0;
}
