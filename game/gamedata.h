// The records of finished Klassic games, "qgs.dat": the shortest, the
// longest and the last game, each as months with winner and loser.
#pragma once

#include <cstdint>
#include <string>

struct TGameData {
  int32_t ShortestMonths = 0;  // 0: no record yet
  std::string ShortestWinner;
  std::string ShortestLoser;
  int32_t LongestMonths = 0;
  std::string LongestWinner;
  std::string LongestLoser;
  int32_t LastMonths = 0;
  std::string LastWinner;
  std::string LastLoser;
};

void ReadGameData(TGameData& GameData);
void WriteGameData(TGameData& GameData);
