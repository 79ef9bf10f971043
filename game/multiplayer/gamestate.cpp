#include "game/multiplayer/gamestate.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <string_view>

#include "game/common/datafile.h"
#include "game/common/datetime.h"
#include "game/common/textutil.h"
#include "game/kingdom/player.h"

namespace {

const char* const kHeader = "# QGS PvP Game State v1.2";
const double kTimeoutDays = 7.0;

// Walks the lines of a file's text in place (LF, CRLF and CR each end a
// line), so that reading a state copies no more than the fields it keeps:
// every listing reads every game file, and most lines are numbers.
class LineCursor {
 public:
  explicit LineCursor(const std::string& text) : text_(text) {}
  bool Eof() const { return pos_ >= text_.size(); }
  // The next line, or "" past the end; valid while the text lives.
  std::string_view Next() {
    if (Eof()) return {};
    // A plain scan: find_first_of tests each byte against the set through
    // a call, and every listing runs this over every line of every game.
    size_t end = pos_;
    while (end < text_.size() && text_[end] != '\r' && text_[end] != '\n') ++end;
    const std::string_view line(text_.data() + pos_, end - pos_);
    pos_ = end + 1;
    if (end < text_.size() && text_[end] == '\r' && pos_ < text_.size() && text_[pos_] == '\n') {
      ++pos_;
    }
    return line;
  }

 private:
  const std::string& text_;
  size_t pos_ = 0;
};

// Reads fields in file order. The first value that cannot be read stops the
// load: every later call leaves its field as it was.
class FieldReader {
 public:
  explicit FieldReader(const std::string& text) : in_(text) {}
  bool Stopped() const { return stopped_; }
  bool Eof() const { return in_.Eof(); }

  // A text line; past the end it reads as "".
  bool Text(std::string& field) {
    if (stopped_) return false;
    field.assign(in_.Next());
    return true;
  }
  // A name (alias, display name, title): a text line less its control
  // characters, since names are shown to callers.
  bool Name(std::string& field) {
    if (!Text(field)) return false;
    KeepPrintable(field);
    return true;
  }
  // An ordinal: anything that is not a number reads as 0.
  bool Ordinal(int32_t& field) {
    if (stopped_) return false;
    field = StrToIntDef(std::string(in_.Next()), 0);
    return true;
  }
  // A number line; one that is not a number stops the load.
  bool Number(int32_t& field) {
    if (stopped_) return false;
    int32_t value = 0;
    if (!ParseIntLine(in_.Next(), value)) return Stop();
    field = value;
    return true;
  }
  bool Date(TDateTime& field) {
    if (stopped_) return false;
    TDateTime value = 0;
    if (!TryStrToDateTime(in_.Next(), value, CurrentYear())) return Stop();
    field = value;
    return true;
  }

  // The same, but only while the file lasts: at its end the field takes
  // atEnd (or keeps its value, for the forms without one).
  void NameOr(std::string& field, const std::string& atEnd) {
    if (stopped_) return;
    if (Eof())
      field = atEnd;
    else
      Name(field);
  }
  void NumberOr(int32_t& field, int32_t atEnd) {
    if (stopped_) return;
    if (Eof())
      field = atEnd;
    else
      Number(field);
  }
  void NumberIfAny(int32_t& field) {
    if (!stopped_ && !Eof()) Number(field);
  }
  void NameIfAny(std::string& field) {
    if (!stopped_ && !Eof()) Name(field);
  }
  void DateIfAny(TDateTime& field) {
    if (!stopped_ && !Eof()) Date(field);
  }

