#pragma once

#include <string>
#include <vector>

namespace davev {

// Starts argv[0] with argv in a new session, stdin and stdout on /dev/null,
// no inherited descriptor beyond stderr, default signal handling, and returns
// its pid without waiting for it. Throws PlatformError when it cannot start.
long spawnDetached(const std::vector<std::string>& argv);

} // namespace davev
