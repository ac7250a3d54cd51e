// The preset buttons and menus of the main window: the active preset group
// in its three mirrored sets of menu items, the buttons' hints and the tray's
// preset captions, recalling a preset, storing the current tuning into one,
// and running the presets dialog with its quick-tune channels.

#include <QAction>
#include <QComboBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>

#include "app/main.h"
#include "components/MessageBox.h"
#include "dialogs/presets.h"
#include "radio/FrequencyText.h"
#include "settings/SettingsNames.h"
#include "settings/SettingsStore.h"

namespace sn = settings_names;

namespace {

// Where the preset number starts in a preset control's name: "Button10",
// "Preset7".
constexpr int kNumberPosition = 6;
constexpr int kNumberLength = 2;

}  // namespace

// What the presets dialog needs from the main window: the coverage, the
// shared filter index, whether the filter list is shown, and tuning a
// quick-tune channel through the Enter action.
class TMainForm::PresetsHostImpl final : public QObject, public PresetsHost {
 public:
  explicit PresetsHostImpl(TMainForm& form) : QObject(&form), form_(form) {}

  double LowestFrequency() const override { return form_.session().lowestMhz(); }
  double HighestFrequency() const override { return form_.session().highestMhz(); }
  int FilterIndex() const override { return form_.session().filterIndex(); }
  void SetFilterIndex(int index) override { form_.session().setFilterIndex(index); }
  // The list's own visibility, not whether the window is on screen now.
  bool FilterListShown() const override { return form_.FilterComboBox->isVisibleTo(&form_); }

  void TuneChannel(const QString& frequencyText, const QString& modeLetters) override {
    form_.FrequencyEdit->setText(frequencyText);
    // The first mode the list offers that begins with the letters ("AM"
    // picks "AMW" on a radio without plain AM); none when no mode does.
    int found = -1;
    for (int i = 0; i < form_.ModeComboBox->count(); ++i) {
      if (form_.ModeComboBox->itemText(i).startsWith(modeLetters, Qt::CaseInsensitive)) {
        found = i;
        break;
      }
    }
    form_.ModeComboBox->setCurrentIndex(found);
    form_.EnterButton->click();
  }

 private:
  TMainForm& form_;
};

namespace {

QString PresetHint(const QString& prefix, int n, const QString& description) {
  return QStringLiteral("Preset ") + prefix + QString::number(n) + QLatin1Char(':') + description;
}

}  // namespace

PresetsHost& TMainForm::presetsHost() {
  if (presetsHost_ == nullptr) presetsHost_ = new PresetsHostImpl(*this);
  return *presetsHost_;
}

void TMainForm::ConnectPresetActions() {
  connect(GroupA, &QAction::triggered, this, run(&TMainForm::GroupAClick));
  connect(GroupB, &QAction::triggered, this, run(&TMainForm::GroupBClick));
  connect(GroupC, &QAction::triggered, this, run(&TMainForm::GroupCClick));
  connect(GroupA1, &QAction::triggered, this, run(&TMainForm::GroupA1Click));
  connect(GroupB1, &QAction::triggered, this, run(&TMainForm::GroupB1Click));
  connect(GroupC1, &QAction::triggered, this, run(&TMainForm::GroupC1Click));
  connect(GroupA2, &QAction::triggered, this, run(&TMainForm::GroupA2Click));
  connect(GroupB2, &QAction::triggered, this, run(&TMainForm::GroupB2Click));
  connect(GroupC2, &QAction::triggered, this, run(&TMainForm::GroupC2Click));

  // The ten buttons and the ten tray items all recall through one handler,
  // which takes the preset number from the control's name.
  for (QPushButton* button : PresetButtons) {
    connect(button, &QPushButton::clicked, this,
            [this, button] { Guarded([this, button] { Button10Click(button); }); });
  }
  for (QAction* item : PresetItems) {
    connect(item, &QAction::triggered, this,
            [this, item] { Guarded([this, item] { Button10Click(item); }); });
  }
  connect(SetthisPresettoCurrentFrequencyModeetc1, &QAction::triggered, this,
          run(&TMainForm::SetthisPresettoCurrentFrequencyModeetc1Click));

  connect(ConfigurePresets1, &QAction::triggered, this, run(&TMainForm::ConfigurePresets1Click));
  connect(CB1, &QAction::triggered, this, run(&TMainForm::CB1Click));
  connect(TV1, &QAction::triggered, this, run(&TMainForm::TV1Click));
  connect(Weather1, &QAction::triggered, this, run(&TMainForm::Weather1Click));
  connect(Time1, &QAction::triggered, this, run(&TMainForm::Time1Click));
  connect(Configure1, &QAction::triggered, this, run(&TMainForm::Configure1Click));
  // The tray menu's twins open the same pages; its "Configure..." is the
  // presets dialog's "Custom" page.
  connect(N2, &QAction::triggered, this, run(&TMainForm::CB1Click));
  connect(TV2, &QAction::triggered, this, run(&TMainForm::TV1Click));
  connect(Weather2, &QAction::triggered, this, run(&TMainForm::Weather1Click));
  connect(Time2, &QAction::triggered, this, run(&TMainForm::Time1Click));
  connect(Configure2, &QAction::triggered, this, run(&TMainForm::Configure1Click));
}

QString TMainForm::GroupPrefix() const {
  QString prefix;
  if (GroupB->isChecked()) prefix = QStringLiteral("B");
  if (GroupC->isChecked()) prefix = QStringLiteral("C");
  return prefix;
}

