#include "game/common/textutil.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

std::string TrimControl(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) < 33) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) < 33) --e;
  return s.substr(b, e - b);
}

std::string TrimBlanks(const std::string& s) { return std::string(WithoutBlanks(s)); }

std::string_view WithoutBlanks(std::string_view s) {
  const size_t b = s.find_first_not_of(' ');
  if (b == std::string_view::npos) return {};
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

char UpKey(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

std::string Format(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, fmt, copy);
  va_end(copy);
  std::string out(n > 0 ? static_cast<size_t>(n) : 0, '\0');
  if (n > 0) std::vsnprintf(out.data(), out.size() + 1, fmt, args);
  va_end(args);
  return out;
}

int32_t Min(int32_t a, int32_t b) { return a < b ? a : b; }
int32_t Max(int32_t a, int32_t b) { return a > b ? a : b; }

std::string Proper(const std::string& S) {
  std::string out;
  out.reserve(S.size());
  bool capitaliseNext = true;
  for (char c : S) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (capitaliseNext && c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
      capitaliseNext = false;
    } else if (c == ' ') {
      capitaliseNext = true;
    }
    out += c;
  }
  return out;
}

std::string PrettyNumber(int32_t N) {
  std::string digits = std::to_string(std::llabs(static_cast<long long>(N)));
  std::string out;
  int count = 0;
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    if (count > 0 && count % 3 == 0) out.insert(out.begin(), ',');
    out.insert(out.begin(), *it);
    ++count;
  }
  return N < 0 ? "-" + out : out;
}
