// The lobby as a caller sees it: the built qgs on a pseudo-terminal of its
// own, at the Multiplayer menu, redrawing lobby and menu on ENTER, timed from
// the key typed to the menu prompt read back. Beside each redraw, in the
// same run, the floor it is measured against: this process lists both games
// folders and opens, reads and closes every game file once. The ratio is
// taken pair by pair, so both meet the same load of a shared machine.
//
// Then the rankings: the monthly rankings screen with that many ranked
// players (R, M, up to the "Press any key..." under it) and the menu redraw
// that follows (which names the month's royalty from the same table), with
// no games at all.
//
//   qgs_lobby_e2e [--games 100,1000,10000] [--players 1000,10000] [--reps 9] [--keep]
//                 [--qgs PATH]
//
// --qgs times another build of the program (an older one, say) in place of
// the one built beside this benchmark.
//
// Each board is made in a fresh folder under $TMPDIR (or /tmp) with a copy
// of the binary, as the door folder is the game directory; --keep leaves
// them there (for a profiler to find the binary's symbols, say).
#include <dirent.h>
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "doorkit/platform.h"
#include "game/common/datetime.h"
#include "boards.h"
#include "support/pty_session.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

std::string program = QGS_BINARY;
const std::string& Program() { return program; }

const std::string kMenu = "C,J,P,V,R,W,Q -=> ";

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// CPU time of this thread.
double CpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// CPU time of a process (ms, from the scheduler's count) and its minor page
// faults so far.
struct ProcCost {
  double cpuMs = 0;
  long faults = 0;
};
ProcCost CostOf(pid_t APid) {
  ProcCost c;
  std::ifstream sched("/proc/" + std::to_string(APid) + "/schedstat");
  long long ns = 0;
  sched >> ns;
  c.cpuMs = ns / 1e6;
  std::ifstream stat("/proc/" + std::to_string(APid) + "/stat");
  std::string all((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  // Fields after the command name (which may hold blanks) start at ") ";
  // minflt is the tenth of them.
  std::stringstream rest(all.substr(all.rfind(')') + 2));
  std::string field;
  for (int i = 1; i <= 10 && rest >> field; ++i) {
    if (i == 8) c.faults = std::atol(field.c_str());
  }
  return c;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::vector<int> Numbers(const char* text) {
  std::vector<int> out;
  std::stringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) out.push_back(std::atoi(item.c_str()));
  return out;
}

void WriteText(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// A game file as the game writes it (v1.2). One in ten finished three days
// ago, one in ten waiting, the rest in progress, the last move half a day
// ago, so nothing expires while the bench runs; the caller (Ann) plays in
// one game in fifty.
std::string GameText(int n, TDateTime now, std::string& id, bool& completed) {
  const int kind = n % 10;
  completed = kind == 5;
  const bool waiting = kind == 0;
  const std::string p1 = n % 50 == 1 ? "Ann" : "Cy" + std::to_string(n);
  const std::string p2 = waiting ? "" : "Bob" + std::to_string(n);
  id = std::to_string(20261209120000LL + n / 1000) + std::to_string(n % 1000);
  const TDateTime last = now - (completed ? 3 : 0.5);
  std::string t;
  auto line = [&t](const std::string& s) {
    t += s;
    t += '\n';
  };
  line("# QGS PvP Game State v1.2");
  line(id);
  line(std::to_string(n));
  line("1");
  line(completed ? "2" : waiting ? "0" : "1");
  line("2");
  line(waiting ? "1" : "2");
  line(p1);
  line("Queen Ann");
  line(p2);
  line(waiting ? "" : "King Bob");
  line("");
  line("");
  line(waiting ? "" : p1);
  line("5");
  line("1");
  line("2");
  for (const char* title : {"Queen", "King"}) {
    line(title);
    for (int v : {1200, 150, 500, 3000, 10, 10, 2, 20, 5000, 8000}) line(std::to_string(v));
  }
  line(DateTimeToStr(now - 6));
  line(DateTimeToStr(last));
  line(DateTimeToStr(last + 7));
  line(completed ? "King Bob" : "");
  const char* log[] = {"[ACTION:soldier_attack]", "[DETAIL:500 soldiers]",
                       "[RESULT:soldier_attack:won]", "[TEXT:* Monthly Update *]"};
  line("4");
  for (const char* l : log) line(l);
  return t;
}

// A monthly table of APlayers players full of ties.
std::string RankingsText(int APlayers, TDateTime now) {
  return RankingsTableText(APlayers, DateTimeToStr(now), DateTimeToStr(now));
}

// A door folder: the binary, a DOOR32.SYS for Ann at the local console, the
// games folders with AGames games, and a monthly table of APlayers.
fs::path MakeBoard(const fs::path& ARoot, int AGames, int APlayers) {
  const fs::path dir = ARoot / ("board-" + std::to_string(AGames) + "-" + std::to_string(APlayers));
  fs::create_directories(dir / "games" / "active");
  fs::create_directories(dir / "games" / "completed");
  fs::copy_file(Program(), dir / "qgs", fs::copy_options::overwrite_existing);
  WriteText(dir / "DOOR32.SYS",
            "0\r\n-1\r\n38400\r\nBench BBS\r\n1\r\nAnn\r\nAnn\r\n100\r\n600\r\n1\r\n1\r\n");
  const TDateTime now = Now();
  for (int n = 1; n <= AGames; ++n) {
    std::string id;
    bool completed = false;
    const std::string text = GameText(n, now, id, completed);
    WriteText(dir / "games" / (completed ? "completed" : "active") / ("game_" + id + ".dat"), text);
  }
  if (APlayers > 0) WriteText(dir / "qgs-pvp-monthly.dat", RankingsText(APlayers, now));
  return dir;
}

// The floor: both folders listed, every "*.dat" opened, read whole and
// closed, as plainly as it can be done.
size_t ReadPass(const fs::path& ADir) {
  size_t bytes = 0;
  static char buf[1 << 16];
  for (const char* folder : {"games/active/", "games/completed/"}) {
    const std::string path = (ADir / folder).string();
    DIR* d = opendir(path.c_str());
    if (!d) continue;
    while (const dirent* e = readdir(d)) {
      const std::string name = e->d_name;
      if (name.size() < 4 || name.compare(name.size() - 4, 4, ".dat") != 0) continue;
      const int fd = open((path + name).c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0) continue;
      ssize_t n;
      while ((n = read(fd, buf, sizeof buf)) > 0) bytes += static_cast<size_t>(n);
      close(fd);
    }
    closedir(d);
  }
  return bytes;
}

class Door {
 public:
  explicit Door(const fs::path& ADir)
      : tty_({(ADir / "qgs").string(), "-D" + (ADir / "DOOR32.SYS").string()}, ADir) {
    Answer("to continue. -=> ", "\r");
    Answer("[Y/N] -=> ", "n");
    Answer("Select option: ", "m");
    See(kMenu, std::chrono::seconds(120));
  }

  // From the keys typed to the text read back; the program's CPU time and
  // page faults on the way go to ACost.
  double Timed(const std::string& AKeys, const std::string& AUntil, ProcCost* ACost = nullptr) {
    const ProcCost before = CostOf(tty_.Pid());
    const Clock::time_point t0 = Clock::now();
    tty_.Type(AKeys);
    See(AUntil, std::chrono::seconds(120));
    const double ms = Ms(Clock::now() - t0);
    if (ACost) {
      const ProcCost after = CostOf(tty_.Pid());
      ACost->cpuMs = after.cpuMs - before.cpuMs;
      ACost->faults = after.faults - before.faults;
    }
    return ms;
  }
  void Type(const std::string& AKeys) { tty_.Type(AKeys); }
  void Answer(const std::string& APrompt, const std::string& AKeys) {
    See(APrompt, std::chrono::seconds(30));
    tty_.Type(AKeys);
  }

 private:
  void See(const std::string& AText, std::chrono::milliseconds ATimeout) {
    if (tty_.Expect(AText, ATimeout)) return;
    std::fprintf(stderr, "qgs never showed \"%s\"; the screen ends with:\n%s\n", AText.c_str(),
                 tty_.Tail().c_str());
    std::exit(1);
  }
  PtySession tty_;
};

void Lobby(const fs::path& ARoot, int AGames, int AReps) {
  const fs::path dir = MakeBoard(ARoot, AGames, 0);
  Door door(dir);
  std::vector<double> read, lobby, ratio, readCpu, lobbyCpu, cpuRatio, faults;
  for (int i = 0; i < AReps + 1; ++i) {
    const double c0 = CpuMs();
    const Clock::time_point t0 = Clock::now();
    const size_t bytes = ReadPass(dir);
    const double r = Ms(Clock::now() - t0);
    const double rc = CpuMs() - c0;
    ProcCost cost;
    const double l = door.Timed("\r", kMenu, &cost);
    if (bytes == 0) std::exit(1);
    if (i == 0) continue;  // warm-up
    read.push_back(r);
    lobby.push_back(l);
    ratio.push_back(l / r);
    readCpu.push_back(rc);
    lobbyCpu.push_back(cost.cpuMs);
    cpuRatio.push_back(cost.cpuMs / rc);
    faults.push_back(static_cast<double>(cost.faults));
  }
  std::printf(
      "%6d games  wall: read pass %7.2f ms, lobby redraw %7.2f ms, lobby/read %4.2f (%.2f to "
      "%.2f)\n"
      "              cpu:  read pass %7.2f ms, qgs %7.2f ms, lobby/read %4.2f (%.2f to %.2f); "
      "%.0f page faults a redraw\n",
      AGames, Median(read), Median(lobby), Median(ratio),
      *std::min_element(ratio.begin(), ratio.end()), *std::max_element(ratio.begin(), ratio.end()),
      Median(readCpu), Median(lobbyCpu), Median(cpuRatio),
      *std::min_element(cpuRatio.begin(), cpuRatio.end()),
      *std::max_element(cpuRatio.begin(), cpuRatio.end()), Median(faults));
  std::fflush(stdout);
}

void Rankings(const fs::path& ARoot, int APlayers, int AReps) {
  const fs::path dir = MakeBoard(ARoot, 0, APlayers);
  Door door(dir);
  std::vector<double> screen, menu;
  for (int i = 0; i < AReps + 1; ++i) {
    door.Type("r");
    door.Answer("All-Time rankings? ", "");
    const double s = door.Timed("m", "Press any key...");
    const double m = door.Timed(" ", kMenu);
    if (i == 0) continue;
    screen.push_back(s);
    menu.push_back(m);
  }
  std::printf("%6d players  monthly rankings screen %8.2f ms  menu redraw after it %8.2f ms\n",
              APlayers, Median(screen), Median(menu));
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> games = {100, 1000, 10000};
  std::vector<int> players = {1000, 10000};
  int reps = 9;
  bool keep = false;
  for (int i = 1; i < argc; ++i) {
    const std::string opt = argv[i];
    const bool valued = i + 1 < argc;
    if (opt == "--keep") {
      keep = true;
    } else if (opt == "--games" && valued) {
      games = Numbers(argv[++i]);
    } else if (opt == "--players" && valued) {
      players = Numbers(argv[++i]);
    } else if (opt == "--qgs" && valued) {
      program = argv[++i];
    } else if (opt == "--reps" && valued) {
      reps = std::max(1, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr,
                   "usage: %s [--games N,..] [--players N,..] [--reps N] [--keep] [--qgs PATH]\n",
                   argv[0]);
      return 2;
    }
  }
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/qgs-e2e-XXXXXX";
  if (!mkdtemp(pattern.data())) return 1;
  const fs::path root = pattern;
  std::printf("qgs %s, medians of %d runs\n", Program().c_str(), reps);
  for (int n : games) Lobby(root, n, reps);
  for (int n : players) Rankings(root, n, reps);
  if (keep) {
    std::printf("boards kept in %s\n", root.c_str());
  } else {
    fs::remove_all(root);
  }
  return 0;
}
