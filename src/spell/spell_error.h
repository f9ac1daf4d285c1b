// The error of the spell checker and the thesaurus: a dictionary that cannot
// be loaded, a configuration or word file that cannot be read or saved, a
// language that is not installed. what() is the text for the error box.
#pragma once

#include <stdexcept>

namespace norvane {

class SpellError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace norvane
