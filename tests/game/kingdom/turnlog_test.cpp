#include <gtest/gtest.h>

#include "support/engine_support.h"

namespace {

using Lines = std::vector<std::string>;

class TurnLogTest : public EngineTest {};

TEST_F(TurnLogTest, WithoutAListEveryOperationDoesNothing) {
  LogTurnAction("soldier_attack", "details");
  LogTurnResult("soldier_loss", "3");
  LogMusic("GRONEL_BOOMS:2");
  LogText("hello");
  LogLine("plain");
  EXPECT_FALSE(TurnLogging());
  EXPECT_EQ(CurrentTurnActions, nullptr);

  // A whole month of Klassic play leaves no list behind either.
  SetCounters(*Player,
              {.Kastle = 15000, .Soldiers = 10, .Civilians = 100, .Gold = 50, .Food = 500});
  Player->Produce();
  EXPECT_EQ(CurrentTurnActions, nullptr);
}

TEST_F(TurnLogTest, EachOperationAppendsItsLinesInOrder) {
  StartLog();
  LogTurnAction("assassin", "");
  EXPECT_EQ(Log(), Lines({"[ACTION:assassin]"}));
  LogTurnAction("assassin", "at night");
  LogTurnResult("soldier_loss", "42");
  LogMusic("MFT80O5L64FP64CFP64F");
  LogText("No damage!");
  LogLine("Passed turn (no action)");
  EXPECT_EQ(Log(), Lines({"[ACTION:assassin]", "[ACTION:assassin]", "[DETAIL:at night]",
                          "[RESULT:soldier_loss:42]", "[MUSIC:MFT80O5L64FP64CFP64F]",
                          "[TEXT:No damage!]", "Passed turn (no action)"}));
}

}  // namespace
