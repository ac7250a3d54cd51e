#include "channels/ModeTable.h"

#include <array>
#include <cmath>

#include "channels/Channel.h"

namespace channels::modes {

namespace {

struct ImportEntry {
  const char* peer;
  const char* mode;
  bool kept;
  double defaultBandwidth;  // the peer's own default, gqrx only
};

// gqrx: its demodulator names and the width of its "Normal" filter preset.
constexpr std::array<ImportEntry, 12> kGqrx = {{
    {"AM", "AM", false, 10000},
    {"AM-Sync", "AM", false, 10000},
    {"LSB", "LSB", false, 2700},
    {"USB", "USB", false, 2700},
    {"CW-L", "CW", false, 500},
    {"CW-U", "CW", false, 500},
    {"Narrow FM", "FMN", false, 10000},
    {"WFM (mono)", "FMW", false, 160000},
    {"WFM (stereo)", "FMW", false, 160000},
    {"WFM (oirt)", "FMW", false, 160000},
    {"Raw I/Q", "AM", true, 10000},
    {"Demod Off", "AM", true, 0},
}};

// SDR++: the frequency manager's mode numbers, names and its radio's
// default bandwidths.
constexpr std::array<ImportEntry, 8> kSdrpp = {{
    {"NFM", "FMN", false, 12500},
    {"WFM", "FMW", false, 150000},
    {"AM", "AM", false, 10000},
    {"DSB", "AM", true, 4600},
    {"USB", "USB", false, 2800},
    {"CW", "CW", false, 200},
    {"LSB", "LSB", false, 2800},
    {"RAW", "AM", true, 48000},
}};

// CHIRP: every mode of its memories.
constexpr std::array<ImportEntry, 23> kChirp = {{
    {"WFM", "FMW", false, 0},  {"FM", "FMN", false, 0},   {"NFM", "FMN", false, 0},
    {"AM", "AM", false, 0},    {"NAM", "AM", false, 0},   {"DV", "FMN", true, 0},
    {"USB", "USB", false, 0},  {"LSB", "LSB", false, 0},  {"CW", "CW", false, 0},
    {"RTTY", "FSK", false, 0}, {"DIG", "USB", true, 0},   {"PKT", "FMN", true, 0},
    {"NCW", "CW", false, 0},   {"NCWR", "CW", false, 0},  {"CWR", "CW", false, 0},
    {"P25", "FMN", true, 0},   {"Auto", "AUT", false, 0}, {"RTTYR", "FSK", false, 0},
    {"FSK", "FSK", false, 0},  {"FSKR", "FSK", false, 0}, {"DMR", "FMN", true, 0},
    {"DN", "FMN", true, 0},    {"NXDN", "FMN", true, 0},
}};

struct ExportEntry {
  const char* mode;
  const char* gqrx;
  bool gqrxExact;
  int sdrpp;
  bool sdrppExact;
  const char* chirp;
  bool chirpExact;
};

constexpr std::array<ExportEntry, 15> kExport = {{
    {"AM", "AM", true, 2, true, "AM", true},
    {"CW", "CW-U", true, 5, true, "CW", true},
    {"FMN", "Narrow FM", true, 0, true, "FM", true},
    {"FMW", "WFM (stereo)", true, 1, true, "WFM", true},
    {"FM1", "Narrow FM", false, 0, false, "NFM", false},
    {"FM3", "Narrow FM", false, 0, false, "FM", false},
    {"FM9", "WFM (stereo)", false, 1, false, "WFM", false},
    {"FSK", "USB", false, 4, false, "RTTY", true},
    {"LSB", "LSB", true, 6, true, "LSB", true},
    {"SSB", "USB", false, 4, false, "USB", false},
    {"USB", "USB", true, 4, true, "USB", true},
    {"AUT", "AM", false, 2, false, "Auto", true},
    {"AMW", "AM", false, 2, false, "AM", false},
    {"AM2", "AM", false, 2, false, "AM", false},
    {"AM3", "AM", false, 2, false, "AM", false},
}};

constexpr std::array<double, kFilterCount> kFilterWidths = {3000, 6000, 15000, 50000, 230000};

template <size_t N>
const ImportEntry* find(const std::array<ImportEntry, N>& table, const QString& name) {
  const QString trimmed = name.trimmed();
  for (const ImportEntry& entry : table) {
    if (trimmed.compare(QLatin1String(entry.peer), Qt::CaseInsensitive) == 0) return &entry;
  }
  return nullptr;
}

std::optional<ImportedMode> imported(const ImportEntry* entry) {
  if (entry == nullptr) return std::nullopt;
  return ImportedMode{QString::fromLatin1(entry->mode), entry->kept};
}

const ExportEntry& exportEntry(const QString& mode) {
  for (const ExportEntry& entry : kExport) {
    if (mode == QLatin1String(entry.mode)) return entry;
  }
  return kExport[0];
}

}  // namespace

std::optional<ImportedMode> FromGqrx(const QString& modulation) {
  return imported(find(kGqrx, modulation));
}

std::optional<ImportedMode> FromSdrpp(int number) {
  if (number < 0 || number >= static_cast<int>(kSdrpp.size())) return std::nullopt;
  return imported(&kSdrpp[static_cast<size_t>(number)]);
}

std::optional<ImportedMode> FromChirp(const QString& name) { return imported(find(kChirp, name)); }

QString GqrxName(const QString& modulation) {
  const ImportEntry* entry = find(kGqrx, modulation);
  return entry != nullptr ? QString::fromLatin1(entry->peer) : modulation;
}

QString SdrppName(int number) {
  if (number < 0 || number >= static_cast<int>(kSdrpp.size())) return QString::number(number);
  return QString::fromLatin1(kSdrpp[static_cast<size_t>(number)].peer);
}

QString ChirpName(const QString& name) {
  const ImportEntry* entry = find(kChirp, name);
  return entry != nullptr ? QString::fromLatin1(entry->peer) : name;
}

ExportedMode ToGqrx(const QString& mode) {
  const ExportEntry& entry = exportEntry(mode);
  return {QString::fromLatin1(entry.gqrx), entry.gqrxExact && mode == QLatin1String(entry.mode)};
}

int ToSdrpp(const QString& mode, bool* exact) {
  const ExportEntry& entry = exportEntry(mode);
  *exact = entry.sdrppExact && mode == QLatin1String(entry.mode);
  return entry.sdrpp;
}

ExportedMode ToChirp(const QString& mode) {
  const ExportEntry& entry = exportEntry(mode);
  return {QString::fromLatin1(entry.chirp), entry.chirpExact && mode == QLatin1String(entry.mode)};
}

double GqrxDefaultBandwidth(const QString& modulation) {
  const ImportEntry* entry = find(kGqrx, modulation);
  return entry != nullptr ? entry->defaultBandwidth : 0;
}

double SdrppDefaultBandwidth(int number) {
  if (number < 0 || number >= static_cast<int>(kSdrpp.size())) return 0;
  return kSdrpp[static_cast<size_t>(number)].defaultBandwidth;
}

int FilterForBandwidth(double hz, double peerDefault) {
  if (!(hz > 0) || std::abs(hz - peerDefault) < 0.5) return kNoFilter;
  for (int i = 0; i < kFilterCount; ++i) {
    if (hz <= kFilterWidths[static_cast<size_t>(i)]) return i;
  }
  return kFilterCount - 1;
}

double BandwidthForFilter(int filter, double peerDefault) {
  if (filter < 0 || filter >= kFilterCount) return peerDefault;
  return kFilterWidths[static_cast<size_t>(filter)];
}

}  // namespace channels::modes
