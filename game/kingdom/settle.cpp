#include "game/kingdom/settle.h"

#include <utility>

namespace {

TSettleHook* installed = nullptr;

}  // namespace

TSettleHook::TSettleHook(std::function<void(TPlayer*)> AOnSettled)
    : onSettled_(std::move(AOnSettled)), outer_(installed) {
  installed = this;
}

TSettleHook::~TSettleHook() { installed = outer_; }

void TSettleHook::Settle(TPlayer* AWinner) {
  if (settled_) return;
  settled_ = true;
  if (onSettled_) onSettled_(AWinner);
}

void SettleMove(TPlayer* AWinner) {
  if (installed) installed->Settle(AWinner);
}
