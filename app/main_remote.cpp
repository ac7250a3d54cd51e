// Remote control: other programs tune the radio through a rigctld-protocol
// server, and every change they ask for runs through this window's own
// handlers, exactly as if the operator had made it: the frequency through the
// Enter action (its checks, the port retake, the field and the tray hint), the
// mode through the mode list, levels through the sliders, switches through
// their buttons. Only the message boxes of the Enter action are kept for the
// operator: a remote request that the action would refuse is checked first
// and answered with an error instead.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <functional>
#include <initializer_list>

#include "app/main.h"
#include "components/MessageBox.h"
#include "dialogs/RemoteControl.h"
#include "radio/FrequencyText.h"
#include "radio/Protocols.h"
#include "radio/RadioLink.h"
#include "radio/TuneCommand.h"
#include "remote/RemoteServer.h"
#include "settings/SettingsNames.h"
#include "settings/SettingsStore.h"

namespace sn = settings_names;

namespace {

constexpr int kTuneTextLength = 11;  // what the Enter action hands to the radio
constexpr int kModeTextLength = 3;
constexpr int kAttenuatorDb = 20;  // the one attenuator step the radios have
// The PCR1000 IF shift: 10 Hz a step, level 128 the centre.
constexpr int kIfShiftCentre = 128;
constexpr int kIfShiftHzPerStep = 10;
constexpr int kMaxIfShiftHz = 127 * kIfShiftHzPerStep;

// The filter list's widths in hertz ("3K" is 3000), narrowest first.
QList<int> FilterWidths() {
  QList<int> widths;
  for (const char* code : protocols::kFilterCodes) {
    QString text = QString::fromLatin1(code);
    text.chop(1);  // the "K"
    widths << text.toInt() * 1000;
  }
  return widths;
}

bool HasProtocol(int protocol, std::initializer_list<int> protocols) {
  return std::find(protocols.begin(), protocols.end(), protocol) != protocols.end();
}

// The "Remote" settings; a stored port no server can have reads as the usual
// one.
struct RemoteSettings {
  bool enabled = sn::kDefaultRemoteEnabled;
  int port = sn::kDefaultRemotePort;
  bool otherHosts = sn::kDefaultRemoteAllowOtherHosts;
};

RemoteSettings ReadRemoteSettings() {
  RemoteSettings remote;
  SettingsSession session;
  remote.enabled = Settings.ReadFlag(sn::kRemote, sn::kRemoteEnabled, sn::kDefaultRemoteEnabled);
  remote.port = Settings.ReadNumber(sn::kRemote, sn::kRemotePort, sn::kDefaultRemotePort);
  remote.otherHosts =
      Settings.ReadFlag(sn::kRemote, sn::kRemoteAllowOtherHosts, sn::kDefaultRemoteAllowOtherHosts);
  if (remote.port < 1 || remote.port > 65535) remote.port = sn::kDefaultRemotePort;
  return remote;
}

}  // namespace

// The server's view of the window.
class TMainForm::RemoteTarget : public QObject, public rigctl::Target {
 public:
  explicit RemoteTarget(TMainForm* form) : QObject(form), form_(*form), link_(form->link()) {}

  rigctl::RadioInfo radioInfo() override {
    rigctl::RadioInfo info;
    info.lowestHz = link_.LowestFrequency * 1e6;
    info.highestHz = link_.HighestFrequency * 1e6;
    for (int i = 0; i < form_.ModeComboBox->count(); ++i) {
      info.modes << form_.ModeComboBox->itemText(i);
    }
    // What the radio's commands can do, by protocol.
    const int p = link_.Protocol;
    const bool pcr = p == protocols::kPcr1000;
    info.volume = info.squelch = pcr || p == protocols::kIcomCiv;
    info.ifShift = pcr;
    info.maxIfShiftHz = pcr ? kMaxIfShiftHz : 0;
    info.noiseBlanker = pcr;
    if (pcr) info.passbandsHz = FilterWidths();
    info.attenuatorDb = HasProtocol(p, {protocols::kIcomCiv, protocols::kAr8000, protocols::kAr2700,
                                        protocols::kPcr1000, protocols::kAr3000A})
                            ? kAttenuatorDb
                            : 0;
    info.mute = HasProtocol(p, {protocols::kOs456, protocols::kAr8000, protocols::kAr2700,
                                protocols::kBc895Xlt, protocols::kPcr1000, protocols::kAr3000A});
    return info;
  }

  int setFrequency(double hertz) override {
    QString text = QString::number(hertz / 1e6, 'f', 6);
    if (text.size() > kTuneTextLength) {
      text = QString::number(hertz / 1e6, 'f', freqtext::kDecimals);
    }
    if (text.size() > kTuneTextLength) return rigctl::kInvalid;
    return Tune(text, form_.ModeComboBox->currentText(), [this, text] {
      form_.FrequencyEdit->setText(text);
      form_.EnterButtonClick();
    });
  }

