// Several nodes of a BBS at once, as forked processes sharing the test's
// game directory.
#pragma once

#include <sys/types.h>

#include <functional>
#include <vector>

// Forks count processes that wait on a gate until every one is forked, so
// that they all start at once, and then each runs node(0 .. count - 1). A
// node exits with 0 when node returned, 1 when it threw and 3 when the
// gate broke; it skips every destructor (the fake platform of the test
// would remove the shared folder). The pids of the nodes forked: fewer than
// count when a fork failed, none when the gate could not be made.
std::vector<pid_t> StartNodesAtOnce(int count, const std::function<void(int)>& node);
