// The game directory: the folder every data file lives in (configuration,
// records, scoreboards, rankings, the online list and the games folders).
#pragma once

#include <string>

// The executable's own folder (its path up to and including the last "/"),
// or the working directory when that is empty; always ends in "/".
// Computed afresh on every call.
std::string GetGameDir();
