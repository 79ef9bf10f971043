// When the periodic checks of a socket session act: the virtual moment of
// every idle and time-left warning, time-out, time-up, hang-up and session
// end, for several idle limits, allowances and key timings. The wait for a
// key may sleep through checks at which nothing can happen, but must never
// move one that acts.
#include <gtest/gtest.h>

#include "doorkit/door.h"
#include "support/fake_platform.h"

namespace {

FakePlatform* g_fake = nullptr;
std::string g_log;

void Log(const std::string& what) {
  if (!g_log.empty()) g_log += ' ';
  // Tenths of a second: fine enough to tell one run of the checks from the
  // next, coarse enough to ignore a millisecond of rounding.
  g_log += std::to_string(g_fake->nowMs / 1000) + "." + std::to_string(g_fake->nowMs % 1000 / 100) +
           ":" + what;
}

struct Arrival {
  int64_t atMs;
  std::string bytes;  // empty: the caller hangs up then
};

struct ClockCase {
  const char* name;
  int32_t maxSeconds;
  int32_t maxIdle;
  std::vector<Arrival> arrivals;
  int workMs = 0;  // game time spent after each key before the next wait
  bool idleCheck = true;
  bool hooksReturn = false;  // time-out, time-up and hang-up hooks that only log
  const char* expected;      // "seconds:event ..." in order
};

class SessionClockTest : public ::testing::TestWithParam<ClockCase> {
 protected:
  void SetUp() override {
    g_fake = &fake;
    g_log.clear();
    std::string args[] = {"qgs", "-N1", "-S7"};
    char* argv[] = {args[0].data(), args[1].data(), args[2].data(), nullptr};
    DoorStartup(3, argv);
    ASSERT_TRUE(DoorSession.Events);
  }

  void TearDown() override { g_fake = nullptr; }

  FakePlatform fake;
};

TEST_P(SessionClockTest, EveryCheckThatActsComesAtItsMoment) {
  const ClockCase& c = GetParam();
  DoorDropInfo.MaxSeconds = c.maxSeconds;
  DoorSession.MaxIdle = c.maxIdle;
  DoorSession.DoIdleCheck = c.idleCheck;
  for (const Arrival& a : c.arrivals) {
    if (a.bytes.empty()) {
      fake.HangUp(a.atMs);
    } else {
      fake.SocketChunk(a.bytes, a.atMs);
    }
  }
  DoorOnTimeOutWarning = [](uint8_t m) { Log("I" + std::to_string(m)); };
  DoorOnTimeUpWarning = [](uint8_t m) { Log("T" + std::to_string(m)); };
  if (c.hooksReturn) {
    DoorOnTimeOut = [] { Log("timeout"); };
    DoorOnTimeUp = [] {
      Log("timeup");
      DoorEndSession(0);
    };
    DoorOnHangup = [] { Log("hangup"); };
  } else {
    DoorOnTimeOut = [] {
      Log("timeout");
      DefaultOnTimeOut();
    };
    DoorOnTimeUp = [] {
      Log("timeup");
      DefaultOnTimeUp();
    };
    DoorOnHangup = [] {
      Log("hangup");
      DefaultOnHangup();
    };
  }
  try {
    for (;;) {
      char key = DoorReadKey();
      Log(std::string("key") + key);
      if (c.workMs > 0) Delay(c.workMs);
    }
  } catch (const DoorExit& e) { Log("end" + std::to_string(e.code)); }
  EXPECT_EQ(g_log, c.expected);
}

const ClockCase kCases[] = {
    {"default_limits",
     3600,
     300,
     {},
     0,
     true,
     false,
     "59.0:I4 119.0:I3 179.0:I2 239.0:I1 299.0:I0 301.0:timeout 303.5:end0"},
    {"idle_and_time_warnings_interleave",
     400,
     320,
     {},
     0,
     true,
     false,
     "19.0:I5 79.0:I4 99.0:T5 139.0:I3 159.0:T4 199.0:I2 219.0:T3 259.0:I1 279.0:T2 "
     "319.0:I0 321.0:timeout 323.5:end0"},
    {"both_warnings_at_one_check",
     301,
     300,
     {},
     0,
     true,
     false,
     "0.0:T5 59.0:I4 60.0:T4 119.0:I3 120.0:T3 179.0:I2 180.0:T2 239.0:I1 240.0:T1 "
     "299.0:I0 300.0:T0 301.0:timeout 303.5:end0"},
    {"time_up_before_the_idle_limit",
     200,
     600,
     {},
     0,
     true,
     false,
     "19.0:T3 79.0:T2 139.0:T1 199.0:T0 200.0:timeup 202.5:end0"},
    {"long_allowance",
     3600,
     4000,
     {},
     0,
     true,
     false,
     "3299.0:T5 3359.0:T4 3419.0:T3 3479.0:T2 3539.0:T1 3599.0:T0 3600.0:timeup 3602.5:end0"},
    {"no_idle_check", 62, 0, {}, 0, false, false, "1.0:T1 61.0:T0 62.0:timeup 64.5:end0"},
    {"idle_limit_zero", 3600, 0, {}, 0, true, false, "1.0:timeout 3.5:end0"},
    {"idle_limit_one", 3600, 1, {}, 0, true, false, "0.0:I0 2.0:timeout 4.5:end0"},
    {"negative_idle_limit", 3600, -5, {}, 0, true, false, "0.0:timeout 2.5:end0"},
    {"no_time_at_all", 0, 300, {}, 0, true, false, "0.0:timeup 2.5:end0"},
    {"one_second_left", 1, 300, {}, 0, true, false, "0.0:T0 1.0:timeup 3.5:end0"},
    {"key_between_checks",
     3600,
     120,
     {{2500, "a"}},
     0,
     true,
     false,
     "2.5:keya 62.0:I1 122.0:I0 124.0:timeout 126.5:end0"},
    {"keys_move_the_idle_clock",
     3600,
     70,
     {{2500, "a"}, {65700, "b"}},
     0,
     true,
     false,
     "2.5:keya 12.0:I1 65.7:keyb 75.0:I1 135.0:I0 137.0:timeout 139.5:end0"},
    {"work_after_a_key_moves_the_checks",
     3600,
     70,
     {{2500, "a"}},
     700,
     true,
     false,
     "2.5:keya 12.2:I1 72.2:I0 74.2:timeout 76.7:end0"},
    {"several_keys_and_work",
     190,
     130,
     {{400, "ab"}, {30900, "c"}, {31950, "d"}},
     1300,
     true,
     false,
     "0.4:keya 1.7:keyb 9.0:T3 11.0:I2 30.9:keyc 32.2:keyd 41.5:I2 69.5:T2 101.5:I1 129.5:T1 "
     "161.5:I0 163.5:timeout 166.0:end0"},
    {"hang_up", 3600, 300, {{7300, ""}}, 0, true, false, "8.0:hangup 8.0:end0"},
    {"hang_up_after_a_key",
     3600,
     300,
     {{1200, "q"}, {4700, ""}},
     400,
     true,
     false,
     "1.2:keyq 5.0:hangup 5.0:end0"},
    {"hooks_that_return_act_every_second",
     9,
     5,
     {{3000, ""}},
     0,
     true,
     true,
     "4.0:hangup 4.0:I0 5.0:hangup 6.0:hangup 6.0:timeout 7.0:hangup 7.0:timeout 8.0:hangup "
     "8.0:timeout 8.0:T0 9.0:hangup 9.0:timeout 9.0:timeup 9.0:end0"},
};

INSTANTIATE_TEST_SUITE_P(Cases, SessionClockTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