 private:
  bool Stop() {
    stopped_ = true;
    return false;
  }
  // Two-digit years are read against this year, taken once per file.
  int CurrentYear() {
    if (currentYear_ == INT_MIN) currentYear_ = YearOf(Now());
    return currentYear_;
  }
  LineCursor in_;
  bool stopped_ = false;
  int currentYear_ = INT_MIN;
};

// Which format a header line names: 1 (v1.0, and anything unknown), 2
// (v1.1, with display names) or 3 (v1.2, with the game number as well).
int VersionOf(const std::string& header) {
  if (header.find("v1.0") != std::string::npos) return 1;
  if (header.find("v1.1") != std::string::npos) return 2;
  if (header.find("v1.2") != std::string::npos) return 3;
  return 1;
}

// The game file holds one value per line: a line break inside a text would
// shift every later field, so it is written as a blank.
std::string OneLine(std::string s) {
  for (char& c : s) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return s;
}

// n as ADigits decimal digits, zero-padded (n is 0 or more and fits).
void AppendDigits(std::string& AText, int n, int ADigits) {
  char digits[4];
  for (int i = ADigits - 1; i >= 0; --i, n /= 10) digits[i] = static_cast<char>('0' + n % 10);
  AText.append(digits, static_cast<size_t>(ADigits));
}

// FormatDateTime("yyyymmddhhnnss"). Every game file a listing reads makes a
// new state and with it a stamp, so this avoids the printf machinery.
std::string StampOf(TDateTime t) {
  int year, month, day, hour, minute, second;
  DecodeDate(t, year, month, day);
  DecodeTime(t, hour, minute, second);
  if (year < 0 || year > 9999) {
    return Format("%04d%02d%02d%02d%02d%02d", year, month, day, hour, minute, second);
  }
  std::string stamp;
  stamp.reserve(14);
  AppendDigits(stamp, year, 4);
  for (int part : {month, day, hour, minute, second}) AppendDigits(stamp, part, 2);
  return stamp;
}

using Counter = int32_t TPvPGameState::*;
// Each player slot's ten counters, in file order.
const Counter kSlotCounters[2][10] = {
    {&TPvPGameState::Player1Score, &TPvPGameState::Player1Kastle, &TPvPGameState::Player1Soldiers,
     &TPvPGameState::Player1Civilians, &TPvPGameState::Player1Gronels,
     &TPvPGameState::Player1Slingards, &TPvPGameState::Player1Assassins,
     &TPvPGameState::Player1Guards, &TPvPGameState::Player1Gold, &TPvPGameState::Player1Food},
    {&TPvPGameState::Player2Score, &TPvPGameState::Player2Kastle, &TPvPGameState::Player2Soldiers,
     &TPvPGameState::Player2Civilians, &TPvPGameState::Player2Gronels,
     &TPvPGameState::Player2Slingards, &TPvPGameState::Player2Assassins,
     &TPvPGameState::Player2Guards, &TPvPGameState::Player2Gold, &TPvPGameState::Player2Food},
};
std::string TPvPGameState::*const kSlotTitles[2] = {&TPvPGameState::Player1Title,
                                                    &TPvPGameState::Player2Title};
// The kingdom's counters in the same order.
int32_t TPlayer::*const kKingdomCounters[10] = {
    &TPlayer::Score,   &TPlayer::Kastle,    &TPlayer::Soldiers,  &TPlayer::Civilians,
    &TPlayer::Gronels, &TPlayer::Slingards, &TPlayer::Assassins, &TPlayer::Guards,
    &TPlayer::Gold,    &TPlayer::Food};

}  // namespace

std::unique_ptr<TPvPGameState> TPvPGameState::Create() {
  auto state = std::make_unique<TPvPGameState>();
  const TDateTime now = Now();
  state->GameID = StampOf(now) + std::to_string(Random(1000));
  state->Status = gsWaitingForPlayers;
  state->MaxPlayers = 2;
  state->CurrentPlayers = 0;
  state->MonthNumber = 1;
  state->CreatedDate = now;
  state->LastMoveDate = now;
  state->TimeoutDate = now + kTimeoutDays;
  return state;
}

std::unique_ptr<TPvPGameState> TPvPGameState::CreateFromFile(const std::string& AFileName) {
  auto state = std::make_unique<TPvPGameState>();
  const int64_t draw = Random(1000);
  state->Status = gsWaitingForPlayers;
  state->MaxPlayers = 2;
  state->CurrentPlayers = 0;
  state->MonthNumber = 1;
  // The dates are read in file order and a load stops at the first it
  // cannot read, so a NaN left in one marks where Create's "now" shows.
  const TDateTime unread = std::numeric_limits<TDateTime>::quiet_NaN();
  state->CreatedDate = state->LastMoveDate = state->TimeoutDate = unread;
  const bool read = state->ReadFromFile(AFileName);
  if (!read || std::isnan(state->TimeoutDate)) {
    const TDateTime now = Now();
    if (!read) state->GameID = StampOf(now) + std::to_string(draw);
    for (TDateTime* date : {&state->CreatedDate, &state->LastMoveDate}) {
      if (std::isnan(*date)) *date = now;
    }
    state->TimeoutDate = now + kTimeoutDays;
  }
  return state;
}

bool TPvPGameState::SaveToFile(const std::string& AFileName) const {
  return WriteFileAtomic(AFileName, ToText());
}

