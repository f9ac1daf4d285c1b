// Runs a piece of a test as an ordinary user. Permission checks (a read-only
// folder, a file the user may not change) do not apply to root, and tests may
// run as root in containers: there the piece runs in a child process that has
// given up root for the "nobody" user first; otherwise it runs in place.
#pragma once

#include <functional>
#include <string>

namespace norvane::test {

// The text `piece` returns, as run by an ordinary user. Throws
// std::runtime_error when the child cannot be started or does not finish.
std::string RunUnprivileged(const std::function<std::string()>& piece);

}  // namespace norvane::test
