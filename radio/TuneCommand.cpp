#include "radio/TuneCommand.h"

#include "radio/AorCommands.h"
#include "radio/Ar3000Commands.h"
#include "radio/Bc895Commands.h"
#include "radio/CivCommands.h"
#include "radio/Encoding.h"
#include "radio/FrequencyText.h"
#include "radio/PcrCommands.h"
#include "radio/Protocols.h"

namespace encoders {

namespace {

QString RadioName(int protocol) {
  const protocols::ProtocolInfo* info = protocols::byNumber(protocol);
  return info ? QString::fromLatin1(info->listText) : QStringLiteral("radio");
}

QString Mhz(double mhz) { return freqtext::FormatFixed(mhz, freqtext::kDecimals).trimmed(); }

TuneCommand Refuse(const QString& message) {
  TuneCommand refused;
  refused.refusal = message;
  return refused;
}

QString RangeRefusal(int protocol, double mhz, const QString& range) {
  return QStringLiteral("The %1 cannot tune %2 MHz: its commands cover %3.")
      .arg(RadioName(protocol), Mhz(mhz), range);
}

QString ModeRefusal(int protocol, const QString& mode, const QString& modes) {
  return QStringLiteral("The %1 cannot use the mode \"%2\": its commands know only %3.")
      .arg(RadioName(protocol), mode, modes);
}

// Reads the frequency text: the value, and the text itself (in its shown form
// when longer than the 11 places of the frequency field).
bool ReadFrequency(const QString& text, FrequencyRequest* request, QString* refusal) {
  double mhz = 0;
  if (!freqtext::ParseNumber(text, &mhz)) {
    *refusal = QStringLiteral("\"%1\" is not a valid frequency.").arg(text);
    return false;
  }
  if (mhz == 0) mhz = 0;  // "-0" is 0
  request->mhz = mhz;
  request->text = text.size() > freqtext::kShownWidth ? ShownForm(mhz) : text;
  return true;
}

}  // namespace

TuneCommand EncodeTuning(const TuneParameters& link, const QString& frequencyText,
                         const QString& mode) {
  FrequencyRequest f;
  QString refusal;
  if (!ReadFrequency(frequencyText, &f, &refusal)) return Refuse(refusal);
  if (f.mhz < 0) {
    return Refuse(QStringLiteral("The %1 cannot tune %2 MHz: a frequency cannot be negative.")
                      .arg(RadioName(link.protocol), Mhz(f.mhz)));
  }

  // What the protocol's command cannot carry is never sent.
  const protocols::ProtocolInfo* info = protocols::byNumber(link.protocol);
  if (info != nullptr && !protocols::carries(info->carried, f.mhz)) {
    return Refuse(RangeRefusal(link.protocol, f.mhz, QString::fromLatin1(info->carried.text)));
  }

  TuneCommand out;
  out.frequencyText = f.text;
  switch (link.protocol) {
    case protocols::kIcomCiv:
      out.bytes = CivFrequencyFrame(link.civAddress, f.mhz, link.ic735);
      out.waitAfterMs = kCivFrequencyWaitMs;
      out.modeFrame = ModeFrame(link.protocol, link.civAddress, mode);
      break;
    case protocols::kOs456:
      out.bytes = OsFrequencyFrame(link.civAddress, f.mhz);
      out.modeFrame = ModeFrame(link.protocol, link.civAddress, mode);
      break;
    case protocols::kAr8000:
    case protocols::kAr2700:
      out.bytes = Ar8000Tuning(f.text, f.mhz, mode);
      out.waitAfterMs = kAr8000WaitMs;
      break;
    case protocols::kBc895Xlt:
      out.bytes = Bc895Tuning(f.mhz);
      break;
    case protocols::kPcr1000: {
      if (PcrModeField(mode).isEmpty()) {
        return Refuse(
            ModeRefusal(link.protocol, mode, QStringLiteral("LSB, USB, AM, CW, FMN and FMW")));
      }
      const PcrTuning pcr = PcrTuningCommand(f.mhz, mode, link.pcrDefaultAmFilter);
      out.bytes = pcr.bytes;
      out.filterIndex = pcr.filterIndex;
      out.frequencyText = pcr.frequency;
      break;
    }
    case protocols::kAr3000:
    case protocols::kAr3000A:
      if (Ar3000ModeLetter(mode) == 0) {
        return Refuse(
            ModeRefusal(link.protocol, mode, QStringLiteral("AM, FMN, FMW, LSB, USB and CW")));
      }
      out.bytes = Ar3000Tuning(f.text, f.mhz, mode);
      break;
    default:
      break;  // a number that names no protocol: nothing to send
  }
  return out;
}

TuneCommand EncodePcrFilter(const TuneParameters& link, const QString& frequencyText,
                            const QString& mode, int filterIndex) {
  FrequencyRequest f;
  QString refusal;
  if (!ReadFrequency(frequencyText, &f, &refusal)) return Refuse(refusal);
  const protocols::CarriedRange& carried = protocols::byNumber(protocols::kPcr1000)->carried;
  if (!protocols::carries(carried, f.mhz)) {
    return Refuse(RangeRefusal(link.protocol, f.mhz, QString::fromLatin1(carried.text)));
  }
  if (PcrModeField(mode).isEmpty()) {
    return Refuse(
        ModeRefusal(link.protocol, mode, QStringLiteral("LSB, USB, AM, CW, FMN and FMW")));
  }
  if (filterIndex < 0 || filterIndex > 4) {
    return Refuse(QStringLiteral("The filter list has no entry %1.").arg(filterIndex));
  }
  const PcrTuning pcr = PcrTuningCommand(f.mhz, mode, link.pcrDefaultAmFilter, filterIndex);
  TuneCommand out;
  out.bytes = pcr.bytes;
  out.filterIndex = pcr.filterIndex;
  out.frequencyText = frequencyText;  // the frequency text stays as it was
  return out;
}

}  // namespace encoders
