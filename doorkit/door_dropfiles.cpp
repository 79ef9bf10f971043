// The four drop-file formats. Each is one value per line from the top; a
// line the file does not have reads as empty, so its default applies. BBSes
// on every system write these files, so lines may end in CR LF as well as
// LF, and names are kept free of control characters: the alias ends up in
// the game's line-based data files.
#include "doorkit/door_dropfiles.h"

#include <algorithm>
#include <cctype>
#include <climits>

#include "doorkit/door.h"
#include "doorkit/filesystem.h"
#include "doorkit/stringutils.h"

namespace {

// The lines of one drop file, read in order.
class DropFileLines {
 public:
  explicit DropFileLines(const std::string& path) {
    FileInfo info;
    open_ = Files().Stat(path, info) == 0 && info.Kind == FileKind::File &&
            Files().ReadFile(path, text_) == 0;
  }

  bool IsOpen() const { return open_; }

  // The next line without its line end; empty past the end of the file.
  std::string Next() {
    if (next_ >= text_.size()) return {};
    size_t end = text_.find('\n', next_);
    if (end == std::string::npos) end = text_.size();
    std::string line = text_.substr(next_, end - next_);
    next_ = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
  }

  void Skip(int count) {
    for (int i = 0; i < count; ++i) Next();
  }

 private:
  std::string text_;
  size_t next_ = 0;
  bool open_ = false;
};

// The text as a decimal integer (blanks and tabs around it allowed), or
// fallback. Widened, so that the conversions below cannot overflow.
int64_t IntOr(const std::string& text, int32_t fallback) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return fallback;
  const size_t last = text.find_last_not_of(" \t");
  return StrToIntDef(text.substr(first, last - first + 1), fallback);
}

int32_t Int32Or(const std::string& text, int32_t fallback) {
  return static_cast<int32_t>(IntOr(text, fallback));
}

int32_t MinutesToSeconds(const std::string& text) { return ClampInt32(IntOr(text, 0) * 60); }

// A 1-based record number stored 0-based.
int32_t RecordPosition(const std::string& text) { return ClampInt32(IntOr(text, 1) - 1); }

// A connection type outside a byte's range is no known type.
uint8_t ConnectionType(const std::string& text) {
  return static_cast<uint8_t>(std::clamp<int64_t>(IntOr(text, 0), 0, 255));
}

// A name with its control characters (bytes below 32, and 127) removed.
std::string CleanName(const std::string& text) {
  std::string name;
  for (char c : text) {
    unsigned char b = static_cast<unsigned char>(c);
    if (b >= 32 && b != 127) name += c;
  }
  return name;
}

bool SameIgnoringCase(const std::string& line, const char* text) { return UpperCase(line) == text; }

// A port number after "COM" ("COM1" gives 1); a port above 0 is serial.
void SetSerialPort(const std::string& number) {
  DoorDropInfo.ComNum = Int32Or(number, 0);
  if (DoorDropInfo.ComNum > 0) DoorDropInfo.ComType = 1;
}

}  // namespace

void ReadDoor32(const std::string& path) {
  DropFileLines file(path);
  if (!file.IsOpen()) return;
  TDoorDropInfo& info = DoorDropInfo;
  info.ComType = ConnectionType(file.Next());
  info.ComNum = Int32Or(file.Next(), -1);
  info.Baud = Int32Or(file.Next(), 38400);
  file.Skip(1);  // the BBS software's name
  info.RecPos = RecordPosition(file.Next());
  info.RealName = CleanName(file.Next());
  info.Alias = CleanName(file.Next());
  info.Access = Int32Or(file.Next(), 0);
  info.MaxSeconds = MinutesToSeconds(file.Next());
  info.Emulation = Int32Or(file.Next(), 1) == 0 ? etASCII : etANSI;
  info.Node = Int32Or(file.Next(), 0);
}

void ReadDoorSys(const std::string& path) {
  DropFileLines file(path);
  if (!file.IsOpen()) return;
  TDoorDropInfo& info = DoorDropInfo;
  // "COM1:": the number stands between "COM" and the final character.
  std::string port = file.Next();
  SetSerialPort(port.size() > 4 ? port.substr(3, port.size() - 4) : std::string());
  file.Skip(2);
  info.Node = Int32Or(file.Next(), 0);
  info.Baud = Int32Or(file.Next(), 38400);
  file.Skip(4);
  info.RealName = CleanName(file.Next());  // line 10
  file.Skip(4);
  info.Access = Int32Or(file.Next(), 0);  // line 15
  file.Skip(2);
  info.MaxSeconds = Int32Or(file.Next(), 0);  // line 18, already seconds
  file.Skip(1);
  info.Emulation = SameIgnoringCase(file.Next(), "GR") ? etANSI : etASCII;  // line 20
  file.Skip(5);
  info.RecPos = RecordPosition(file.Next());  // line 26
  file.Skip(9);
  info.Alias = CleanName(file.Next());  // line 36
}

void ReadDorInfo(const std::string& path) {
  DropFileLines file(path);
  if (!file.IsOpen()) return;
  TDoorDropInfo& info = DoorDropInfo;
  file.Skip(3);
  std::string port = file.Next();  // line 4, "COM1"
  SetSerialPort(port.size() > 3 ? port.substr(3) : std::string());
  std::string speed = file.Next();  // "38400 BAUD,N,8,1"
  info.Baud = Int32Or(speed.substr(0, speed.find(' ')), 38400);
  file.Skip(1);
  std::string firstName = CleanName(file.Next());  // line 7
  std::string lastName = CleanName(file.Next());
  info.Alias = firstName;
  info.RealName = lastName.empty() ? firstName : firstName + " " + lastName;
  file.Skip(1);
  info.Emulation = Int32Or(file.Next(), 1) == 1 ? etANSI : etASCII;  // line 10
  info.Access = Int32Or(file.Next(), 0);
  info.MaxSeconds = MinutesToSeconds(file.Next());
}

void ReadLordInfo(const std::string& path) {
  DropFileLines file(path);
  if (!file.IsOpen()) return;
  TDoorDropInfo& info = DoorDropInfo;
  info.RecPos = Int32Or(file.Next(), 0);
  info.Emulation = Int32Or(file.Next(), 3) == 3 ? etANSI : etASCII;
  file.Skip(1);
  info.Fairy = SameIgnoringCase(file.Next(), "FAIRY YES");  // line 4
  info.MaxSeconds = MinutesToSeconds(file.Next());
  info.Alias = CleanName(file.Next());
  info.RealName = CleanName(file.Next());  // line 7, first name
  std::string lastName = CleanName(file.Next());
  if (!lastName.empty()) info.RealName += " " + lastName;
  info.ComNum = Int32Or(file.Next(), 0);  // line 9
  info.Baud = Int32Or(file.Next(), 38400);
  file.Skip(1);
  std::string kind = UpperCase(file.Next());  // line 12
  if (kind == "LOCAL") {
    info.ComType = 0;
  } else if (kind == "TELNET") {
    info.ComType = 2;
  } else if (kind == "WC5") {
    info.ComType = 3;
  } else {
    info.ComType = 1;
  }
  file.Skip(1);
  info.Clean = SameIgnoringCase(file.Next(), "CLEAN MODE ON");  // line 14
}