void TMainForm::LoadPresetLabels() {
  const QString prefix = GroupPrefix();
  SettingsSession session(store_);
  const QString section = QLatin1String(sn::kPresets);
  for (QPushButton* button : PresetButtons) {
    const int n = button->property("Tag").toInt();
    if (n < 1 || n > presets::kPresetCount) continue;
    QString description =
        store_.ReadText(section, presets::ValueName(prefix, sn::kPresetDescription, n), QString());
    if (description.isEmpty()) {
      description =
          store_.ReadText(section, presets::ValueName(prefix, sn::kPresetFrequency, n), QString());
    }
    button->setToolTip(PresetHint(prefix, n, description));
    // An "&" of the description is shown, not taken as the item's shortcut.
    QString shown = description;
    shown.replace(QLatin1Char('&'), QLatin1String("&&"));
    PresetItems[n - 1]->setText(QLatin1Char('&') + QString::number(n) + QLatin1Char(' ') + shown);
  }
}

void TMainForm::SelectPresetGroup(int group, QAction* chosen) {
  QAction* const items[3][3] = {
      {GroupA, GroupA1, GroupA2}, {GroupB, GroupB1, GroupB2}, {GroupC, GroupC1, GroupC2}};
  // The menu has already checked the item the operator chose; whether the
  // group was active shows on its main menu item, or on a mirror when the
  // main menu item itself was chosen.
  QAction* const witness = chosen == items[group][0] ? items[group][1] : items[group][0];
  if (witness->isChecked()) return;
  for (int g = 0; g < 3; ++g) {
    for (QAction* item : items[g]) item->setChecked(g == group);
  }
  LoadPresetLabels();
}

void TMainForm::GroupAClick() { SelectPresetGroup(0, GroupA); }
void TMainForm::GroupBClick() { SelectPresetGroup(1, GroupB); }
void TMainForm::GroupCClick() { SelectPresetGroup(2, GroupC); }
void TMainForm::GroupA1Click() { SelectPresetGroup(0, GroupA1); }
void TMainForm::GroupB1Click() { SelectPresetGroup(1, GroupB1); }
void TMainForm::GroupC1Click() { SelectPresetGroup(2, GroupC1); }

// The tray menu opens again where it was, so the operator sees the new
// group's preset captions at once.
void TMainForm::GroupA2Click() {
  SelectPresetGroup(0, GroupA2);
  PopupMenu->popup(QPoint(TrayPopupX, TrayPopupY));
}
void TMainForm::GroupB2Click() {
  SelectPresetGroup(1, GroupB2);
  PopupMenu->popup(QPoint(TrayPopupX, TrayPopupY));
}
void TMainForm::GroupC2Click() {
  SelectPresetGroup(2, GroupC2);
  PopupMenu->popup(QPoint(TrayPopupX, TrayPopupY));
}

void TMainForm::Button10Click(QObject* sender) {
  const int n = sender->objectName().mid(kNumberPosition, kNumberLength).toInt();
  int group = 0;
  if (GroupB->isChecked()) group = 1;
  if (GroupC->isChecked()) group = 2;
  ShowRefusal(session_.recallPreset(group, n, RadioSession::Origin::Operator));
}

void TMainForm::SetthisPresettoCurrentFrequencyModeetc1Click() {
  auto* button = qobject_cast<QPushButton*>(PopupComponent);
  const int n = button != nullptr ? button->property("Tag").toInt() : 0;
  if (n < 1 || n > presets::kPresetCount) return;
  button->setFocus();
  const QString prefix = GroupPrefix();

  // A frequency text that is not a number is not stored, nor is anything
  // else: the preset keeps what it held.
  double value = 0;
  if (!freqtext::ParseNumber(FrequencyEdit->text(), &value)) {
    ShowInformation(this, QStringLiteral("Not a valid frequency."));
    return;
  }
  SettingsSession session(store_);
  presets::Preset preset;
  preset.frequency = freqtext::ShownMhz(value);
  preset.mode = ModeComboBox->currentText();
  preset.filter = FilterComboBox->currentIndex();
  preset.description =
      store_.ReadText(QLatin1String(sn::kPresets),
                      presets::ValueName(prefix, sn::kPresetDescription, n), QString::number(n));

  QInputDialog box(this);
  box.setObjectName(QStringLiteral("PresetDescriptionBox"));
  box.setInputMode(QInputDialog::TextInput);
  box.setWindowTitle(QStringLiteral("Preset"));
  box.setLabelText(QStringLiteral("Enter a description for this preset."));
  box.setTextValue(preset.description);
  if (box.exec() == QDialog::Accepted) preset.description = box.textValue();

  button->setToolTip(PresetHint(prefix, n, preset.description));
  preset.attenuate = ATTButton->isChecked();
  presets::WritePreset(store_, prefix, n, preset);
}

void TMainForm::ConfigurePresets1Click() {
  if (PresetsForm == nullptr) return;
  PresetsForm->exec();
  LoadPresetLabels();
  PresetsForm->QuickTune();
}

void TMainForm::CB1Click() {
  if (PresetsForm != nullptr) PresetsForm->PageControl1->setCurrentWidget(PresetsForm->CBTab);
  ConfigurePresets1Click();
}

void TMainForm::TV1Click() {
  if (PresetsForm != nullptr) PresetsForm->PageControl1->setCurrentWidget(PresetsForm->TVTab);
  ConfigurePresets1Click();
}

void TMainForm::Weather1Click() {
  if (PresetsForm != nullptr) PresetsForm->PageControl1->setCurrentWidget(PresetsForm->WXTab);
  ConfigurePresets1Click();
}

void TMainForm::Time1Click() {
  if (PresetsForm != nullptr) PresetsForm->PageControl1->setCurrentWidget(PresetsForm->TimeTab);
  ConfigurePresets1Click();
}

void TMainForm::Configure1Click() {
  if (PresetsForm != nullptr) PresetsForm->PageControl1->setCurrentWidget(PresetsForm->Presets);
  ConfigurePresets1Click();
}
