#include "game/records/gamedata.h"

#include <vector>

#include "game/common/commit.h"
#include "game/common/datafile.h"
#include "game/common/gamedir.h"

namespace {

std::string GameDataPath() { return GetGameDir() + "qgs.dat"; }

// Reads fields in order until the file ends or a number line is not a
// number; the rest keep their empty values.
class FieldReader {
 public:
  explicit FieldReader(std::vector<std::string> lines) : in_(std::move(lines)) {}
  void Number(int32_t& field) {
    if (stopped_ || in_.Eof()) return;
    if (!ParseLeadingInt(in_.ReadLine(), field)) stopped_ = true;
  }
  // A name, shown to callers: its control characters are dropped.
  void Text(std::string& field) {
    if (stopped_ || in_.Eof()) return;
    field = PrintableText(in_.ReadLine());
  }

 private:
  LineReader in_;
  bool stopped_ = false;
};

}  // namespace

void ReadGameData(TGameData& GameData) {
  GameData = TGameData{};
  std::vector<std::string> lines;
  if (!ReadFileLines(GameDataPath(), lines)) return;
  FieldReader in(std::move(lines));
  in.Number(GameData.ShortestMonths);
  in.Text(GameData.ShortestWinner);
  in.Text(GameData.ShortestLoser);
  in.Number(GameData.LongestMonths);
  in.Text(GameData.LongestWinner);
  in.Text(GameData.LongestLoser);
  in.Number(GameData.LastMonths);
  in.Text(GameData.LastWinner);
  in.Text(GameData.LastLoser);
}

namespace {

std::string GameDataText(const TGameData& d) {
  std::string text;
  for (const std::string& line :
       {std::to_string(d.ShortestMonths), d.ShortestWinner, d.ShortestLoser,
        std::to_string(d.LongestMonths), d.LongestWinner, d.LongestLoser,
        std::to_string(d.LastMonths), d.LastWinner, d.LastLoser}) {
    text += line + "\n";
  }
  return text;
}

bool SaveGameData(const TGameData& d) { return WriteFileAtomic(GameDataPath(), GameDataText(d)); }

}  // namespace

void WriteGameData(TGameData& GameData) { SaveGameData(GameData); }

bool UpdateGameData(const std::function<void(TGameData&)>& change, TGameData& records) {
  DataFileLock lock(GameDataPath());
  FinishLeftoverChange();
  ReadGameData(records);
  if (!lock.Held()) return false;
  // Records this node cannot read stay as they are rather than being
  // replaced by this one game.
  if (ExistsButUnreadable(GameDataPath())) return false;
  TGameData changed = records;
  change(changed);
  if (!SaveGameData(changed)) return false;
  records = changed;
  return true;
}

TGameDataLock::TGameDataLock() : lock_(GameDataPath()) {
  if (lock_.Held()) FinishLeftoverChange();
}

bool PutGameData(TFileChange& AChange, const std::function<void(TGameData&)>& change,
                 TGameData& read, TGameData& changed) {
  ReadGameData(read);
  if (ExistsButUnreadable(GameDataPath())) return false;
  changed = read;
  change(changed);
  AChange.Put(GameDataPath(), GameDataText(changed));
  return true;
}

void ApplyRecordRules(TGameData& AData, int32_t AMonths, const std::string& AWinner,
                      const std::string& ALoser, bool& AShortest, bool& ALongest) {
  AShortest = AData.ShortestMonths == 0 || AData.ShortestMonths >= AMonths;
  if (AShortest) {
    AData.ShortestMonths = AMonths;
    AData.ShortestWinner = AWinner;
    AData.ShortestLoser = ALoser;
  }
  ALongest = AData.LongestMonths == 0 || AData.LongestMonths <= AMonths;
  if (ALongest) {
    AData.LongestMonths = AMonths;
    AData.LongestWinner = AWinner;
    AData.LongestLoser = ALoser;
  }
  AData.LastMonths = AMonths;
  AData.LastWinner = AWinner;
  AData.LastLoser = ALoser;
}
