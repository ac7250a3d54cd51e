#include "dialogs/presets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QResizeEvent>
#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QValidator>
#include <algorithm>

#include "components/ComboText.h"
#include "components/MessageBox.h"
#include "dialogs/ChannelTables.h"
#include "radio/FrequencyText.h"
#include "radio/Protocols.h"
#include "settings/SettingsStore.h"

namespace {

constexpr char kNotValidFrequency[] = "Not a valid frequency.";
// Saved preset frequencies: 5 decimals right-aligned in 9 characters.
constexpr int kSavedWidth = freqtext::kStoredWidth;

// A list box that arranges its items top to bottom in a fixed number of
// equal columns, the way a multi-column list box does.
class ColumnListBox : public QListWidget {
 public:
  ColumnListBox(int columns, QWidget* parent) : QListWidget(parent), columns_(columns) {
    setFlow(QListView::TopToBottom);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    const int width = std::max(1, viewport()->width() / columns_);
    setGridSize(QSize(width, fontMetrics().height() + 2));
    QListWidget::resizeEvent(event);
  }

 private:
  int columns_;
};

// Refuses typing that makes the text longer than a limit the form keeps.
// Texts the program sets are not checked, so a longer stored description
// is shown in full and can only be shortened.
class LengthLimit : public QValidator {
 public:
  LengthLimit(const int* limit, QObject* parent) : QValidator(parent), limit_(limit) {}
  State validate(QString& input, int&) const override {
    return input.size() > *limit_ ? Invalid : Acceptable;
  }

 private:
  const int* limit_;
};

QListWidget* AddChannelPage(QTabWidget* pages, QWidget*& page, const char* pageName,
                            const QString& caption, const char* listName, int columns,
                            const QStringList& items, const QString& hint) {
  page = new QWidget(pages);
  page->setObjectName(QLatin1String(pageName));
  auto* layout = new QVBoxLayout(page);
  auto* list = new ColumnListBox(columns, page);
  list->setObjectName(QLatin1String(listName));
  list->addItems(items);
  list->setToolTip(hint);
  layout->addWidget(list);
  pages->addTab(page, caption);
  return list;
}

}  // namespace

TPresetsForm::TPresetsForm(PresetsHost& host, SettingsStore& store, QWidget* parent)
    : QDialog(parent), host_(host), store_(store), descriptionLimit_(presets::kDescriptionLength) {
  setObjectName(QStringLiteral("PresetsForm"));
  setWindowTitle(QStringLiteral("Presets"));
  // A close box and the system menu only.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

  auto* layout = new QVBoxLayout(this);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  PageControl1 = new QTabWidget(this);
  PageControl1->setObjectName(QStringLiteral("PageControl1"));
  layout->addWidget(PageControl1);

  BuildCustomPage();
  BuildChannelPages();
  PageControl1->setCurrentWidget(Presets);
}

TPresetsForm::~TPresetsForm() = default;