std::string TPvPGameState::ToText() const {
  std::string text;
  auto line = [&](const std::string& s) {
    text += OneLine(s);
    text += '\n';
  };
  auto number = [&](int32_t n) { line(std::to_string(n)); };
  line(kHeader);
  line(GameID);
  number(GameNumber);
  number(GameType);
  number(Status);
  number(MaxPlayers);
  number(CurrentPlayers);
  line(Player1Alias);
  line(Player1DisplayName);
  line(Player2Alias);
  line(Player2DisplayName);
  line(Player3Alias);
  line(Player4Alias);
  line(CurrentTurnAlias);
  number(MonthNumber);
  number(TurnOrder[0]);
  number(TurnOrder[1]);
  for (int slot = 0; slot < 2; ++slot) {
    line(this->*kSlotTitles[slot]);
    for (Counter counter : kSlotCounters[slot]) number(this->*counter);
  }
  line(DateTimeToStr(CreatedDate));
  line(DateTimeToStr(LastMoveDate));
  line(DateTimeToStr(TimeoutDate));
  line(Winner);
  number(static_cast<int32_t>(std::min<size_t>(LastTurnActions.size(), INT32_MAX)));
  for (const std::string& action : LastTurnActions) line(action);
  return text;
}

void TPvPGameState::LoadFromFile(const std::string& AFileName) { ReadFromFile(AFileName); }

bool TPvPGameState::ReadFromFile(const std::string& AFileName) {
  Player1DisplayName.clear();
  Player2DisplayName.clear();
  GameNumber = 0;
  std::string text;
  if (!ReadFileText(AFileName, text)) return false;
  FieldReader in(text);

  std::string header;
  in.Text(header);
  const int version = VersionOf(header);
  in.Text(GameID);
  if (version == 3) in.NumberOr(GameNumber, 0);
  int32_t ordinal = 0;
  if (in.Ordinal(ordinal)) GameType = static_cast<TGameType>(ordinal);
  if (in.Ordinal(ordinal)) Status = static_cast<TGameStatus>(ordinal);
  in.Number(MaxPlayers);
  in.Number(CurrentPlayers);
  in.Name(Player1Alias);
  if (version >= 2) {
    in.NameOr(Player1DisplayName, Player1Alias);
    in.NameOr(Player2Alias, "");
    in.NameOr(Player2DisplayName, Player2Alias);
  } else if (!in.Stopped()) {
    Player1DisplayName = Player1Alias;
    in.NameOr(Player2Alias, "");
    Player2DisplayName = Player2Alias;
  }

  in.NameOr(Player3Alias, "");
  in.NameOr(Player4Alias, "");
  in.NameOr(CurrentTurnAlias, "");
  in.NumberOr(MonthNumber, 1);
  in.NumberOr(TurnOrder[0], 1);
  in.NumberOr(TurnOrder[1], 2);
  for (int slot = 0; slot < 2; ++slot) {
    in.NameIfAny(this->*kSlotTitles[slot]);
    for (Counter counter : kSlotCounters[slot]) in.NumberIfAny(this->*counter);
  }
  in.DateIfAny(CreatedDate);
  in.DateIfAny(LastMoveDate);
  in.DateIfAny(TimeoutDate);
  in.NameIfAny(Winner);
  int32_t count = 0;
  in.NumberOr(count, 0);
  if (in.Stopped()) return true;

  // The count is only a bound: a damaged one reads the lines that are there.
  LastTurnActions.clear();
  for (int32_t i = 0; i < count && !in.Eof(); ++i) {
    LastTurnActions.emplace_back();
    in.Text(LastTurnActions.back());
  }
  if (Player1DisplayName.empty()) Player1DisplayName = Player1Alias;
  if (Player2DisplayName.empty()) Player2DisplayName = Player2Alias;
  return true;
}

void TPvPGameState::SavePlayerToState(const TPlayer& APlayer, int32_t APlayerNumber) {
  if (APlayerNumber != 1 && APlayerNumber != 2) return;
  const int slot = APlayerNumber - 1;
  this->*kSlotTitles[slot] = APlayer.Title;
  for (int i = 0; i < 10; ++i) this->*kSlotCounters[slot][i] = APlayer.*kKingdomCounters[i];
}

void TPvPGameState::LoadStateToPlayer(TPlayer& APlayer, int32_t APlayerNumber) const {
  if (APlayerNumber != 1 && APlayerNumber != 2) return;
  const int slot = APlayerNumber - 1;
  for (int i = 0; i < 10; ++i) APlayer.*kKingdomCounters[i] = this->*kSlotCounters[slot][i];
}

std::string TPvPGameState::GetPlayerAlias(int32_t APlayerNumber) const {
  switch (APlayerNumber) {
    case 1: return Player1Alias;
    case 2: return Player2Alias;
    case 3: return Player3Alias;
    case 4: return Player4Alias;
    default: return std::string();
  }
}

int32_t TPvPGameState::GetPlayerNumber(const std::string& AAlias) const {
  for (int32_t n = 1; n <= 4; ++n) {
    if (GetPlayerAlias(n) == AAlias) return n;
  }
  return 0;
}
