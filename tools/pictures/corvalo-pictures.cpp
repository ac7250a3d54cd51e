// corvalo-pictures: takes the README's scanning pictures. It runs the real
// main window on a profile (scripts/screenshot points "Demo" at the virtual
// radio), drives it by its controls' names as an operator would, and writes
// what the windows show:
//   survey.png   the band survey window after two sweeps of the range
//   scan-panel.png  the main window with its scan panel, stopped on a hit
//   hit-log.png  the hit log after a signal scan of a list of its channels
//   channels.png the Channels window showing that list
// The operator's part is played by a timer: it starts the survey, then the
// scan, and presses Skip on a station that keeps transmitting.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <cstdio>
#include <utility>

#include "app/main.h"
#include "channels/ChannelStore.h"
#include "dialogs/ChannelsWindow.h"
#include "radio/BandSurvey.h"
#include "radio/RadioSession.h"
#include "radio/SignalScanner.h"
#include "settings/ProfileName.h"
#include "settings/SettingsStore.h"

namespace {

constexpr char kFrom[] = "162.35";
constexpr char kTo[] = "162.6";
constexpr int kSweeps = 2;
constexpr int kHits = 6;
constexpr int kListenMs = 1500;  // how long a station that stays on is listened to
constexpr int kGiveUpMs = 120000;

template <typename T>
T* Control(QObject* window, const char* name) {
  T* found = window->findChild<T*>(QString::fromLatin1(name));
  if (found == nullptr) {
    std::fprintf(stderr, "corvalo-pictures: no control named %s\n", name);
    std::exit(1);
  }
  return found;
}

// The channels of the band as a list: the survey marks them and the scan
// goes through them.
constexpr char kList[] = "Local";
void MakeList() {
  channels::ChannelStore store;
  if (store.findList(QString::fromLatin1(kList)).ok()) return;
  const channels::Result<qint64> list = store.createList(QString::fromLatin1(kList));
  if (!list.ok()) return;
  const std::pair<qint64, const char*> entries[] = {
      {162'375'000, "Repeater"},  {162'400'000, "Weather 1"}, {162'425'000, "Fire dispatch"},
      {162'475'000, "Weather 2"}, {162'512'500, "Marine"},    {162'550'000, "Weather 3"}};
  for (const auto& [hz, name] : entries) {
    channels::Channel channel;
    channel.listId = list.value();
    channel.frequencyHz = hz;
    channel.mode = QStringLiteral("FMN");
    channel.name = QString::fromLatin1(name);
    store.addChannel(channel);
  }
}

// Chooses an entry of a list control as the operator does.
void Choose(QComboBox* box, const QString& text) {
  box->setCurrentIndex(box->findText(text));
  emit box->activated(box->currentIndex());
}

bool Save(QWidget* window, const QString& path) {
  if (window->grab().save(path, "PNG")) return true;
  std::fprintf(stderr, "corvalo-pictures: cannot write %s\n", qPrintable(path));
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Quorvane"));
  QApplication::setApplicationName(QStringLiteral("Corvalo"));
  const QStringList args = app.arguments();
  if (args.size() != 3) {
    std::fprintf(stderr, "usage: corvalo-pictures PROFILE OUTPUT-FOLDER\n");
    return 2;
  }
  if (const QString problem = profiles::NameProblem(args.at(1)); !problem.isEmpty()) {
    std::fprintf(stderr, "corvalo-pictures: %s\n", qPrintable(problem));
    return 2;
  }
  SettingsStore store(args.at(1));
  const QDir out(args.at(2));
  MakeList();

  RadioSession session(store);
  TMainForm form(session, store);
  form.show();

  enum class Phase { Opening, Surveying, Scanning } phase = Phase::Opening;
  QElapsedTimer clock;
  clock.start();
  QWidget* survey = nullptr;
  bool panelTaken = false;
  int result = 1;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, &app, [&] {
    if (clock.elapsed() > kGiveUpMs) {
      std::fprintf(stderr, "corvalo-pictures: the radio did not get that far (step %d, %d hits)\n",
                   int(phase), session.signalScanner().hitCount());
      QApplication::exit(1);
      return;
    }
    switch (phase) {
      case Phase::Opening: {
        if (session.portState() != RadioSession::PortState::Open) return;
        Control<QAction>(&form, "BandSurvey1")->trigger();
        survey = Control<QWidget>(&form, "SurveyWindow");
        survey->resize(760, 360);
        Control<QLineEdit>(survey, "surveyFrom")->setText(QString::fromLatin1(kFrom));
        Control<QLineEdit>(survey, "surveyTo")->setText(QString::fromLatin1(kTo));
        Control<QLineEdit>(survey, "surveyStep")->setText(QStringLiteral("2.5"));
        Control<QSpinBox>(survey, "surveyThreshold")->setValue(150);
        Choose(Control<QComboBox>(survey, "surveyMarkers"), QString::fromLatin1(kList));
        Control<QAbstractButton>(survey, "surveyRepeat")->setChecked(true);
        Control<QPushButton>(survey, "surveyStart")->click();
        phase = Phase::Surveying;
        return;
      }
      case Phase::Surveying: {
        if (session.survey().sweeps() < kSweeps) return;
        Control<QPushButton>(survey, "surveyCancel")->click();
        if (!Save(survey, out.filePath(QStringLiteral("survey.png")))) {
          QApplication::exit(1);
          return;
        }
        survey->hide();
        if (auto* panel = Control<QAction>(&form, "ScanandSearch1"); !panel->isChecked()) {
          panel->trigger();
        }
        Choose(Control<QComboBox>(&form, "ScanSourceComboBox"), QStringLiteral("List"));
        Choose(Control<QComboBox>(&form, "ScanListComboBox"), QString::fromLatin1(kList));
        Control<QDoubleSpinBox>(&form, "HangSpinBox")->setValue(1.0);
        Control<QAction>(&form, "HitLog1")->trigger();
        Control<QWidget>(&form, "HitLogWindow")->resize(640, 250);
        Control<QPushButton>(&form, "SignalScanButton")->click();
        phase = Phase::Scanning;
        return;
      }
      case Phase::Scanning: {
        SignalScanner& scanner = session.signalScanner();
        if (!panelTaken && scanner.hit() && scanner.hit()->peakRaw) {
          panelTaken = Save(&form, out.filePath(QStringLiteral("scan-panel.png")));
        }
        // A station that stays on is passed over once listened to.
        if (scanner.hit() && scanner.hit()->durationMs >= kListenMs) {
          Control<QPushButton>(&form, "SignalSkipButton")->click();
        }
        if (scanner.hitCount() < kHits || scanner.hit()) return;
        scanner.stop();
        result = Save(Control<QWidget>(&form, "HitLogWindow"),
                      out.filePath(QStringLiteral("hit-log.png")))
                     ? 0
                     : 1;
        Control<QAction>(&form, "Channels1")->trigger();
        if (auto* lists = form.findChild<ChannelsWindow*>()) {
          lists->selectList(QString::fromLatin1(kList));
          lists->resize(860, 290);
          if (!Save(lists, out.filePath(QStringLiteral("channels.png")))) result = 1;
        }
        QApplication::exit(result);
        return;
      }
    }
  });
  timer.start(100);
  app.exec();
  return result;
}