void TPresetsForm::BuildCustomPage() {
  Presets = new QWidget(PageControl1);
  Presets->setObjectName(QStringLiteral("Presets"));
  auto* pageLayout = new QVBoxLayout(Presets);
  Panel1 = new QWidget(Presets);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  pageLayout->addWidget(Panel1);
  auto* grid = new QGridLayout(Panel1);

  auto addLabel = [this, grid](const QString& text, int row, int column) {
    auto* label = new QLabel(text, Panel1);
    grid->addWidget(label, row, column);
    return label;
  };
  auto makeList = [this](const char* name, const QStringList& items, const QString& hint) {
    auto* box = new QComboBox(Panel1);
    box->setObjectName(QLatin1String(name));
    box->addItems(items);
    box->setToolTip(hint);
    return box;
  };

  QStringList numbers;
  for (int n = 1; n <= presets::kPresetCount; ++n) numbers << QString::number(n);
  QStringList modes;
  for (const char* code : protocols::kModeCodes) modes << QLatin1String(code);
  QStringList filters;
  for (const char* code : protocols::kFilterCodes) filters << QLatin1String(code);

  GroupComboBox = makeList(
      "GroupComboBox", {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}, QString());
  PresetComboBox = makeList(
      "PresetComboBox", numbers,
      QStringLiteral("Presets 1 through 10, corresponding to numbered buttons on main window."));
  FrequencyEdit = new QLineEdit(Panel1);
  FrequencyEdit->setObjectName(QStringLiteral("FrequencyEdit"));
  FrequencyEdit->setToolTip(QStringLiteral("Preset Frequency Display and Input"));
  ModeComboBox = makeList("ModeComboBox", modes, QStringLiteral("Preset Mode Display and Input"));
  FilterComboBox =
      makeList("FilterComboBox", filters, QStringLiteral("Preset Filter Display and Input"));
  DescriptionEdit = new QLineEdit(Panel1);
  DescriptionEdit->setObjectName(QStringLiteral("DescriptionEdit"));
  DescriptionEdit->setToolTip(QStringLiteral("Preset Description Display and Input"));
  DescriptionEdit->setValidator(new LengthLimit(&descriptionLimit_, DescriptionEdit));
  AttenuateCheckBox = new QCheckBox(QStringLiteral("&Attenuate"), Panel1);
  AttenuateCheckBox->setObjectName(QStringLiteral("AttenuateCheckBox"));
  AttenuateCheckBox->setToolTip(QStringLiteral("Preset Attenuation"));
  Button1 = new QPushButton(QStringLiteral("&Save"), Panel1);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setToolTip(QStringLiteral("Click to save the current Preset."));
  Button1->setDefault(true);

  addLabel(QStringLiteral("Group:"), 0, 0);
  grid->addWidget(GroupComboBox, 0, 1);
  addLabel(QStringLiteral("Preset #:"), 0, 2);
  grid->addWidget(PresetComboBox, 0, 3);
  addLabel(QStringLiteral("Frequency:"), 1, 0);
  grid->addWidget(FrequencyEdit, 1, 1);
  addLabel(QStringLiteral("Mode:"), 1, 2);
  grid->addWidget(ModeComboBox, 1, 3);
  FilterLabel = addLabel(QStringLiteral("Filter:"), 2, 0);
  FilterLabel->setObjectName(QStringLiteral("FilterLabel"));
  grid->addWidget(FilterComboBox, 2, 1);
  addLabel(QStringLiteral("Description:"), 2, 2);
  grid->addWidget(DescriptionEdit, 2, 3);
  grid->addWidget(AttenuateCheckBox, 3, 1);
  grid->addWidget(Button1, 3, 3);

  QWidget::setTabOrder(GroupComboBox, PresetComboBox);
  QWidget::setTabOrder(PresetComboBox, FrequencyEdit);
  QWidget::setTabOrder(FrequencyEdit, ModeComboBox);
  QWidget::setTabOrder(ModeComboBox, FilterComboBox);
  QWidget::setTabOrder(FilterComboBox, DescriptionEdit);
  QWidget::setTabOrder(DescriptionEdit, AttenuateCheckBox);
  QWidget::setTabOrder(AttenuateCheckBox, Button1);

  PageControl1->addTab(Presets, QStringLiteral("Custom"));

  connect(GroupComboBox, &QComboBox::activated, this, &TPresetsForm::GroupComboBoxChange);
  connect(PresetComboBox, &QComboBox::activated, this, &TPresetsForm::PresetComboBoxChange);
  connect(ModeComboBox, &QComboBox::activated, this, &TPresetsForm::ModeComboBoxChange);
  connect(Button1, &QPushButton::clicked, this, &TPresetsForm::Button1Click);
  // Typing in a longer stored description only ever shortens the limit
  // back towards the typing limit.
  connect(DescriptionEdit, &QLineEdit::textEdited, this, [this](const QString& text) {
    descriptionLimit_ = std::max<int>(presets::kDescriptionLength, text.size());
  });
}