  double frequency() override {
    double megahertz = 0;
    if (!freqtext::ParseNumber(link_.CurrentFrequency, &megahertz)) return 0;
    return megahertz * 1e6;
  }

  int setMode(const QString& mode, int passbandHz) override {
    // The mode changes on the frequency last tuned, not on whatever the
    // operator may be typing into the field just now.
    QString text = form_.FrequencyEdit->text();
    double megahertz = 0;
    if (freqtext::ParseNumber(link_.CurrentFrequency, &megahertz)) {
      text = ShownFrequency(megahertz);
    }
    const int result = Tune(text, mode, [this, text, mode] {
      form_.FrequencyEdit->setText(text);
      ComboboxSetText(form_.ModeComboBox, mode);
      form_.ModeComboBoxChange();
    });
    if (result != rigctl::kOk || passbandHz <= 0 || link_.Protocol != protocols::kPcr1000) {
      return result;
    }
    // The narrowest filter that passes the asked width, else the widest.
    const QList<int> widths = FilterWidths();
    qsizetype index = widths.size() - 1;
    for (qsizetype i = 0; i < widths.size(); ++i) {
      if (widths[i] >= passbandHz) {
        index = i;
        break;
      }
    }
    if (index == link_.FilterIndex) return result;
    return Change([this, index] {
      form_.FilterComboBox->setCurrentIndex(static_cast<int>(index));
      form_.FilterComboBoxChange();
    });
  }

  QString mode() override { return link_.CurrentMode; }

  int passband() override {
    if (link_.Protocol != protocols::kPcr1000) return 0;
    return FilterWidths().value(link_.FilterIndex, 0);
  }

  int setLevel(rigctl::Level level, int value) override {
    switch (level) {
      case rigctl::Level::Af:
        return Change([this, value] {
          SetSliderQuietly(form_.VolumeTrackBar, link_.VolumeMax - value);
          form_.VolumeTrackBarChange();
        });
      case rigctl::Level::Squelch:
        return Change([this, value] {
          SetSliderQuietly(form_.SquelchTrackBar, link_.SquelchMax - value);
          form_.SquelchTrackBarChange();
        });
      case rigctl::Level::IfShift: {
        const int shift = std::clamp(
            kIfShiftCentre +
                static_cast<int>(std::lround(static_cast<double>(value) / kIfShiftHzPerStep)),
            0, link_.IfShiftMax);
        return Change([this, shift] {
          SetSliderQuietly(form_.IFShiftTrackBar, link_.IfShiftMax - shift);
          form_.IFShiftTrackBarChange();
        });
      }
      case rigctl::Level::Attenuator:
        return Change([this, value] {
          form_.ATTButton->setChecked(value > 0);
          form_.ATTButtonClick();
        });
    }
    return rigctl::kInvalid;
  }

  int level(rigctl::Level level) override {
    switch (level) {
      case rigctl::Level::Af:
        return link_.VolumeMax - form_.VolumeTrackBar->value();
      case rigctl::Level::Squelch:
        return link_.SquelchMax - form_.SquelchTrackBar->value();
      case rigctl::Level::IfShift:
        return (link_.IfShiftMax - form_.IFShiftTrackBar->value() - kIfShiftCentre) *
               kIfShiftHzPerStep;
      case rigctl::Level::Attenuator:
        return link_.AttenuatorOn ? kAttenuatorDb : 0;
    }
    return 0;
  }

  int setSwitch(rigctl::Switch which, bool on) override {
    if (which == rigctl::Switch::NoiseBlanker) {
      return Change([this, on] {
        form_.NBButton->setChecked(on);
        form_.NBButtonClick();
      });
    }
    // The mute button toggles: press it only when the state differs. It
    // hands the keyboard focus to the volume slider, which a remote request
    // must not take from the operator.
    if (on == switchState(which)) return Change([this] { form_.GetPort(); });
    return Change([this, on] {
      QWidget* const focused = form_.focusWidget();
      form_.MuteButton->setChecked(on);
      form_.MuteButtonClick();
      if (focused != nullptr) focused->setFocus();
    });
  }

  bool switchState(rigctl::Switch which) override {
    if (which == rigctl::Switch::NoiseBlanker) return form_.NBButton->isChecked();
    // Muted is the volume slider at its bottom, as the mute button decides.
    return form_.VolumeTrackBar->value() >= link_.VolumeMax;
  }

