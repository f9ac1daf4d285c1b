// A small parser for "--name value", "--name=value" and "--flag" options
// mixed with positional arguments. Unknown options and missing values throw
// std::invalid_argument with the text to print.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/commands.h"

namespace norvane::cli {

class OptionParser {
 public:
  // `valued`: options that take a value; `flags`: options that do not.
  OptionParser(const Args& args, const std::set<std::string>& valued, const std::set<std::string>& flags);

  bool Has(const std::string& name) const { return values_.count(name) != 0; }
  // The last value given; All gives every one, in order, for options that may repeat.
  std::optional<std::string> Value(const std::string& name) const;
  std::vector<std::string> All(const std::string& name) const;
  // The value as a whole number within [min, max].
  std::optional<long> Number(const std::string& name, long min, long max) const;
  const std::vector<std::string>& Positional() const { return positional_; }

 private:
  std::map<std::string, std::string> values_;
  std::map<std::string, std::vector<std::string>> all_;
  std::vector<std::string> positional_;
};

}  // namespace norvane::cli
