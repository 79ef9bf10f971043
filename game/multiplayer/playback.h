// Replaying the opponent's last turn: the game's turn log (see turnlog.h)
// told back as a short show of coloured messages, explosions, wagon noises
// and the assassin's steps, before the caller's own turn starts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class TPvPGameState;

// Most explosions one replay writes. A real turn logs at most one volley,
// and a volley logs about one boom per slingard it destroys (a tenth per
// guard or assassin, a hundredth per soldier, kastle point or gronel), so
// real wars log tens to a few hundred; 100,000 is more than a whole
// treasury's worth of slingards (2,147,483,647 gold buys 85,899). A damaged
// or hostile count (say 2,000,000,000) is held at this limit, and the limit
// is shared by all the explosion lines of one replay.
inline constexpr int32_t PLAYBACK_MAX_BOOMS = 100000;

// Most units one logged purchase can name: what a full treasury
// (2,147,483,647 gold) buys at the item's price, or an int32 for food. A
// larger amount cannot come from the game; it is held at this limit for the
// wagon count. 0 for an item the game does not sell.
int32_t MaxPurchaseAmount(const std::string& AItem);

// Most wagon sounds one replay plays: those of the largest purchase the game
// can log (286,331 assassins). A real turn logs at most one purchase, so the
// limit is shared by all the purchase lines of one replay.
inline constexpr int64_t PLAYBACK_MAX_WAGONS = 286331;

// Wagon sounds played for a logged purchase of AAmount units of AItem:
// the amount times the item's loading rate, rounded half to even, at least
// 1 for gronels, guards, food and the kastle; below 1 plays nothing. The
// amount is first held at MaxPurchaseAmount.
int64_t PurchaseWagons(const std::string& AItem, int32_t AAmount);

// The content of a bracketed log line: what follows the APrefixLength
// characters of its prefix, without the closing "]" (the last character,
// whatever it is) and without one more "]" if one is left at the end.
std::string LogLineContent(const std::string& ALine, size_t APrefixLength);

// Replays AGameState.LastTurnActions line by line and then clears the list.
// An empty log shows nothing and waits for no key; otherwise the screen is
// cleared, the Thinking banner shown, and the replay ends with a key pause.
// Malformed lines never stop it: they show nothing or fall back to default
// counts. Control characters in logged texts are dropped, so a game file
// cannot send its own escape sequences to the caller's terminal. The
// opponent's alias is not used: the replay speaks of "his" side.
void PlaybackOpponentTurn(TPvPGameState& AGameState, const std::string& AOpponentAlias);
