#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// The band the virtual radio hears: stations on fixed frequencies, each with
// a strength and an on/off pattern, over a noise floor. Everything follows
// from the station list, the seed and the time since the radio started, so a
// test that writes its own station list knows exactly what is where.
//
// Levels are in dB relative to S9 (S9 = 0, S1 = -48, 6 dB an S-unit).
struct Station {
  qint64 hz = 0;
  QString mode;       // informative: "FMN", "AM", ...
  double db = 0;      // strength at the antenna, dB relative to S9
  double onS = 0;     // keyed this long (seconds) ...
  double offS = 0;    // ... then silent this long; offS 0: always on
  double phaseS = 0;  // where in its cycle the station is at time 0

  bool keyed(double atS) const;
  // "on" or "ON/OFF@PHASE" as the station file writes it.
  QString patternText() const;
};

class Band {
 public:
  explicit Band(std::vector<Station> stations, quint32 seed = 1);

  // The level the receiver sees tuned to tunedHz with a filter of
  // bandwidthHz: the strongest keyed station after the filter's skirt (6 dB
  // down at the filter's edge, growing as the square of the offset, then 60
  // dB more for every further half bandwidth), or the noise floor where that is louder.
  // An attenuator takes attenuationDb off the stations, not off the noise.
  double levelDb(qint64 tunedHz, qint64 bandwidthHz, double atS, double attenuationDb = 0) const;
  // The noise floor at a frequency and time: S0 (-54 dB) to 6 dB above,
  // drawn from the seed, the kilohertz and the quarter second.
  double noiseDb(qint64 hz, double atS) const;

  const std::vector<Station>& stations() const { return stations_; }
  // The station list in the format ReadStations reads.
  QString toCsv() const;

 private:
  std::vector<Station> stations_;
  quint32 seed_;
};

// The built-in band plan: weather broadcasts near 162.4-162.55 MHz, a time
// signal and an FM broadcast station always on; a 2 m calling channel, an
// airport tower, a public-safety channel and a CB channel keying up and
// dropping.
std::vector<Station> DefaultStations();

// A station file: one station a line, "frequency MHz, mode, dB over S9,
// pattern", where the pattern is "on" or "ON/OFF" in seconds with an
// optional "@PHASE" (seconds into the cycle at the radio's start). Blank
// lines, "#" comments and a header line are skipped. False with a message
// naming the line when the file cannot be read.
bool ReadStations(const QString& path, std::vector<Station>* stations, QString* error);
// One line of a station file; nullopt with a message (when error is not
// null) when it is not one.
std::optional<Station> ParseStationLine(const QString& line, QString* error);

// The width of the receiver's filter for a mode (and the PCR1000's filter
// code when one was sent).
qint64 BandwidthHz(const QString& mode, const QString& filter);
