// Shared ground for the fuzz targets: each target includes this once.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

// The fake platform puts each run's game directory under TMPDIR. Every data
// file rewrite ends in an fsync, which on a disk costs milliseconds; on a RAM
// disk it costs nothing, so runs go there when the machine has one and the
// caller has not chosen a folder (forty times the runs a second).
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  struct stat st {};
  if (!std::getenv("TMPDIR") && stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode)) {
    setenv("TMPDIR", "/dev/shm", 1);
  }
  return 0;
}

namespace fuzz {

inline std::string Bytes(const uint8_t* data, size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}

inline void Put(const std::string& path, const std::string& contents) {
  std::ofstream(path, std::ios::binary)
      .write(contents.data(), static_cast<std::streamsize>(contents.size()));
}

inline std::string Get(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A broken invariant: say which, and stop the run as a crash.
[[noreturn]] inline void Fail(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

inline void Check(bool ok, const char* what) {
  if (!ok) Fail(what);
}

// True when every control byte in what the door layer sent belongs to
// something the door layer itself makes: CR, LF and backspace, CSI
// sequences (ESC "[" digits and ";" and one final letter) and ANSI music
// frames (ESC "[M" ... byte 14, whose body must hold no control byte
// either). Texts read from files end up in these screens; none may send
// the caller's terminal a control code of its own.
inline bool OnlyOwnControls(const std::string& out) {
  auto control = [](unsigned char b) { return b < 32 || b == 127; };
  size_t i = 0;
  while (i < out.size()) {
    const unsigned char b = static_cast<unsigned char>(out[i]);
    if (b == '\r' || b == '\n' || b == '\b') {
      ++i;
    } else if (b == 27) {
      if (i + 1 >= out.size() || out[i + 1] != '[') return false;
      if (i + 2 < out.size() && out[i + 2] == 'M') {  // music
        size_t end = out.find('\x0e', i + 3);
        if (end == std::string::npos) return false;
        for (size_t j = i + 3; j < end; ++j) {
          if (control(static_cast<unsigned char>(out[j]))) return false;
        }
        i = end + 1;
        continue;
      }
      size_t j = i + 2;
      while (j < out.size() && ((out[j] >= '0' && out[j] <= '9') || out[j] == ';')) ++j;
      if (j >= out.size() ||
          !((out[j] >= 'A' && out[j] <= 'Z') || (out[j] >= 'a' && out[j] <= 'z'))) {
        return false;
      }
      i = j + 1;
    } else if (control(b)) {
      return false;
    } else {
      ++i;
    }
  }
  return true;
}

}  // namespace fuzz
