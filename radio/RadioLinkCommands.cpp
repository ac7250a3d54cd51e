// The tuning, level and switch commands of the radio link: each builds its
// bytes with the encoders of its radio family and sends them through
// WritePort with the waits the radio needs.
#include <algorithm>
#include <chrono>

#include "radio/AorCommands.h"
#include "radio/Ar3000Commands.h"
#include "radio/Bc895Commands.h"
#include "radio/Capabilities.h"
#include "radio/CivCommands.h"
#include "radio/PcrCommands.h"
#include "radio/Protocols.h"
#include "radio/RadioLink.h"
#include "radio/TuneCommand.h"

namespace {

constexpr int kCivAttenuatorOnDb = 20;

encoders::TuneParameters ParametersOf(const RadioLink& link) {
  encoders::TuneParameters p;
  p.protocol = link.Protocol;
  p.civAddress = link.CivAddress;
  p.ic735 = link.Ic735;
  p.pcrDefaultAmFilter = link.Pcr1000DefaultAmFilter;
  return p;
}

}  // namespace

// ---------------------------------------------------------------------------
// Tuning

bool RadioLink::sendTuning(const encoders::TuneCommand& command, const QString& modeText) {
  if (!command.refusal.isEmpty()) {
    lastRefusal_ = command.refusal;
    return false;
  }
  CurrentFrequency = command.frequencyText;
  CurrentMode = modeText;
  if (command.filterIndex >= 0) FilterIndex = command.filterIndex;
  WritePort(command.bytes);
  return true;
}

bool RadioLink::TuneRadio(const QString& frequencyText, const QString& modeText) {
  lastRefusal_.clear();
  if (!portOpen()) return false;
  const encoders::TuneCommand command =
      encoders::EncodeTuning(ParametersOf(*this), frequencyText, modeText);
  if (!sendTuning(command, modeText)) return false;
  // The protocol's own pause after its command, then the pause of every
  // tuning before the mode is looked at: one sleep to the later deadline.
  BusyWait(command.waitAfterMs + encoders::kTuneSettleMs);
  if (modeText != LastMode) {
    LastMode = modeText;
    if (!command.modeFrame.isEmpty()) WritePort(command.modeFrame);
  }
  return true;
}

void RadioLink::SendPcrFilter(int filterIndex) {
  lastRefusal_.clear();
  if (!portOpen() || Protocol != protocols::kPcr1000) return;
  // The frequency and mode stay as they are; only the filter changes.
  sendTuning(
      encoders::EncodePcrFilter(ParametersOf(*this), CurrentFrequency, CurrentMode, filterIndex),
      CurrentMode);
}

bool RadioLink::ScanTune(const QString& frequencyText, const QString& modeText, int filterIndex,
                         int settleMs) {
  lastRefusal_.clear();
  if (!portOpen()) return false;
  const encoders::TuneParameters parameters = ParametersOf(*this);
  const bool withFilter = filterIndex >= 0 && protocols::capabilities(Protocol).filters;
  const encoders::TuneCommand command =
      withFilter ? encoders::EncodePcrFilter(parameters, frequencyText, modeText, filterIndex)
                 : encoders::EncodeTuning(parameters, frequencyText, modeText);
  if (!sendTuning(command, modeText)) return false;
  if (modeText != LastMode) {
    LastMode = modeText;
    // A new mode goes as in every tuning: its frame after the tuning's pause.
    if (!command.modeFrame.isEmpty()) {
      BusyWait(command.waitAfterMs + encoders::kTuneSettleMs);
      WritePort(command.modeFrame);
    }
  }
  // The frequency command alone: its own pause, and the radio's settle time
  // from the last command, whichever ends later.
  const auto settled = lastWrite_ + std::chrono::milliseconds(std::max(settleMs, 0));
  WaitUntil(std::max(settled, lastWrite_ + std::chrono::milliseconds(command.waitAfterMs)));
  return portOpen();
}

// ---------------------------------------------------------------------------
// PCR1000 levels and switches

namespace {

// A level sender keeps a level only when it is above 0, so that a mute (level
// 0) leaves the last audible level for the un-mute.
void KeepLevel(int& stored, int level) {
  if (level > 0) stored = std::min(level, 255);
}

}  // namespace

