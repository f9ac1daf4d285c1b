#include "sandbox/outcome_script.h"

#include <gtest/gtest.h>

namespace norvane {
namespace {

using Kind = ScriptedOutcome::Kind;

TEST(OutcomeScript, LocalPartPicksTheOutcome) {
  struct Row {
    const char* address;
    ScriptedOutcome want;
  } rows[] = {
      {"someone@example.com", {Kind::kAccept, 0}},
      {"reject-550@example.com", {Kind::kReject550, 0}},
      {"Full-552@example.com", {Kind::kFull552, 0}},
      {"TEMPFAIL-450@example.com", {Kind::kTempfail450, 0}},
      {"tempfail-450-2@example.com", {Kind::kTempfail450, 0, 2}},
      {"tempfail-450-3+b@example.com", {Kind::kTempfail450, 0, 3}},
      {"tempfail-450-0@example.com", {Kind::kAccept, 0}},
      {"tempfail-450-12345@example.com", {Kind::kAccept, 0}},
      {"tempfail-450-x@example.com", {Kind::kAccept, 0}},
      {"slow-7@example.com", {Kind::kSlow, 7}},
      {"slow-0@example.com", {Kind::kSlow, 0}},
      {"slow-99999@example.com", {Kind::kSlow, 3600}},  // capped at an hour
      {"drop@example.com", {Kind::kDrop, 0}},
      {"reject-550+12@example.com", {Kind::kReject550, 0}},
      {"slow-3+a@example.com", {Kind::kSlow, 3}},
      {"\"drop@x\"@example.com", {Kind::kAccept, 0}},  // the local part ends at the last "@"
      {"drop", {Kind::kDrop, 0}},                      // no domain at all
      // Near misses are ordinary recipients.
      {"reject-551@example.com", {Kind::kAccept, 0}},
      {"xdrop@example.com", {Kind::kAccept, 0}},
      {"slow-@example.com", {Kind::kAccept, 0}},
      {"slow-1x@example.com", {Kind::kAccept, 0}},
      {"slow-99999999999999999999@example.com", {Kind::kAccept, 0}},
      {"example.com@drop", {Kind::kAccept, 0}},
  };
  for (const Row& row : rows) {
    ScriptedOutcome got = OutcomeForRecipient(row.address);
    EXPECT_EQ(got.kind, row.want.kind) << row.address;
    EXPECT_EQ(got.delaySeconds, row.want.delaySeconds) << row.address;
  }
}

}  // namespace
}  // namespace norvane
