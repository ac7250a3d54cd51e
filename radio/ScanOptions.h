#pragma once

#include <QString>

#include "radio/SignalScanner.h"

class SettingsStore;

// The signal scan's options a profile keeps beside the panel's: the longest
// time spent on one hit and a priority channel looked at every few seconds.
struct ScanOptions {
  int longestListenS = 0;     // 0: no limit
  QString priorityFrequency;  // MHz as typed; empty: no priority channel
  QString priorityMode = QStringLiteral("FMN");
  int priorityEveryS = 5;

  static constexpr int kLongestListenS = 3600;
  static constexpr int kLongestPriorityEveryS = 600;

  // The scanner's settings for these options (the longest listen, the
  // priority channel when its frequency is a number).
  void applyTo(SignalScanner::Settings& settings) const;
};

// Read and written in a session of their own; values outside what the
// options dialog accepts read as their defaults.
ScanOptions ReadScanOptions(SettingsStore& store);
void WriteScanOptions(SettingsStore& store, const ScanOptions& options);
