#include "doorkit/stringutils.h"

#include "doorkit/ansi.h"

#include <algorithm>
#include <cctype>
#include <climits>

namespace {

std::string Pad2(int64_t n) {
  std::string s = std::to_string(n);
  while (s.size() < 2) s.insert(s.begin(), '0');
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string SecToDHMS(int32_t s) {
  int32_t rest = s % 86400;
  return std::to_string(s / 86400) + "d " + std::to_string(rest / 3600) + "h " +
         std::to_string((rest % 3600) / 60) + "m " + std::to_string(rest % 60) + "s";
}

std::string SecToHM(int32_t s) { return Pad2(s / 3600) + ":" + Pad2((s % 3600) / 60); }

std::string SecToHMS(int32_t s) {
  return Pad2(s / 3600) + ":" + Pad2((s % 3600) / 60) + ":" + Pad2(s % 60);
}

std::string SecToMS(int32_t s) { return Pad2(s / 60) + ":" + Pad2(s % 60); }

std::string PipeToAnsi(const std::string& text) {
  if (text.size() < 3) return text;
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '|' && i + 2 < text.size()) {
      int hi = HexDigit(text[i + 1]);
      int lo = HexDigit(text[i + 2]);
      if (hi < 0 || lo < 0) {
        out += '|';
        ++i;
        continue;
      }
      int value = hi * 16 + lo;
      if (value > 127) value -= 128;
      out += AnsiTextAttr(static_cast<uint8_t>(value));
      i += 3;
      continue;
    }
    out += text[i++];
  }
  return out;
}

std::string TickStrip(const std::string& text) {
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '`') {
      out += text[i++];
    } else if (i + 1 >= text.size()) {
      ++i;
    } else {
      i += (text[i + 1] == 'r') ? 3 : 2;
    }
  }
  return out;
}

TTokens StrToTok(const std::string& text, char delimiter) {
  TTokens tokens(1);
  std::string field;
  for (char c : text) {
    if (c == delimiter) {
      tokens.push_back(field);
      field.clear();
    } else {
      field += c;
    }
  }
  tokens.push_back(field);
  return tokens;
}

std::string TokToStr(const TTokens& tokens, char delimiter, int start) {
  if (start < 0 || static_cast<size_t>(start) >= tokens.size()) return {};
  std::string out = tokens[static_cast<size_t>(start)];
  for (size_t i = static_cast<size_t>(start) + 1; i < tokens.size(); ++i) {
    out += delimiter;
    out += tokens[i];
  }
  return out;
}

std::string Base64Decode(const std::string& text) {
  std::string out;
  uint32_t buffer = 0;
  int bits = 0;
  for (char c : text) {
    int v;
    if (c >= 'A' && c <= 'Z')
      v = c - 'A';
    else if (c >= 'a' && c <= 'z')
      v = c - 'a' + 26;
    else if (c >= '0' && c <= '9')
      v = c - '0' + 52;
    else if (c == '+')
      v = 62;
    else if (c == '/')
      v = 63;
    else if (c == '=')
      break;
    else
      continue;  // line breaks and blanks between groups
    buffer = (buffer << 6) | static_cast<uint32_t>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>((buffer >> bits) & 0xFF);
    }
  }
  return out;
}

bool TryStrToInt32(const std::string& text, int32_t& value) {
  if (text.empty()) return false;
  size_t i = (text[0] == '-' || text[0] == '+') ? 1 : 0;
  if (i == text.size()) return false;
  int64_t v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    v = v * 10 + (text[i] - '0');
    if (v > int64_t{INT32_MAX} + 1) return false;  // stop before it can overflow
  }
  if (text[0] == '-') v = -v;
  if (v < INT32_MIN || v > INT32_MAX) return false;
  value = static_cast<int32_t>(v);
  return true;
}

int32_t StrToIntDef(const std::string& text, int32_t fallback) {
  int32_t value;
  return TryStrToInt32(text, value) ? value : fallback;
}

int32_t ClampInt32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

std::string UpperCase(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}
