#include "radio/ReadingExchange.h"

#include <thread>

#include "radio/ReplyParsers.h"
#include "radio/Transport.h"

namespace readings {

namespace {

// Whole milliseconds left until the deadline, rounded down: the read never
// runs past it.
int MsLeft(Clock::time_point deadline) {
  const auto left = deadline - Clock::now();
  if (left <= Clock::duration::zero()) return 0;
  return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(left).count());
}

void Count(Exchange& e, const Parsed& p) {
  switch (p.skipped) {
    case Skipped::Echo:
      ++e.echoes;
      break;
    case Skipped::Acknowledgement:
      ++e.acknowledgements;
      break;
    case Skipped::Refusal:
      ++e.refusals;
      break;
    case Skipped::Foreign:
      ++e.foreign;
      break;
    case Skipped::OtherReply:
      ++e.otherReplies;
      break;
    case Skipped::Garbage:
      e.garbageBytes += p.length;
      break;
    case Skipped::LineEnd:
    case Skipped::None:
      break;
  }
}

// Merges what a second answer adds to the first.
void Merge(Reading& into, const Reading& more) {
  if (more.raw) into.raw = more.raw;
  if (more.squelchOpen) into.squelchOpen = more.squelchOpen;
  if (more.frequencyHz) into.frequencyHz = more.frequencyHz;
}

}  // namespace

Exchange exchange(Transport& line, const Query& query, Clock::time_point notBefore,
                  std::chrono::milliseconds deadline) {
  Exchange e;
  std::this_thread::sleep_until(notBefore);
  const Clock::time_point start = Clock::now();
  const Clock::time_point end = start + deadline;
  // Acknowledgements of earlier commands and answers nobody waited for.
  line.purgeInput();
  if (!line.write(query.bytes)) {
    e.lineFailed = true;
    e.written = e.finished = Clock::now();
    return e;
  }
  e.written = Clock::now();

  QByteArray pending;
  for (;;) {
    // Everything already collected is looked at before waiting for more.
    const Parsed p = parseReply(query, pending);
    if (p.verdict == Verdict::Reading) {
      e.reading = p.reading;
      break;
    }
    if (p.verdict == Verdict::Skip) {
      Count(e, p);
      pending.remove(0, p.length);
      continue;
    }
    const int ms = MsLeft(end);
    if (ms == 0) break;
    bool failed = false;
    const QByteArray more = line.read(1, ms, &failed);
    if (failed) {
      e.lineFailed = true;
      break;
    }
    if (more.isEmpty()) break;  // the deadline passed in silence
    pending += more;
  }
  e.finished = Clock::now();
  return e;
}

ReadingResult takeReading(Transport& line, const LinkFacts& link, Quantity quantity,
                          const Pacing& pacing) {
  ReadingResult result;
  result.finished = Clock::now();
  const std::optional<Query> query = makeQuery(link, quantity);
  if (!query) return result;
  const auto deadline =
      pacing.deadline.count() >= 0 ? pacing.deadline : replyDeadline(*query, link.baudRate);
  const Exchange e = exchange(line, *query, pacing.notBefore, deadline);
  result.queries = 1;
  result.reading = e.reading;
  result.lineFailed = e.lineFailed;
  result.finished = e.finished;
  return result;
}

ReadingResult takeReading(Transport& line, const LinkFacts& link, const Pacing& pacing) {
  ReadingResult first = takeReading(line, link, Quantity::Signal, pacing);
  if (!first.reading || first.lineFailed || signalTellsSquelch(link.protocol) ||
      !canRead(link, Quantity::Squelch)) {
    return first;
  }
  Pacing next = pacing;
  next.notBefore = first.finished + (pacing.gap.count() >= 0 ? pacing.gap : queryGap(link));
  const ReadingResult second = takeReading(line, link, Quantity::Squelch, next);
  first.queries += second.queries;
  first.lineFailed = second.lineFailed;
  first.finished = second.finished;
  // A level without the squelch state is still a reading.
  if (second.reading) Merge(*first.reading, *second.reading);
  return first;
}

}  // namespace readings
