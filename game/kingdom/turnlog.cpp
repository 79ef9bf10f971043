#include "game/kingdom/turnlog.h"

std::unique_ptr<std::vector<std::string>> CurrentTurnActions;

void TurnLogReset() { CurrentTurnActions.reset(); }

bool TurnLogging() { return CurrentTurnActions != nullptr; }

void LogLine(const std::string& ALine) {
  if (CurrentTurnActions) CurrentTurnActions->push_back(ALine);
}

void LogTurnAction(const std::string& AActionType, const std::string& ADetails) {
  LogLine("[ACTION:" + AActionType + "]");
  if (!ADetails.empty()) LogLine("[DETAIL:" + ADetails + "]");
}

void LogTurnResult(const std::string& AResultType, const std::string& ADetails) {
  LogLine("[RESULT:" + AResultType + ":" + ADetails + "]");
}

void LogMusic(const std::string& AMusicCode) { LogLine("[MUSIC:" + AMusicCode + "]"); }

void LogText(const std::string& AText) { LogLine("[TEXT:" + AText + "]"); }