void TPresetsForm::BuildChannelPages() {
  QStringList cb;
  for (int channel = 1; channel <= static_cast<int>(channels::kCbChannels.size()); ++channel) {
    cb << QString::number(channel);
  }
  QStringList tv;
  for (int channel = channels::kFirstTvChannel; channel <= channels::kLastListedTvChannel;
       ++channel) {
    tv << QString::number(channel);
  }
  QStringList wx;
  for (int channel = 1; channel <= static_cast<int>(channels::kWeatherChannels.size()); ++channel) {
    wx << QString::number(channel);
  }
  QStringList time;
  for (const char* station : channels::kTimeStations) time << QLatin1String(station);

  CBListBox = AddChannelPage(PageControl1, CBTab, "CBTab", QStringLiteral("CB"), "CBListBox", 4, cb,
                             QStringLiteral("Click a CB channel to quickly tune-in."));
  TVListBox = AddChannelPage(PageControl1, TVTab, "TVTab", QStringLiteral("TV"), "TVListBox", 7, tv,
                             QStringLiteral("Click a TV Channel to quickly tune-in."));
  WXListBox = AddChannelPage(PageControl1, WXTab, "WXTab", QStringLiteral("Weather"), "WXListBox",
                             3, wx, QStringLiteral("Click a Weather channel to quickly tune-in."));
  TimeListBox =
      AddChannelPage(PageControl1, TimeTab, "TimeTab", QStringLiteral("Time"), "TimeListBox", 7,
                     time, QStringLiteral("Click a Time station to quickly tune-in."));

  // A mouse click on an item, or Return on the current one, picks it.
  for (auto [list, handler] : {std::pair{CBListBox, &TPresetsForm::CBListBoxClick},
                               std::pair{TVListBox, &TPresetsForm::TVListBoxClick},
                               std::pair{WXListBox, &TPresetsForm::WXListBoxClick},
                               std::pair{TimeListBox, &TPresetsForm::TimeListBoxClick}}) {
    connect(list, &QListWidget::itemClicked, this, handler);
    connect(list, &QListWidget::itemActivated, this, handler);
  }
}

template <typename Body>
void TPresetsForm::Guarded(Body body) {
  QStringList failures;
  try {
    body();
  } catch (const SettingsError& error) {
    failures << error.message();
  }
  // What the store's reads met is told with the failure, in one box.
  ShowStoreMessages(store_, this, failures);
}

void TPresetsForm::showEvent(QShowEvent* event) {
  // Restoring a minimised window is not a new showing.
  if (!event->spontaneous()) FormShow();
  QDialog::showEvent(event);
}

void TPresetsForm::done(int result) {
  FormClose();
  QDialog::done(result);
}

QString TPresetsForm::ChosenGroupPrefix() const {
  return presets::GroupPrefixForIndex(GroupComboBox->currentIndex());
}

void TPresetsForm::SetDescriptionText(const QString& text) {
  descriptionLimit_ = std::max<int>(presets::kDescriptionLength, text.size());
  DescriptionEdit->setText(text);
}

void TPresetsForm::LoadPreset(const QString& prefix, int n) {
  preset_ =
      presets::ReadPreset(store_, prefix, n, QLatin1String(presets::kDialogDefaultDescription));
  FrequencyEdit->setText(preset_.frequency);
  SelectComboText(ModeComboBox, preset_.mode);
  // An index outside the list leaves no filter selected.
  FilterComboBox->setCurrentIndex(preset_.filter);
  SetDescriptionText(preset_.description);
  AttenuateCheckBox->setChecked(preset_.attenuate);
}

void TPresetsForm::FormShow() {
  GroupComboBox->setCurrentIndex(0);
  TvChannelChoice = -1;
  CbChannelChoice = -1;
  WeatherChannelChoice = -1;
  TimeStationChoice.clear();
  const bool filters = host_.FilterListShown();
  FilterComboBox->setVisible(filters);
  FilterLabel->setVisible(filters);
  PresetComboBox->setCurrentIndex(0);
  Guarded([this] {
    store_.open();
    LoadPreset(QString(), 1);
  });
}

void TPresetsForm::FormClose() {
  Guarded([this] { store_.release(); });
}

void TPresetsForm::GroupComboBoxChange() {
  PresetComboBox->setCurrentIndex(0);
  PresetComboBoxChange();
}

void TPresetsForm::PresetComboBoxChange() {
  Guarded([this] { LoadPreset(ChosenGroupPrefix(), PresetComboBox->currentIndex() + 1); });
}

