// What each setting's readers take, checked in one place for every way a
// setting is written (`norvane config set`, the Options dialog): a number
// within its range, the true or false word, a TLS word, a port, a domain name,
// an unsubscribe template. A setting without a rule is free text; none may hold
// control characters, which would end the registry line or, in From, start a
// header line of its own.
#pragma once

#include <string>
#include <string_view>

namespace norvane {

class TINIArquivo;

// `value` (ANSI) of SECTION/KEY as it is to be stored (a number in its plain
// form, the file's true or false word, a TLS word in lower case). Throws
// std::invalid_argument naming the setting and what it takes; `shown` is the
// value as the user typed it, for that message.
std::string CheckedSettingValue(std::string_view section, std::string_view key, const std::string& value,
                                const std::string& shown, const TINIArquivo& file);

}  // namespace norvane
