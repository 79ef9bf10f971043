// Readers of the four drop-file formats into DoorDropInfo. A file that is
// missing or cannot be opened leaves DoorDropInfo as it was.
#pragma once

#include <string>

void ReadDoor32(const std::string& path);
void ReadDoorSys(const std::string& path);
void ReadDorInfo(const std::string& path);
void ReadLordInfo(const std::string& path);
