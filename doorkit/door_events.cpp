// The periodic checks of a socket session (carrier, idle limit, time left),
// and how long a wait for a key may sleep until the next check that can act.
#include <algorithm>
#include <cmath>

#include "doorkit/door.h"
#include "doorkit/stringutils.h"

void DoorDoEvents() {
  if (!DoorSession.Events) return;
  if (SecondsBetween(Now(), DoorSession.EventsTime) < 1) return;
  if (!DoorCarrier() && DoorOnHangup) DoorOnHangup();
  if (DoorSession.DoIdleCheck) {
    int32_t idle = DoorSecondsIdle();
    if (idle > DoorSession.MaxIdle && DoorOnTimeOut) DoorOnTimeOut();
    int64_t r = static_cast<int64_t>(DoorSession.MaxIdle) - idle;
    if (r % 60 == 1 && r / 60 <= 5 && DoorOnTimeOutWarning) {
      DoorOnTimeOutWarning(static_cast<uint8_t>(r / 60));
    }
  }
  if (DoorSecondsLeft() < 1 && DoorOnTimeUp) DoorOnTimeUp();
  int32_t t = DoorSecondsLeft();
  if (t % 60 == 1 && t / 60 <= 5 && DoorOnTimeUpWarning) {
    DoorOnTimeUpWarning(static_cast<uint8_t>(t / 60));
  }
  DoorSession.EventsTime = Now();
}

namespace {

// The furthest ahead a wait for a key plans, in checks: it then runs one
// that finds nothing, as a bound on how long a jump of the wall clock can
// go unnoticed.
constexpr int64_t kMaxChecksAhead = 60;

// A countdown that has value v at the next check and one less at each check
// after it: the number of the first check (1 = the next) at which it is 301,
// 241, 181, 121, 61 or 1, the values that warn; 0 when it has passed them all.
int64_t ChecksUntilWarning(int64_t v) {
  for (int64_t r = 301; r >= 1; r -= 60) {
    if (r <= v) return v - r + 1;
  }
  return 0;
}

// The checks run on a grid: EventsTime plus whole seconds, one check a
// second, as long as the caller sends nothing. Between two checks the idle
// and the used seconds each grow by exactly one, so which check of the grid
// first finds something to do follows from the values at the next one:
// the number of that check (1 = the next), at most kMaxChecksAhead.
int64_t ChecksUntilAction() {
  constexpr double kSecond = 1.0 / 86400.0;
  const TDateTime next = DoorSession.EventsTime + kSecond;
  int64_t checks = kMaxChecksAhead;
  auto consider = [&checks](int64_t n) {
    if (n >= 1 && n < checks) checks = n;
  };
  // A hang-up hook that returns is called again at every check.
  if (!DoorCarrier() && DoorOnHangup) consider(1);
  if (DoorSession.DoIdleCheck && (DoorOnTimeOut || DoorOnTimeOutWarning)) {
    if (DoorLastKey.Time > next) {
      consider(1);  // the clock went back: no telling, check every second
    } else {
      int64_t r =
          static_cast<int64_t>(DoorSession.MaxIdle) - SecondsBetween(next, DoorLastKey.Time);
      if (DoorOnTimeOut) consider(std::max<int64_t>(1, r + 2));  // idle > MaxIdle
      if (DoorOnTimeOutWarning) consider(ChecksUntilWarning(r));
    }
  }
  if (DoorOnTimeUp || DoorOnTimeUpWarning) {
    if (DoorSession.TimeOn > next) {
      consider(1);
    } else {
      int64_t left =
          static_cast<int64_t>(DoorDropInfo.MaxSeconds) - SecondsBetween(next, DoorSession.TimeOn);
      if (DoorOnTimeUp) consider(std::max<int64_t>(1, left + 1));  // left < 1
      if (DoorOnTimeUpWarning) consider(ChecksUntilWarning(left));
    }
  }
  return checks;
}

}  // namespace

int32_t DoorEventsWaitMs() {
  if (!DoorSession.Events) return -1;
  double ms = (DoorSession.EventsTime - Now()) * 86400000.0 +
              static_cast<double>(ChecksUntilAction()) * 1000.0;
  // A hair below the moment still rounds up to it: the check then finds its
  // whole second, thanks to the allowance in SecondsBetween.
  return static_cast<int32_t>(
      std::clamp(std::ceil(ms - 0.001), 1.0, static_cast<double>(kMaxChecksAhead) * 1000.0));
}

void DoorEventsCatchUp() {
  if (!DoorSession.Events) return;
  const TDateTime now = Now();
  if (now < DoorSession.EventsTime) return;  // the clock went back
  int64_t skipped = std::min(SecondsBetween(now, DoorSession.EventsTime), ChecksUntilAction() - 1);
  if (skipped >= 1) DoorSession.EventsTime += static_cast<double>(skipped) / 86400.0;
}

int32_t DoorSecondsIdle() { return ClampInt32(SecondsBetween(Now(), DoorLastKey.Time)); }

int32_t DoorSecondsLeft() {
  return ClampInt32(static_cast<int64_t>(DoorDropInfo.MaxSeconds) -
                    SecondsBetween(Now(), DoorSession.TimeOn));
}
