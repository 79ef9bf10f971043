// The turn log: the lines a Multiplayer turn leaves for the opponent to
// replay. Every operation here does nothing while CurrentTurnActions is
// null, which is how Klassic play before the session's first Multiplayer
// turn records nothing.
//
// Line forms: "[ACTION:type]", "[DETAIL:text]", "[RESULT:type:text]",
// "[MUSIC:code]", "[TEXT:text]", and plain lines (no leading "[") appended
// as they are. No escaping: texts must not hold line breaks.
#pragma once

#include <memory>
#include <string>
#include <vector>

// Created by the first Multiplayer turn of the session and kept from then on.
extern std::unique_ptr<std::vector<std::string>> CurrentTurnActions;
// Back to the start of a session: no turn log.
void TurnLogReset();

// True while a turn log exists.
bool TurnLogging();

// "[ACTION:" + AActionType + "]", then "[DETAIL:" + ADetails + "]" when
// ADetails is not empty.
void LogTurnAction(const std::string& AActionType, const std::string& ADetails);
// "[RESULT:" + AResultType + ":" + ADetails + "]".
void LogTurnResult(const std::string& AResultType, const std::string& ADetails);
// "[MUSIC:" + AMusicCode + "]": a tune, or a code such as "GRONEL_BOOMS:3".
void LogMusic(const std::string& AMusicCode);
// "[TEXT:" + AText + "]".
void LogText(const std::string& AText);
// Appends ALine exactly as given (plain lines, and the "[CLASH:...]" shouts).
void LogLine(const std::string& ALine);

// The plain line a surrender leaves: the log of a game ended this way is the
// loser's.
inline const std::string SURRENDER_LOG_LINE = "QUIT - Surrendered the game";
