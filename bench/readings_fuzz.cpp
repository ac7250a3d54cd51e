// The long fuzz run of the reply parsers: 10^7 random and mutated inputs in
// all, shared evenly among the families, with the checks of the CTest fuzz
// test (which runs 10^5 a family). Prints the inputs, bytes and readings a
// family, the rate, and the first failure if there is one; exits non-zero
// on a failure.
//
//   readings_fuzz [INPUTS [SEED]]   (default 10000000, seed 1)

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "ReplyFuzz.h"
#include "radio/Readings.h"

int main(int argc, char** argv) {
  const long long total = argc > 1 ? std::max(1LL, std::atoll(argv[1])) : 10'000'000LL;
  const unsigned long long seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1ULL;
  const auto families = readings::all();
  const long long each = (total + qint64(families.size()) - 1) / qint64(families.size());
  std::printf("Reply parser fuzzing: %lld inputs (%lld a family), seed %llu\n",
              each * qint64(families.size()), each, seed);
  std::printf("  %-9s %10s %12s %10s %9s %9s\n", "protocol", "inputs", "bytes", "readings",
              "seconds", "failures");
  long long failures = 0;
  for (const readings::ProtocolReadings& p : families) {
    const auto start = std::chrono::steady_clock::now();
    const FuzzReport r = FuzzReplies(p.protocol, seed * 1000003ULL + quint64(p.protocol), each);
    const double s =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("  %-9d %10lld %12lld %10lld %9.1f %9lld\n", p.protocol, r.inputs, r.bytes,
                r.readings, s, r.failures);
    if (r.failures > 0) std::printf("    first failure: %s\n", qPrintable(r.firstFailure));
    std::fflush(stdout);
    failures += r.failures;
  }
  return failures == 0 ? 0 : 1;
}
