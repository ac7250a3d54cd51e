#pragma once

#include <QString>
#include <optional>

// How the modes of the programs channel files are shared with map to the
// fifteen mode codes, and their filter bandwidths to the five filters.
//
// Import (peer's name -> mode code). "kept": the peer's mode has no
// counterpart here; the channel is tuned in the nearest mode and the peer's
// name is kept in its comment ("gqrx mode Raw I/Q") and reported.
//
//   gqrx          | mode     SDR++ (number) | mode     CHIRP        | mode
//   AM            | AM       0 NFM          | FMN      FM, NFM      | FMN
//   AM-Sync       | AM       1 WFM          | FMW      WFM          | FMW
//   LSB, USB      | LSB, USB 2 AM           | AM       AM, NAM      | AM
//   CW-L, CW-U    | CW       3 DSB          | AM kept  USB, LSB     | USB, LSB
//   Narrow FM     | FMN      4 USB          | USB      CW, CWR, NCW,| CW
//   WFM (mono),   | FMW      5 CW           | CW         NCWR       |
//    (stereo),    |          6 LSB          | LSB      RTTY, RTTYR, | FSK
//    (oirt)       |          7 RAW          | AM kept    FSK, FSKR  |
//   Raw I/Q       | AM kept                 |          Auto         | AUT
//   Demod Off     | AM kept                 |          DIG          | USB kept
//                 |                         |          DV, DMR, DN, | FMN kept
//                 |                         |            P25, NXDN, |
//                 |                         |            PKT        |
//
// Export (mode code -> peer's name); "~" marks a mode with no exact
// counterpart, which the export report counts:
//
//   mode | gqrx          SDR++   CHIRP
//   AM   | AM            2 AM    AM
//   CW   | CW-U          5 CW    CW
//   FMN  | Narrow FM     0 NFM   FM
//   FMW  | WFM (stereo)  1 WFM   WFM
//   FM1  | ~Narrow FM    ~0 NFM  ~NFM
//   FM3  | ~Narrow FM    ~0 NFM  ~FM
//   FM9  | ~WFM (stereo) ~1 WFM  ~WFM
//   FSK  | ~USB          ~4 USB  RTTY
//   LSB  | LSB           6 LSB   LSB
//   SSB  | ~USB          ~4 USB  ~USB
//   USB  | USB           4 USB   USB
//   AUT  | ~AM           ~2 AM   Auto
//   AMW, AM2, AM3 | ~AM  ~2 AM   ~AM
//
// Names are matched without regard to case.
//
// Bandwidths: a peer's bandwidth of 0, or equal to the peer's own default
// for the mode, means "no particular filter" (the radio keeps its own);
// any other is the narrowest of 3K, 6K, 15K, 50K, 230K at least as wide
// (230K for anything wider). Export writes a filter's width in hertz, and
// the peer's default for the mode when the channel has no filter, so the
// round trip gives the same filter back.
namespace channels::modes {

struct ImportedMode {
  QString mode;  // one of the fifteen codes
  bool kept;     // no counterpart: keep the peer's name in the comment
};

struct ExportedMode {
  QString name;  // the peer's mode name (or number as text for SDR++)
  bool exact;
};

std::optional<ImportedMode> FromGqrx(const QString& modulation);
std::optional<ImportedMode> FromSdrpp(int number);
std::optional<ImportedMode> FromChirp(const QString& name);
// The peer's name as written in its files: "WFM (stereo)", "NFM", "Auto".
QString GqrxName(const QString& modulation);
QString SdrppName(int number);
QString ChirpName(const QString& name);

ExportedMode ToGqrx(const QString& mode);
int ToSdrpp(const QString& mode, bool* exact);
ExportedMode ToChirp(const QString& mode);

// The peers' default filter bandwidths in hertz (0 where none applies).
double GqrxDefaultBandwidth(const QString& modulation);
double SdrppDefaultBandwidth(int number);

// Filter index (or kNoFilter) for a bandwidth, and back.
int FilterForBandwidth(double hz, double peerDefault);
double BandwidthForFilter(int filter, double peerDefault);

}  // namespace channels::modes
