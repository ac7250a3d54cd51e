#pragma once

#include <QWidget>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class RadioSession;
class SurveyPlot;

namespace channels {
class ChannelStore;
}

// The band survey window: a range (start and stop in MHz, the step in kHz),
// once or repeated, Start and Cancel, and the plot of level against
// frequency with peak hold, the threshold line and the markers of a chosen
// channel list. A click on the plot tunes that step (which ends a sweep, as
// every tuning of the operator does); the sweep itself runs one step at a
// time on the radio's thread, so the window never waits for it. Export
// writes the levels (CSV) and the plot (PNG) to new files in the
// application data folder and says where.
//
// Widgets tests may find by name: "surveyFrom", "surveyTo", "surveyStep",
// "surveyRepeat", "surveyStart", "surveyCancel", "surveyThreshold",
// "surveyMarkers", "surveyResetZoom", "surveyCsv", "surveyPng",
// "surveyStatus", and the plot "SurveyPlot".
class SurveyWindow : public QWidget {
  Q_OBJECT

 public:
  using StoreAccess = std::function<channels::ChannelStore&()>;
  SurveyWindow(RadioSession& session, StoreAccess store, QWidget* parent = nullptr);

  // The range and threshold the window offers until the operator changes
  // them (the scan panel's own, when the window is first opened).
  void propose(const QString& fromMhz, const QString& toMhz, const QString& stepKhz,
               int thresholdRaw);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void start();
  void started();
  void pointRead(qsizetype index);
  void ended();
  void fillMarkerLists();
  void showMarkers();
  void tune(qint64 hz);
  void exportCsv();
  void exportPng();
  void say(const QString& text);

  RadioSession& session_;
  StoreAccess store_;
  QLineEdit* from_ = nullptr;
  QLineEdit* to_ = nullptr;
  QLineEdit* step_ = nullptr;
  QCheckBox* repeat_ = nullptr;
  QPushButton* start_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QSpinBox* threshold_ = nullptr;
  QComboBox* markers_ = nullptr;
  SurveyPlot* plot_ = nullptr;
  QLabel* status_ = nullptr;
};
