// corvalo-profile: writes a named settings profile for a radio protocol, with
// the coverage, modes and features the configuration dialog proposes for it
// and a given port. Used by scripts/run to point a "Demo" profile at the
// virtual radio. It refuses to write the default profile.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

#include "ProtocolArgument.h"
#include "radio/ConfigurationValues.h"
#include "radio/FrequencyText.h"
#include "radio/Protocols.h"
#include "settings/ProfileName.h"
#include "settings/SettingsNames.h"
#include "settings/SettingsStore.h"

namespace names = settings_names;

namespace {

// A stored coverage text as the configuration dialog stores it ("  0.01000").
QString CoverageText(const char* proposal) {
  double value = 0;
  freqtext::ParseNumber(QString::fromLatin1(proposal), &value);
  return freqtext::FormatFixed(value, freqtext::kDecimals, freqtext::kStoredWidth);
}

void WriteProfile(SettingsStore& store, const protocols::ProtocolInfo& p, const QString& port) {
  const QLatin1String general(names::kGeneral), connection(names::kConnection),
      coverage(names::kCoverage), features(names::kFeatures), pcr(names::kPcr1000);
  SettingsSession session(store);

  store.WriteText(connection, QLatin1String(names::kComPort), port);
  store.WriteNumber(connection, QLatin1String(names::kProtocol), p.number);
  store.WriteNumber(connection, QLatin1String(names::kComPortRate), names::kDefaultComPortRate);
  store.WriteText(connection, QLatin1String(names::kAddress),
                  p.proposedAddress ? QString::fromLatin1(p.proposedAddress) : QString());
  store.WriteFlag(connection, QLatin1String(names::kIc735), false);

  const QString lowest = CoverageText(p.lowest);
  const QString highest = CoverageText(p.highest);
  store.WriteText(coverage, QLatin1String(names::kLowestFrequency), lowest);
  store.WriteText(coverage, QLatin1String(names::kHighestFrequency), highest);
  for (size_t i = 0; i < protocols::kModeCodes.size(); ++i) {
    store.WriteFlag(coverage,
                    QLatin1String(names::kSupportsPrefix) + QLatin1String(protocols::kModeCodes[i]),
                    (p.modes >> i) & 1u);
  }
  for (size_t bit = 0; bit < kFeatureNames.size(); ++bit) {
    store.WriteFlag(features, QLatin1String(kFeatureNames[bit]), (p.features >> bit) & 1u);
  }

  // The radio is switched off when the program ends, so its log shows the
  // whole session.
  store.WriteFlag(general, QLatin1String(names::kPowerOff), true);
  // A last frequency or mode this radio cannot take (left by another
  // protocol) is replaced by the program's defaults, which every protocol
  // accepts.
  double low = 0, high = 0, last = 0;
  freqtext::ParseNumber(lowest, &low);
  freqtext::ParseNumber(highest, &high);
  const QString frequency = store.ReadText(general, QLatin1String(names::kFrequency),
                                           QLatin1String(names::kDefaultFrequency));
  const QString mode =
      store.ReadText(general, QLatin1String(names::kMode), QLatin1String(names::kDefaultMode));
  bool modeOk = false;
  for (size_t i = 0; i < protocols::kModeCodes.size(); ++i) {
    if (mode == QLatin1String(protocols::kModeCodes[i])) modeOk = (p.modes >> i) & 1u;
  }
  if (!freqtext::ParseNumber(frequency, &last) || last < low || last > high || !modeOk) {
    store.WriteText(general, QLatin1String(names::kFrequency),
                    QLatin1String(names::kDefaultFrequency));
    store.WriteText(general, QLatin1String(names::kMode), QLatin1String(names::kDefaultMode));
  }

  // The PCR1000 levels the program starts from, where none are stored yet.
  const struct {
    const char* name;
    int value;
  } levels[] = {{names::kPcr1000Volume, names::kDefaultPcr1000Volume},
                {names::kPcr1000Squelch, names::kDefaultPcr1000Squelch},
                {names::kPcr1000IfShift, names::kDefaultPcr1000IfShift}};
  for (const auto& level : levels) {
    if (store.ReadText(pcr, QLatin1String(level.name), QString()).isEmpty()) {
      store.WriteNumber(pcr, QLatin1String(level.name), level.value);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("corvalo-profile"));
  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Writes a named Corvalo settings profile for a radio on a port, with the "
                     "coverage, modes and features proposed for its protocol."));
  parser.addHelpOption();
  const QCommandLineOption profileOption(QStringLiteral("profile"),
                                         QStringLiteral("The profile to write (not empty)."),
                                         QStringLiteral("name"));
  const QCommandLineOption portOption(QStringLiteral("port"),
                                      QStringLiteral("The port: a device path or a port name."),
                                      QStringLiteral("port"));
  const QCommandLineOption protocolOption(
      QStringLiteral("protocol"),
      QStringLiteral("A protocol list text or stored number. Default: Icom PCR1000."),
      QStringLiteral("protocol"), QStringLiteral("6"));
  parser.addOptions({profileOption, portOption, protocolOption});
  parser.process(app);

  const QString profile = parser.value(profileOption).trimmed();
  if (profile.isEmpty()) {
    std::fprintf(stderr,
                 "corvalo-profile: --profile NAME is required (the default profile is "
                 "never written)\n");
    return 2;
  }
  // The program's own check: a name such as "/" would reach the default
  // settings, "a/b" another profile's.
  if (const QString problem = profiles::NameProblem(profile); !problem.isEmpty()) {
    std::fprintf(stderr, "corvalo-profile: %s\n", qPrintable(problem));
    return 2;
  }
  if (!parser.isSet(portOption) || parser.value(portOption).isEmpty()) {
    std::fprintf(stderr, "corvalo-profile: --port is required\n");
    return 2;
  }
  const int number = ParseProtocolArgument(parser.value(protocolOption));
  if (number < 0) {
    std::fprintf(stderr, "corvalo-profile: unknown protocol \"%s\"; known: %s\n",
                 qPrintable(parser.value(protocolOption)), qPrintable(KnownProtocolTexts()));
    return 2;
  }

  SettingsStore store(profile);
  try {
    WriteProfile(store, *protocols::byNumber(number), parser.value(portOption));
  } catch (const SettingsError& e) {
    std::fprintf(stderr, "corvalo-profile: %s\n", qPrintable(e.message()));
    return 1;
  }
  // A garbled file was kept aside and replaced: said, not kept quiet.
  for (const QString& message : store.takeMessages()) {
    std::fprintf(stderr, "corvalo-profile: %s\n", qPrintable(message));
  }
  std::printf("profile \"%s\": %s on %s (%s)\n", qPrintable(profile),
              protocols::byNumber(number)->listText, qPrintable(parser.value(portOption)),
              qPrintable(SettingsStore::fileName()));
  return 0;
}
