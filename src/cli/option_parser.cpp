#include "cli/option_parser.h"

#include <cerrno>
#include <cstdlib>

namespace norvane::cli {

OptionParser::OptionParser(const Args& args, const std::set<std::string>& valued,
                           const std::set<std::string>& flags) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.size() < 3 || arg.rfind("--", 0) != 0) {
      positional_.push_back(arg);
      continue;
    }
    std::string name = arg, value;
    bool inline_value = false;
    if (std::size_t equals = arg.find('='); equals != std::string::npos) {
      name = arg.substr(0, equals);
      value = arg.substr(equals + 1);
      inline_value = true;
    }
    if (flags.count(name) && !inline_value) {
      values_[name] = "";
    } else if (valued.count(name)) {
      if (!inline_value) {
        if (i + 1 >= args.size()) throw std::invalid_argument(name + " needs a value");
        value = args[++i];
      }
      values_[name] = value;
      all_[name].push_back(value);
    } else {
      throw std::invalid_argument("unknown option " + arg);
    }
  }
}

std::optional<std::string> OptionParser::Value(const std::string& name) const {
  auto found = values_.find(name);
  if (found == values_.end()) return std::nullopt;
  return found->second;
}

std::vector<std::string> OptionParser::All(const std::string& name) const {
  auto found = all_.find(name);
  return found == all_.end() ? std::vector<std::string>{} : found->second;
}

std::optional<long> OptionParser::Number(const std::string& name, long min, long max) const {
  auto text = Value(name);
  if (!text) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  long value = std::strtol(text->c_str(), &end, 10);
  if (text->empty() || *end != '\0' || errno != 0 || value < min || value > max)
    throw std::invalid_argument(name + " needs a whole number from " + std::to_string(min) + " to " +
                                std::to_string(max) + ", not '" + *text + "'");
  return value;
}

}  // namespace norvane::cli
