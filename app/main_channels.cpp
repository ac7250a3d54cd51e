// The channel lists as the main window offers them: the Channels window from
// the Tools menu and the tray menu, the current tuning stored in the chosen
// list with one key, and a channel tuned through the session with its mode
// and filter, or refused with the session's reason.

#include <QAction>
#include <QMenu>
#include <cmath>

#include "app/main.h"
#include "channels/ChannelStore.h"
#include "dialogs/ChannelsHost.h"
#include "dialogs/ChannelsWindow.h"
#include "radio/Capabilities.h"
#include "radio/FrequencyText.h"

namespace {

constexpr QKeyCombination kChannelsKey(Qt::ControlModifier, Qt::Key_K);
constexpr QKeyCombination kAddChannelKey(Qt::ControlModifier, Qt::Key_D);

}  // namespace

// The Channels window's view of the radio: the session's tuning and what the
// configured radio can tune.
class TMainForm::ChannelsHostImpl : public QObject, public ChannelsHost {
 public:
  ChannelsHostImpl(RadioSession& session, QObject* parent) : QObject(parent), session_(session) {}

  Tuning currentTuning() const override {
    Tuning tuning;
    double megahertz = 0;
    if (!freqtext::ParseNumber(session_.tunedFrequency(), &megahertz)) return tuning;
    tuning.frequencyHz = std::llround(megahertz * 1e6);
    tuning.mode = session_.tunedMode();
    if (session_.capabilities().filters) tuning.filter = session_.filterIndex();
    return tuning;
  }

  channels::Capabilities capabilities() const override {
    channels::Capabilities caps;
    caps.modes = session_.modeList();
    caps.filters = session_.capabilities().filters;
    caps.lowestHz = std::llround(session_.lowestMhz() * 1e6);
    caps.highestHz = std::llround(session_.highestMhz() * 1e6);
    return caps;
  }

  QString refusal(const channels::Channel& channel) const override {
    return channels::CapabilityRefusal(channel, capabilities());
  }

  QString tune(const channels::Channel& channel) override {
    const QString refused = refusal(channel);
    if (!refused.isEmpty()) return refused;
    RadioSession::Tuning row = session_.tuning();
    row.frequencyText = freqtext::ShownHz(channel.frequencyHz);
    row.mode = channel.mode;
    row.filterIndex = channel.filter;
    const RadioSession::Result result = session_.tuneChannel(row, RadioSession::Origin::Operator);
    return result.outcome == RadioSession::Outcome::Refused ? result.reason : QString();
  }

 private:
  RadioSession& session_;
};

void TMainForm::BuildChannelItems() {
  Channels1 = AddToolsItem("Channels1", "Cha&nnels...");
  Channels1->setShortcut(QKeySequence(kChannelsKey));
  connect(Channels1, &QAction::triggered, this, run(&TMainForm::Channels1Click));

  // The tray menu: after the presets.
  Channels2 = new QAction(QStringLiteral("C&hannels..."), PopupMenu);
  Channels2->setObjectName(QStringLiteral("Channels2"));
  PopupMenu->insertAction(Weather2, Channels2);
  connect(Channels2, &QAction::triggered, this, run(&TMainForm::Channels1Click));

  AddToChannels1 = AddWindowKey("AddToChannels1", kAddChannelKey);
  connect(AddToChannels1, &QAction::triggered, this, run(&TMainForm::AddToChannels1Click));

  channelsHost_ = new ChannelsHostImpl(session_, this);
  connect(&session_, &RadioSession::configurationChanged, this, [this] {
    if (channelsWindow_ != nullptr) channelsWindow_->capabilitiesChanged();
  });
}

void TMainForm::Channels1Click() {
  if (channelsWindow_ == nullptr) {
    channelsWindow_ = new ChannelsWindow(ChannelLists(), *channelsHost_, this);
    channelsWindow_->setWindowFlag(Qt::Window);
  }
  channelsWindow_->show();
  channelsWindow_->raise();
  channelsWindow_->activateWindow();
}

void TMainForm::AddToChannels1Click() {
  Channels1Click();
  channelsWindow_->addCurrentTuning();
}