  int carrierDetect(bool* present) override {
    if (!link_.portOpen()) return rigctl::kIoError;
    *present = link_.CarrierDetect();
    return rigctl::kOk;
  }

  bool powerOn() override { return link_.portOpen(); }

 private:
  // Why no change may run now: a modal dialog is open (the configuration
  // and presets dialogs hold the settings store, a message box waits for the
  // operator), or the window is closing.
  int Refusal() const {
    if (form_.destroyed_ || QApplication::activeModalWidget() != nullptr) return rigctl::kRejected;
    return rigctl::kOk;
  }

  // Runs a change through the window's handlers. The answer says whether the
  // radio's port was open to take it.
  int Change(const std::function<void()>& handler) {
    if (const int refusal = Refusal(); refusal != rigctl::kOk) return refusal;
    try {
      handler();
    } catch (const SettingsError&) {
      return rigctl::kInternal;
    }
    return link_.portOpen() ? rigctl::kOk : rigctl::kIoError;
  }

  // A tuning through the Enter action, after the Enter action's own checks
  // (coverage, and what the radio's command can carry) so that a refusal is
  // an answer to the client, not a message box in front of the operator.
  int Tune(const QString& text, const QString& mode, const std::function<void()>& enter) {
    if (const int refusal = Refusal(); refusal != rigctl::kOk) return refusal;
    QString checked = text;
    if (!freqtext::ValidateFrequencyText(checked, freqtext::kStoredWidth, freqtext::kDecimals,
                                         link_.LowestFrequency, link_.HighestFrequency)) {
      return rigctl::kInvalid;
    }
    encoders::TuneParameters parameters;
    parameters.protocol = link_.Protocol;
    parameters.civAddress = link_.CivAddress;
    parameters.ic735 = link_.Ic735;
    parameters.pcrDefaultAmFilter = link_.Pcr1000DefaultAmFilter;
    if (!encoders::EncodeTuning(parameters, text, mode.left(kModeTextLength)).refusal.isEmpty()) {
      return rigctl::kInvalid;
    }
    return Change(enter);
  }

  TMainForm& form_;
  RadioLink& link_;
};

void TMainForm::StartRemoteControl() {
  remoteTarget_ = new RemoteTarget(this);
  remoteServer_ = new RemoteServer(*remoteTarget_, remoteTarget_);
  try {
    ApplyRemoteSettings();
  } catch (const SettingsError& error) {
    // The window is still being built: the failure is told once it is up.
    const QString text = error.message();
    QTimer::singleShot(0, this, [this, text] { ShowError(isVisible() ? this : nullptr, text); });
  }
}

bool TMainForm::ApplyRemoteSettings() {
  const RemoteSettings remote = ReadRemoteSettings();
  if (!remote.enabled) {
    remoteServer_->stop();
    return true;
  }
  const QHostAddress address(remote.otherHosts ? QHostAddress::Any : QHostAddress::LocalHost);
  if (remoteServer_->isListening() && remoteServer_->serverPort() == remote.port &&
      remoteServer_->serverAddress() == address) {
    return true;  // unchanged: the clients stay connected
  }
  if (remoteServer_->start(static_cast<quint16>(remote.port), remote.otherHosts)) return true;
  const QString text = QStringLiteral("Remote control cannot use port %1: %2")
                           .arg(remote.port)
                           .arg(remoteServer_->errorString());
  if (isVisible()) {
    ShowMessage(this, text);
  } else {
    QTimer::singleShot(0, this, [this, text] { ShowMessage(isVisible() ? this : nullptr, text); });
  }
  return false;
}

void TMainForm::RemoteControl1Click() {
  const RemoteSettings remote = ReadRemoteSettings();
  QString status = QStringLiteral("Off.");
  if (remoteServer_->isListening()) {
    status = QStringLiteral("Listening on %1 port %2; %3 program(s) connected.")
                 .arg(remoteServer_->serverAddress() == QHostAddress(QHostAddress::LocalHost)
                          ? QStringLiteral("127.0.0.1")
                          : QStringLiteral("every address"))
                 .arg(remoteServer_->serverPort())
                 .arg(remoteServer_->clientCount());
  }

  TRemoteControlForm dialog(this);
  dialog.SetValues(remote.enabled, remote.port, remote.otherHosts);
  dialog.SetStatus(status);
  if (dialog.exec() != QDialog::Accepted) return;
  {
    SettingsSession session;
    Settings.WriteFlag(sn::kRemote, sn::kRemoteEnabled, dialog.Enabled());
    Settings.WriteNumber(sn::kRemote, sn::kRemotePort, dialog.Port());
    Settings.WriteFlag(sn::kRemote, sn::kRemoteAllowOtherHosts, dialog.AllowOtherHosts());
  }
  ApplyRemoteSettings();
}
