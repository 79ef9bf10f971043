// Start-up care of the game directory: a change that a stopped process left
// half done is finished, and the temporary files that killed writers left
// beside the data files (older than an hour) are removed, each under the
// lock of the files it belongs to. The games folders' are removed by the
// expiry pass, under the store lock.
#pragma once

void TidyGameDir();