void TPresetsForm::ModeComboBoxChange() {
  const QString text = FrequencyEdit->text();
  double f = 0;
  if (!freqtext::ParseNumber(text, &f)) {
    ShowError(this, QStringLiteral("'%1' is not a valid floating point value").arg(text));
    return;
  }
  const QString mode = ModeComboBox->currentText();
  if (mode == QLatin1String("CW") || mode == QLatin1String("LSB") || mode == QLatin1String("USB")) {
    host_.SetFilterIndex(0);  // 3K
  } else if (mode == QLatin1String("FMW")) {
    host_.SetFilterIndex(4);  // 230K
  } else if (mode == QLatin1String("FMN")) {
    host_.SetFilterIndex(2);  // 15K
  } else if (mode == QLatin1String("AM")) {
    // Narrow AM in the airband and the CB band.
    const bool narrow = (f >= 108 && f <= 138) || (f >= 26.965 && f <= 27.405);
    host_.SetFilterIndex(narrow ? 1 : 2);  // 6K : 15K
  }
  FilterComboBox->setCurrentIndex(host_.FilterIndex());
}

void TPresetsForm::Button1Click() {
  Guarded([this] {
    const QString prefix = ChosenGroupPrefix();
    QString frequency = FrequencyEdit->text();
    if (!freqtext::ValidateFrequencyText(frequency, kSavedWidth, freqtext::kDecimals,
                                         host_.LowestFrequency(), host_.HighestFrequency())) {
      ShowInformation(this, QLatin1String(kNotValidFrequency));
      return;
    }
    const int n = PresetComboBox->currentIndex() + 1;
    preset_.frequency = frequency;
    preset_.mode = ModeComboBox->currentText();
    preset_.filter = FilterComboBox->currentIndex();
    preset_.description = DescriptionEdit->text();
    preset_.attenuate = AttenuateCheckBox->isChecked();
    presets::WritePreset(store_, prefix, n, preset_);
    // Make the save durable now, so a store that cannot be written is
    // reported for this save rather than when the dialog closes.
    store_.release();
    store_.open();

    PresetComboBox->setCurrentIndex((PresetComboBox->currentIndex() + 1) % presets::kPresetCount);
    LoadPreset(prefix, PresetComboBox->currentIndex() + 1);
  });
  FrequencyEdit->setFocus();
}

void TPresetsForm::CBListBoxClick(QListWidgetItem* item) {
  if (item == nullptr || !isVisible()) return;
  CbChannelChoice = CBListBox->row(item);
  reject();
}

void TPresetsForm::TVListBoxClick(QListWidgetItem* item) {
  if (item == nullptr || !isVisible()) return;
  TvChannelChoice = item->text().toInt();
  reject();
}

void TPresetsForm::WXListBoxClick(QListWidgetItem* item) {
  if (item == nullptr || !isVisible()) return;
  WeatherChannelChoice = WXListBox->row(item);
  reject();
}

void TPresetsForm::TimeListBoxClick(QListWidgetItem* item) {
  if (item == nullptr || !isVisible()) return;
  TimeStationChoice = item->text();
  reject();
}

void TPresetsForm::QuickTune() {
  if (TvChannelChoice > 0) {
    // Channels without a defined sound carrier tune nothing.
    if (const auto f = channels::TvSoundCarrier(TvChannelChoice)) {
      host_.TuneChannel(channels::GeneralNumberText(*f), QLatin1String(channels::kTvMode));
    }
  }
  if (CbChannelChoice >= 0) {
    if (const auto f = channels::CbChannelFrequency(CbChannelChoice + 1)) {
      host_.TuneChannel(channels::GeneralNumberText(*f), QLatin1String(channels::kCbMode));
    }
  }
  if (WeatherChannelChoice >= 0) {
    ++WeatherChannelChoice;  // the list position becomes the channel number
    if (const auto f = channels::WeatherChannelFrequency(WeatherChannelChoice)) {
      host_.TuneChannel(channels::GeneralNumberText(*f), QLatin1String(channels::kWeatherMode));
    }
  }
  if (!TimeStationChoice.isEmpty()) {
    host_.TuneChannel(TimeStationChoice, QLatin1String(channels::kTimeMode));
  }
}
