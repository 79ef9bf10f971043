// The moment a move's outcome is settled. What a game keeps of a move (a
// Multiplayer turn, a Klassic result) is written then, before the first
// pause that shows the outcome, so that a caller who dislikes it cannot
// hang up at that pause and play the move again with new draws. The screens
// are the same whenever the writing happens.
//
//   TSettleHook hook([&](TPlayer* winner) { ... write what was decided ... });
//   TPlayer* winner = mover->Move(month, other);  // may settle on the way
//   hook.Settle(winner);                          // the move's own end
#pragma once

#include <functional>

class TPlayer;

// Installed for one move while it lives; it runs at most once, with the
// winner of the war, or nullptr when the war goes on.
class TSettleHook {
 public:
  explicit TSettleHook(std::function<void(TPlayer*)> AOnSettled);
  ~TSettleHook();
  TSettleHook(const TSettleHook&) = delete;
  TSettleHook& operator=(const TSettleHook&) = delete;

  // Settles now unless the move already has (the same as SettleMove).
  void Settle(TPlayer* AWinner);
  bool Settled() const { return settled_; }

 private:
  std::function<void(TPlayer*)> onSettled_;
  bool settled_ = false;
  TSettleHook* outer_;
};

// Called by the war's code right before the first pause after an outcome is
// drawn: runs the installed hook once. Nothing when none is installed.
void SettleMove(TPlayer* AWinner);
