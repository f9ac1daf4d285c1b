// The "relaxed" canonical forms of DKIM (RFC 6376 section 3.4.2 and 3.4.4):
// what is hashed and signed, so that a signature survives the re-folding of
// header lines and the changes of blanks that relays make.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace norvane {

// One header field ("Name: value", folds included, no final CR LF) in relaxed
// form: the name in lower case, the value unfolded, every run of blanks and
// tabs one blank, blanks at the end of the value and around the colon
// removed, then CR LF.
std::string RelaxedHeader(std::string_view field);

// The field name of a header line: the text before its colon, without
// trailing blanks, in ASCII lower case; empty when there is no colon.
std::string HeaderFieldName(std::string_view field);

// The SHA-256 of a body in relaxed form, fed one line at a time (lines
// without their CR LF, as they are on the wire with dot-stuffing undone).
// Blanks at the ends of lines are dropped, runs of blanks inside are one
// blank, and empty lines at the end of the body count for nothing: they are
// only held back until a line with text follows. Memory stays constant.
class RelaxedBodyHash {
 public:
  RelaxedBodyHash();
  ~RelaxedBodyHash();
  RelaxedBodyHash(const RelaxedBodyHash&) = delete;
  RelaxedBodyHash& operator=(const RelaxedBodyHash&) = delete;

  void AddLine(std::string_view line);
  // The hash in base64, as the "bh=" tag carries it. The object is then spent.
  std::string Finish();

 private:
  void Update(std::string_view bytes);

  struct Context;
  std::unique_ptr<Context> context_;
  uint64_t pendingEmptyLines_ = 0;
  std::string scratch_;
};

}  // namespace norvane
