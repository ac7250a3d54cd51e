#pragma once

#include <chrono>
#include <optional>

#include "radio/Readings.h"

class Transport;

// Asking a radio what it hears, on the thread that owns the line: discard
// what is waiting, write the query, collect the answer until the parser has
// it or the deadline passes. Blocking; it costs at most its wait for the
// pacing plus its deadline, and sleeps rather than spins while it waits.
namespace readings {

using Clock = std::chrono::steady_clock;

struct Pacing {
  // The first query leaves no earlier than this (the gap the radio needs
  // after the link's last command).
  Clock::time_point notBefore{};
  // The gap between the answer to one query and the next query of the same
  // reading; negative: queryGap() of the link.
  std::chrono::milliseconds gap{-1};
  // How long one query may take, from its write to the answer's last byte;
  // negative: replyDeadline() at the link's rate.
  std::chrono::milliseconds deadline{-1};
};

// What one query brought.
struct Exchange {
  std::optional<Reading> reading;  // nullopt: no answer within the deadline
  bool lineFailed = false;         // the line failed a write or a read
  Clock::time_point written{};     // the query had left
  Clock::time_point finished{};    // the answer was in, or the deadline passed
  // What was skipped on the way.
  int echoes = 0;
  int acknowledgements = 0;
  int refusals = 0;
  int foreign = 0;
  int otherReplies = 0;
  qsizetype garbageBytes = 0;
};

// One query and its answer.
Exchange exchange(Transport& line, const Query& query, Clock::time_point notBefore,
                  std::chrono::milliseconds deadline);

// What a whole reading brought: the level and the squelch state where the
// radio tells them, with one query where one answer carries both and two
// otherwise (the second only when the first was answered).
struct ReadingResult {
  std::optional<Reading> reading;  // nullopt: the radio did not answer
  bool lineFailed = false;
  int queries = 0;
  Clock::time_point finished{};
};

// The signal level and, where the radio tells it, the squelch state.
ReadingResult takeReading(Transport& line, const LinkFacts& link, const Pacing& pacing = {});
// One quantity alone (the squelch state for a scanner, say).
ReadingResult takeReading(Transport& line, const LinkFacts& link, Quantity quantity,
                          const Pacing& pacing = {});

}  // namespace readings