void RadioLink::SendPcrVolume(int level) {
  if (!portOpen()) return;
  KeepLevel(VolumeLevel, level);
  BusyWait(CommandDelay / 4);
  WritePort(encoders::PcrLevelCommand(encoders::kPcrVolume, level));
}

void RadioLink::SendPcrSquelch(int level) {
  if (!portOpen()) return;
  KeepLevel(SquelchLevel, level);
  BusyWait(CommandDelay / 4);
  WritePort(encoders::PcrLevelCommand(encoders::kPcrSquelch, level));
}

void RadioLink::SendPcrIfShift(int level) {
  if (!portOpen()) return;
  KeepLevel(IfShiftLevel, level);
  BusyWait(CommandDelay / 4);
  WritePort(encoders::PcrLevelCommand(encoders::kPcrIfShift, level));
}

void RadioLink::SendPcrAgc(bool on) {
  WritePort(encoders::PcrSwitchCommand(encoders::kPcrAgc, on));
}

void RadioLink::SendPcrNoiseBlanker(bool on) {
  WritePort(encoders::PcrSwitchCommand(encoders::kPcrNoiseBlanker, on));
}

void RadioLink::SendPcrAttenuator(bool on) {
  WritePort(encoders::PcrSwitchCommand(encoders::kPcrAttenuator, on));
}

// ---------------------------------------------------------------------------
// CI-V levels and attenuator

void RadioLink::SendCivVolume(int level) {
  if (!portOpen()) return;
  VolumeLevel = std::clamp(level, 0, 255);
  WritePort(encoders::CivLevelFrame(CivAddress, encoders::kCivVolume, level));
}

void RadioLink::SendCivSquelch(int level) {
  if (!portOpen()) return;
  SquelchLevel = std::clamp(level, 0, 255);
  WritePort(encoders::CivLevelFrame(CivAddress, encoders::kCivSquelch, level));
}

void RadioLink::SendCivAttenuator(int dB) {
  WritePort(encoders::CivAttenuatorFrame(CivAddress, dB));
}

// ---------------------------------------------------------------------------
// Mute and attenuator by protocol

void RadioLink::MuteRadio() {
  switch (Protocol) {
    case protocols::kOs456:
      if (!portOpen()) return;
      BusyWait(encoders::kOsAudioWaitMs);
      WritePort(encoders::OsControlFrame(CivAddress, encoders::kOsAudioOff));
      break;
    case protocols::kAr8000:
    case protocols::kAr2700:
      emit beep();  // even with no port open
      WritePort(encoders::Ar8000Mute(true));
      break;
    case protocols::kBc895Xlt:
      WritePort(encoders::Bc895Mute(true));
      break;
    case protocols::kPcr1000:
      SendPcrVolume(0);
      break;
    case protocols::kAr3000A:
      WritePort(encoders::Ar3000AMute(true));
      break;
    default:
      break;
  }
}

void RadioLink::UnmuteRadio() {
  switch (Protocol) {
    case protocols::kOs456:
      if (!portOpen()) return;
      BusyWait(encoders::kOsAudioWaitMs);
      WritePort(encoders::OsControlFrame(CivAddress, encoders::kOsAudioOn));
      break;
    case protocols::kAr8000:
    case protocols::kAr2700:
      WritePort(encoders::Ar8000Mute(false));
      break;
    case protocols::kBc895Xlt:
      WritePort(encoders::Bc895Mute(false));
      break;
    case protocols::kPcr1000:
      SendPcrVolume(VolumeLevel);
      break;
    case protocols::kAr3000A:
      WritePort(encoders::Ar3000AMute(false));
      break;
    default:
      break;
  }
}

void RadioLink::SwitchAttenuatorOn() { SwitchAttenuator(true); }

void RadioLink::SwitchAttenuatorOff() { SwitchAttenuator(false); }

void RadioLink::SwitchAttenuator(bool on) {
  // The switch state is kept for every protocol, whether or not it has a
  // command for it.
  AttenuatorOn = on;
  switch (Protocol) {
    case protocols::kIcomCiv:
      SendCivAttenuator(on ? kCivAttenuatorOnDb : 0);
      break;
    case protocols::kAr8000:
    case protocols::kAr2700:
      WritePort(encoders::Ar8000Attenuator(on));
      break;
    case protocols::kPcr1000:
      SendPcrAttenuator(on);
      break;
    case protocols::kAr3000A:
      WritePort(encoders::Ar3000AAttenuator(on));
      break;
    default:
      break;
  }
}
