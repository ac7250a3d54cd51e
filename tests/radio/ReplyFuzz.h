#pragma once

#include <QString>

// Fuzzing of the reply parsers, shared by the test (10^5 inputs a family)
// and the longer run in bench/. Inputs are random bytes drawn mostly from
// the family's own alphabet, and streams of real answers, echoes,
// acknowledgements and other devices' frames with random cuts, flips,
// insertions and deletions. For every input:
//  - each verdict takes between 1 byte and what is there;
//  - fed whole, byte by byte and in random pieces, the same readings come
//    out at the same places;
//  - every reading lies on the radio's scale;
//  - a stream of whole non-answers (echo, acknowledgements, refusals,
//    foreign frames, answers to the other query) never yields a reading.
struct FuzzReport {
  qint64 inputs = 0;
  qint64 bytes = 0;
  qint64 readings = 0;
  qint64 failures = 0;
  QString firstFailure;  // what went wrong first, with the input in hex
};

FuzzReport FuzzReplies(int protocol, quint64 seed, qint64 inputs);
