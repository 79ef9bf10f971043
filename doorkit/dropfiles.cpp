#include "doorkit/dropfiles.h"

// The readers arrive with the socket transport; until then a drop file
// leaves DoorDropInfo at its defaults.
void ReadDoor32(const std::string&) {}
void ReadDoorSys(const std::string&) {}
void ReadDorInfo(const std::string&) {}
void ReadLordInfo(const std::string&) {}
