// Remote control: other programs tune the radio through a rigctld-protocol
// server that talks to the radio session; the window follows the session as
// for any other change. Here: the server's settings and its dialog.

#include <QApplication>
#include <QTimer>

#include "app/main.h"
#include "components/MessageBox.h"
#include "dialogs/RemoteControl.h"
#include "remote/RemoteServer.h"
#include "remote/SessionTarget.h"
#include "settings/SettingsNames.h"
#include "settings/SettingsStore.h"

namespace sn = settings_names;

namespace {

// The "Remote" settings; a stored port no server can have reads as the usual
// one.
struct RemoteSettings {
  bool enabled = sn::kDefaultRemoteEnabled;
  int port = sn::kDefaultRemotePort;
  bool otherHosts = sn::kDefaultRemoteAllowOtherHosts;
};

RemoteSettings ReadRemoteSettings(SettingsStore& store) {
  RemoteSettings remote;
  SettingsSession session(store);
  remote.enabled = store.ReadFlag(sn::kRemote, sn::kRemoteEnabled, sn::kDefaultRemoteEnabled);
  remote.port = store.ReadNumber(sn::kRemote, sn::kRemotePort, sn::kDefaultRemotePort);
  remote.otherHosts =
      store.ReadFlag(sn::kRemote, sn::kRemoteAllowOtherHosts, sn::kDefaultRemoteAllowOtherHosts);
  if (remote.port < 1 || remote.port > 65535) remote.port = sn::kDefaultRemotePort;
  return remote;
}

void WriteRemoteSettings(SettingsStore& store, const RemoteSettings& remote) {
  SettingsSession session(store);
  store.WriteFlag(sn::kRemote, sn::kRemoteEnabled, remote.enabled);
  store.WriteNumber(sn::kRemote, sn::kRemotePort, remote.port);
  store.WriteFlag(sn::kRemote, sn::kRemoteAllowOtherHosts, remote.otherHosts);
}

}  // namespace

void TMainForm::StartRemoteControl() {
  auto* target = new SessionTarget(session_, this);
  // No change runs behind a modal dialog (the presets dialog holds the
  // settings store, the configuration dialog may change the connection under
  // it, a message box waits for the operator) or while the window closes:
  // the program cannot take it now.
  target->setRefusing(
      [this] { return destroyed_ || QApplication::activeModalWidget() != nullptr; });
  remoteTarget_ = target;
  remoteServer_ = new RemoteServer(*target, target);
  try {
    ApplyRemoteSettings();
  } catch (const SettingsError& error) {
    // The window is still being built: the failure is told once it is up.
    const QString text = error.message();
    QTimer::singleShot(
        0, this, [this, text] { ShowStoreMessages(store_, isVisible() ? this : nullptr, {text}); });
  }
}

bool TMainForm::ApplyRemoteSettings() {
  const RemoteSettings remote = ReadRemoteSettings(store_);
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
  const RemoteSettings remote = ReadRemoteSettings(store_);
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
  WriteRemoteSettings(store_, {dialog.Enabled(), dialog.Port(), dialog.AllowOtherHosts()});
  ApplyRemoteSettings();
}
