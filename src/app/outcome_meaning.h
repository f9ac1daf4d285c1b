// What an outcome code means in words, for `results --detail` and `log`:
// temporary (4xx) and permanent (5xx) server refusals told apart, the socket
// numbers (10004 and friends) and the engine's own negative codes explained.
#pragma once

#include <string>

namespace norvane {

std::string OutcomeMeaning(int code);

}  // namespace norvane
