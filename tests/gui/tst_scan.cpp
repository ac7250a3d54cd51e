// The scan and search panel driven against a real main window and a real
// pseudo-terminal: what each scan tick and each search pass sends, the hold on
// a signal, the skip, the limits and the wrap, ending the search from the
// window, and the Tools menu item that shows the panel and is remembered.
//
// A pseudo-terminal has no carrier-detect line. Where a test needs a signal
// present, RadioLink::CarrierLineOverride stands in for that line.

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>
#include <QtTest/QtTest>
#include <functional>

#include "GuiTestSupport.h"
#include "ModalWindows.h"
#include "TestMain.h"

using namespace guitest;
using namespace testsupport;

namespace {

constexpr int kSearch = 0;
constexpr int kScan = 1;
constexpr int kManual = 2;

// The PCR1000 tuning of a frequency (ten digits of hertz) in "FMN" (mode 05,
// filter 02) and in "AM" (mode 02; filter 02 outside the aviation and CB
// bands).
QByteArray Fmn(const char* hertz) { return "K0" + QByteArray(hertz) + "050200\r\n"; }
QByteArray Am(const char* hertz) { return "K0" + QByteArray(hertz) + "020200\r\n"; }

// The PCR1000 frames received, one per line.
QList<QByteArray> Frames(const QByteArray& bytes) {
  QList<QByteArray> frames = bytes.split('\n');
  if (!frames.isEmpty() && frames.last().isEmpty()) frames.removeLast();
  for (QByteArray& frame : frames) frame += '\n';
  return frames;
}

QString SignalMark(TMainForm* form) {
  return form->StatusBar1->findChild<QLabel*>(QStringLiteral("StatusPanel1"))->text();
}

// A PCR1000 window tuned to `frequency` in `mode`, the start-up bytes gone.
std::unique_ptr<Rig> PcrRig(const char* frequency, const char* mode,
                            QMap<QString, QString> extra = {}) {
  extra.insert(QStringLiteral("General/Frequency"), QString::fromLatin1(frequency));
  extra.insert(QStringLiteral("General/Mode"), QString::fromLatin1(mode));
  auto rig = std::make_unique<Rig>(6, extra);
  rig->settleAndClear();
  return rig;
}

// Runs `step` every 10 ms from inside the search loop until it returns true.
class Driver {
 public:
  explicit Driver(std::function<bool()> step) : step_(std::move(step)) {
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
      if (step_()) timer_.stop();
    });
    timer_.start(10);
  }

 private:
  std::function<bool()> step_;
  QTimer timer_;
};

// Ends a search that a test failed to end, so that the test fails instead of
// hanging.
class Watchdog {
 public:
  explicit Watchdog(TMainForm* form) : manual_(form->RadioGroup1Items[kManual]) {
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
      if (!manual_ || manual_->isChecked()) return;
      fired_ = true;
      manual_->click();
    });
    timer_.setSingleShot(true);
    timer_.start(30000);
  }
  bool fired() const { return fired_; }

 private:
  QPointer<QRadioButton> manual_;
  QTimer timer_;
  bool fired_ = false;
};

}  // namespace

class ScanTest : public QObject {
  Q_OBJECT

 private slots:
  // Without a carrier every tick steps 12.5 kHz and tunes "FMN", whatever
  // mode was in use; only while "Scan" is chosen. The pass count shows.
  void scanStepsInFmnWithoutCarrier() {
    ModalWindows watcher;
    auto rig = PcrRig("162.4", "AM");
    TMainForm* form = rig->form.get();
    QCOMPARE(form->TuneModeText, QStringLiteral("AM"));

    // Nothing is chosen at start: a tick only counts. Label1 shows the passes
    // counted when a second has ended, this one included.
    QCOMPARE(form->RadioGroup1ItemIndex(), -1);
    form->Timer1Timer();
    QCOMPARE(form->Label1->text(), QStringLiteral("1"));
    QTest::qWait(1000);
    form->Timer1Timer();
    QCOMPARE(form->Label1->text(), QStringLiteral("2"));
    QCOMPARE(rig->pty.settle(), QByteArray());

    form->RadioGroup1Items[kScan]->click();
    form->Timer1Timer();
    form->Timer1Timer();
    form->Timer1Timer();
    QCOMPARE(rig->pty.settle(), Fmn("0162412500") + Fmn("0162425000") + Fmn("0162437500"));
    QCOMPARE(form->FrequencyEdit->text(), QStringLiteral("  162.43750"));
    QCOMPARE(form->TuneModeText, QStringLiteral("FMN"));
    QCOMPARE(SignalMark(form), QString());

    // "Manual" stops the stepping; a text that is not a number steps nothing
    // and the scan goes on from the next valid one.
    rig->pty.clear();
    form->RadioGroup1Items[kManual]->click();
    form->Timer1Timer();
    form->RadioGroup1Items[kScan]->click();
    form->FrequencyEdit->setText(QStringLiteral("162."));
    form->Timer1Timer();
    QCOMPARE(form->FrequencyEdit->text(), QStringLiteral("162."));
    form->FrequencyEdit->setText(QStringLiteral("162.5"));
    form->Timer1Timer();
    QCOMPARE(rig->pty.settle(), Fmn("0162512500"));
    QCOMPARE(watcher.texts(), QStringList());
  }

  // The check box runs the timer: a real tick a second after it is ticked;
  // any choice in the group unticks it.
  void scanTimerRunsWhileTicked() {
    ModalWindows watcher;
    auto rig = PcrRig("162.4", "FMN");
    TMainForm* form = rig->form.get();
    QVERIFY(!form->Timer1->isActive());
    form->RadioGroup1Items[kScan]->click();
    form->CheckBox1->click();
    QVERIFY(form->Timer1->isActive());
    QCOMPARE(form->Timer1->interval(), 1000);
    QTRY_VERIFY_WITH_TIMEOUT(!rig->pty.received().isEmpty(), 20000);
    QCOMPARE(rig->pty.settle(), Fmn("0162412500"));

    form->RadioGroup1Items[kScan]->click();
    QVERIFY(!form->CheckBox1->isChecked());
    QVERIFY(!form->Timer1->isActive());
    form->CheckBox1->click();
    QVERIFY(form->Timer1->isActive());
    form->CheckBox1->click();
    QVERIFY(!form->Timer1->isActive());
  }

  // A signal holds the scan with "*" shown; Skip forces exactly one step.
  void carrierHoldsTheScanAndSkipStepsOnce() {
    ModalWindows watcher;
    auto rig = PcrRig("162.4", "FMN");
    TMainForm* form = rig->form.get();
    bool carrier = true;
    rig->link.CarrierLineOverride = [&carrier] { return carrier; };
    form->RadioGroup1Items[kScan]->click();

    form->Timer1Timer();
    form->Timer1Timer();
    QCOMPARE(SignalMark(form), QStringLiteral("*"));
    QCOMPARE(form->FrequencyEdit->text(), QStringLiteral("  162.40000"));

    QTest::mouseClick(form->Button12, Qt::LeftButton);
    QVERIFY(form->ScanSkip);
    form->Timer1Timer();
    QCOMPARE(SignalMark(form), QString());
    QVERIFY(!form->ScanSkip);
    form->Timer1Timer();
    QCOMPARE(SignalMark(form), QStringLiteral("*"));
    QCOMPARE(rig->pty.settle(), Fmn("0162412500"));

    // The signal goes: the scan moves on.
    carrier = false;
    form->Timer1Timer();
    QCOMPARE(SignalMark(form), QString());
    QCOMPARE(rig->pty.settle(), Fmn("0162412500") + Fmn("0162425000"));

    // Without a port there is no carrier, whatever the line would say.
    carrier = true;
    form->TogglePortButton->click();
    QVERIFY(!rig->link.portOpen());
    QVERIFY(!rig->link.CarrierDetect());
  }

  // The scan stays between the panel's limits when they are usable, else
  // within the coverage, and wraps to the lower end.
  void scanStaysWithinTheLimits() {
    ModalWindows watcher;
    auto rig = PcrRig("162.4", "FMN");
    TMainForm* form = rig->form.get();
    rig->link.LowestFrequency = 100;
    rig->link.HighestFrequency = 500;
    form->RadioGroup1Items[kScan]->click();
    struct Row {
      const char* name;
      const char* lower;
      const char* upper;
      const char* from;
      const char* to;
    };
    const Row rows[] = {
        {"the upper limit itself is reached", "162.4", "162.55", "162.5375", "  162.55000"},
        {"past the upper limit wraps", "162.4", "162.55", "162.55", "  162.40000"},
        {"below the lower limit starts there", "162.4", "162.55", "150", "  162.40000"},
        {"above the upper limit starts at the lower", "162.4", "162.55", "9999", "  162.40000"},
        {"lower not below upper: coverage", "162.55", "162.4", "499.99", "  100.00000"},
        {"limit not a number: coverage", "162.4", "abc", "499.99", "  100.00000"},
        {"limit outside the coverage: coverage", "50", "162.55", "499.99", "  100.00000"},
        {"within the coverage the step is plain", "", "", "200", "  200.01250"},
    };
    for (const Row& row : rows) {
      form->LowerLimitEdit->setText(QString::fromLatin1(row.lower));
      form->UpperLimitEdit->setText(QString::fromLatin1(row.upper));
      form->FrequencyEdit->setText(QString::fromLatin1(row.from));
      form->Timer1Timer();
      QVERIFY2(form->FrequencyEdit->text() == QLatin1String(row.to), row.name);
    }
    // Every step was sent as shown.
    QCOMPARE(Frames(rig->pty.settle()),
             QList<QByteArray>({Fmn("0162550000"), Fmn("0162400000"), Fmn("0162400000"),
                                Fmn("0162400000"), Fmn("0100000000"), Fmn("0100000000"),
                                Fmn("0100000000"), Fmn("0200012500")}));
  }

  // The search steps 50 kHz a pass in the mode in use, wraps at the upper
  // limit, and runs until "Manual" is chosen while the window stays usable:
  // "Scan" and "Search" chosen meanwhile do not end it.
  void searchStepsUntilManual() {
    ModalWindows watcher;
    auto rig = PcrRig("162.45", "AM");
    TMainForm* form = rig->form.get();
    form->RadioGroup1Items[kScan]->click();
    form->CheckBox1->click();
    QVERIFY(form->Timer1->isActive());

    int stage = 0;
    qsizetype framesAtScan = 0;
    Driver driver([&] {
      const qsizetype frames = Frames(rig->pty.received()).size();
      if (stage == 0 && frames >= 2) {
        QTest::mouseClick(form->RadioGroup1Items[kScan], Qt::LeftButton);
        framesAtScan = frames;
        stage = 1;
      } else if (stage == 1 && frames >= framesAtScan + 2) {
        QTest::mouseClick(form->RadioGroup1Items[kSearch], Qt::LeftButton);
        stage = 2;
      } else if (stage == 2 && frames >= 7) {
        QTest::mouseClick(form->RadioGroup1Items[kManual], Qt::LeftButton);
        return true;
      }
      return false;
    });
    Watchdog watchdog(form);
    QTest::mouseClick(form->RadioGroup1Items[kSearch], Qt::LeftButton);
    QVERIFY(!watchdog.fired());
    // Choosing "Search" stopped the scan timer.
    QVERIFY(!form->Timer1->isActive());
    QCOMPARE(form->RadioGroup1ItemIndex(), kManual);
    QVERIFY(stage == 2);

    const QList<QByteArray> frames = Frames(rig->pty.settle());
    QVERIFY2(frames.size() >= 7, QByteArray::number(frames.size()));
    const QList<QByteArray> expected = {Am("0162500000"), Am("0162550000"), Am("0162400000"),
                                        Am("0162450000")};
    for (qsizetype i = 0; i < frames.size(); ++i) {
      QCOMPARE(frames[i], expected[i % expected.size()]);
    }
    QCOMPARE(form->FrequencyEdit->text().toLatin1(),
             QByteArray("  162.") + frames.last().mid(6, 5));
    QCOMPARE(form->Label1->text().isEmpty(), false);

    // The loop has ended: nothing more is sent.
    rig->pty.clear();
    QTest::qWait(200);
    QCOMPARE(rig->pty.settle(), QByteArray());
    QCOMPARE(watcher.texts(), QStringList());
  }

  // A signal holds the search with "*" shown until it goes; a released port
  // sends nothing, and the search goes on stepping the field.
  void searchHoldsOnCarrierAndGoesOnWithoutPort() {
    ModalWindows watcher;
    auto rig = PcrRig("162.4", "FMN");
    TMainForm* form = rig->form.get();
    bool carrier = true;
    rig->link.CarrierLineOverride = [&carrier] { return carrier; };

    int heldPasses = 0;
    bool markedWhileHeld = true;
    Driver driver([&] {
      if (carrier) {
        if (heldPasses > 0) markedWhileHeld &= SignalMark(form) == QLatin1String("*");
        if (++heldPasses == 10) carrier = false;
        return false;
      }
      if (Frames(rig->pty.received()).size() < 2) return false;
      QTest::mouseClick(form->RadioGroup1Items[kManual], Qt::LeftButton);
      return true;
    });
    Watchdog watchdog(form);
    form->RadioGroup1Items[kSearch]->click();
    QVERIFY(!watchdog.fired());
    QVERIFY(markedWhileHeld);
    QCOMPARE(SignalMark(form), QString());
    const QList<QByteArray> frames = Frames(rig->pty.settle());
    QVERIFY(frames.size() >= 2);
    QCOMPARE(frames[0], Fmn("0162450000"));
    QCOMPARE(frames[1], Fmn("0162500000"));

    rig->pty.clear();
    form->TogglePortButton->click();
    QVERIFY(!rig->link.portOpen());
    carrier = true;  // no port: no carrier
    const QString before = form->FrequencyEdit->text();
    Driver stopper([&] {
      if (form->FrequencyEdit->text() == before) return false;
      QTest::mouseClick(form->RadioGroup1Items[kManual], Qt::LeftButton);
      return true;
    });
    Watchdog secondWatchdog(form);
    form->RadioGroup1Items[kSearch]->click();
    QVERIFY(!secondWatchdog.fired());
    QVERIFY(form->FrequencyEdit->text() != before);
    QCOMPARE(SignalMark(form), QString());
    QCOMPARE(rig->pty.settle(), QByteArray());
    QCOMPARE(watcher.texts(), QStringList());
  }

  // Closing the window or opening a dialog from it ends the search with
  // "Manual" chosen; a window deleted while its events are handled is not
  // touched afterwards.
  void searchEndsWithTheWindow() {
    ModalWindows watcher;
    {
      auto rig = PcrRig("162.4", "FMN");
      TMainForm* form = rig->form.get();
      Driver closer([&] {
        if (Frames(rig->pty.received()).size() < 2) return false;
        form->close();
        return true;
      });
      Watchdog watchdog(form);
      form->RadioGroup1Items[kSearch]->click();
      QVERIFY(!watchdog.fired());
      QCOMPARE(form->RadioGroup1ItemIndex(), kManual);
    }
    {
      auto rig = PcrRig("162.4", "FMN");
      TMainForm* form = rig->form.get();
      Driver opener([&] {
        if (Frames(rig->pty.received()).size() < 2) return false;
        form->About1->trigger();
        return true;
      });
      Watchdog watchdog(form);
      form->RadioGroup1Items[kSearch]->click();
      QVERIFY(!watchdog.fired());
      QCOMPARE(watcher.dialogs(), 1);
      QCOMPARE(form->RadioGroup1ItemIndex(), kManual);
      rig->pty.clear();
      QTest::qWait(200);
      QCOMPARE(rig->pty.settle(), QByteArray());
    }
    {
      auto rig = PcrRig("162.4", "FMN");
      Driver deleter([&] {
        if (Frames(rig->pty.received()).size() < 2) return false;
        rig->form.reset();
        return true;
      });
      rig->form->RadioGroup1Items[kSearch]->click();
      QVERIFY(!rig->form);
      QVERIFY(!rig->link.portOpen());
    }
  }

  // The Tools menu item shows the panel and its status bar with the window
  // grown to hold them, hides them again, and is remembered in the settings
  // file; a window started with the panel shown holds it without growing at
  // every start.
  void menuItemShowsThePanelAndIsRemembered() {
    ModalWindows watcher;
    auto rig = PcrRig("162.4", "FMN");
    TMainForm* form = rig->form.get();
    QVERIFY(!form->ScanandSearch1->isChecked());
    QVERIFY(form->Panel2->isHidden());
    QVERIFY(form->StatusBar1->isHidden());
    QCOMPARE(form->ScanandSearch1->text(), QStringLiteral("&Scan and Search"));
    QCOMPARE(form->ToolsMenu->actions().last(), form->ScanandSearch1);

    // Captions a listener understands.
    QStringList captions;
    for (QRadioButton* item : form->RadioGroup1Items) captions << item->text();
    QCOMPARE(captions, QStringList({"Search", "Scan", "Manual"}));
    QCOMPARE(form->CheckBox1->text(), QStringLiteral("Scan timer"));
    QCOMPARE(form->Button12->text(), QStringLiteral("Skip"));
    QMap<QString, QWidget*> limitLabels;
    for (QLabel* label : form->Panel2->findChildren<QLabel*>()) {
      if (label->buddy()) limitLabels.insert(label->text(), label->buddy());
    }
    QCOMPARE(limitLabels, (QMap<QString, QWidget*>{{"Lower:", form->LowerLimitEdit},
                                                   {"Upper:", form->UpperLimitEdit}}));
    QCOMPARE(form->LowerLimitEdit->text(), QStringLiteral("162.4"));
    QCOMPARE(form->UpperLimitEdit->text(), QStringLiteral("162.55"));

    const QString key = rig->profile() + QStringLiteral("/General/Show Scan Panel");
    auto stored = [&] { return SettingsFile().text(key, QStringLiteral("missing")); };
    QCOMPARE(stored(), QStringLiteral("missing"));

    const int hiddenHeight = form->height();
    form->ScanandSearch1->trigger();
    QVERIFY(form->ScanandSearch1->isChecked());
    QVERIFY(form->Panel2->isVisible());
    QVERIFY(form->StatusBar1->isVisible());
    QVERIFY(form->height() > hiddenHeight);
    QCOMPARE(stored(), QStringLiteral("1"));
    // The whole panel shows, above the status bar.
    QTRY_VERIFY(form->Panel2->geometry().bottom() < form->centralWidget()->height());
    QVERIFY(form->StatusBar1->geometry().top() >=
            form->centralWidget()->mapTo(form, form->Panel2->geometry().bottomLeft()).y());
    const int shownHeight = form->height();

    // Even beside the narrowest top panel every caption shows in full.
    form->ShowFeatures(0);
    form->SizeControlPanel();
    QList<QWidget*> captioned = {form->CheckBox1, form->Button12, form->RadioGroup1};
    for (QRadioButton* item : form->RadioGroup1Items) captioned << item;
    for (QLabel* label : form->Panel2->findChildren<QLabel*>()) captioned << label;
    for (QWidget* control : captioned) {
      QTRY_VERIFY2(
          control->width() >= control->sizeHint().width(),
          qPrintable(control->objectName() + QLatin1Char(' ') + QString::number(control->width())));
      const QRect inPanel(control->mapTo(form->Panel2, QPoint(0, 0)), control->size());
      QVERIFY2(form->Panel2->rect().contains(inPanel), qPrintable(control->objectName()));
    }

    // Hiding the panel stops the scan timer: nothing runs out of sight.
    form->CheckBox1->click();
    QVERIFY(form->Timer1->isActive());
    form->ScanandSearch1->trigger();
    QVERIFY(form->Panel2->isHidden());
    QVERIFY(form->StatusBar1->isHidden());
    QVERIFY(!form->Timer1->isActive());
    QVERIFY(!form->CheckBox1->isChecked());
    QVERIFY(form->height() < shownHeight);
    QTRY_VERIFY(form->Panel1->geometry().bottom() < form->centralWidget()->height());
    QCOMPARE(stored(), QStringLiteral("0"));

    // Shown again at the same height; shown at exit: shown at the next start,
    // at the height it had.
    form->ScanandSearch1->trigger();
    QCOMPARE(form->height(), shownHeight);
    for (int start = 0; start < 2; ++start) {
      rig->form.reset();
      rig->form = std::make_unique<TMainForm>(rig->link);
      rig->form->show();
      QVERIFY(QTest::qWaitForWindowExposed(rig->form.get()));
      form = rig->form.get();
      QVERIFY(form->ScanandSearch1->isChecked());
      QVERIFY(form->Panel2->isVisible());
      QVERIFY(form->StatusBar1->isVisible());
      QCOMPARE(form->height(), shownHeight);
    }
    QCOMPARE(watcher.texts(), QStringList());
  }

  // A profile that says the panel is shown but keeps the height of a window
  // without it starts tall enough to hold it.
  void storedPanelFitsAtStart() {
    ModalWindows watcher;
    auto rig =
        PcrRig("162.4", "FMN", {{"General/Show Scan Panel", "1"}, {"General/Height", "100"}});
    TMainForm* form = rig->form.get();
    QVERIFY(form->Panel2->isVisible());
    QTRY_VERIFY(form->Panel2->geometry().bottom() < form->centralWidget()->height());
  }

  // The pseudo-terminal has no carrier line: the real line reads as absent,
  // and asking does not spoil the port for the writes that follow.
  void realCarrierLineOfAPseudoTerminal() {
    ModalWindows watcher;
    auto rig = PcrRig("162.4", "FMN");
    QVERIFY(rig->link.portOpen());
    QVERIFY(!rig->link.CarrierDetect());
    QVERIFY(!rig->link.CarrierDetect());
    rig->form->RadioGroup1Items[kScan]->click();
    rig->form->Timer1Timer();
    QVERIFY(rig->link.portOpen());
    QCOMPARE(rig->pty.settle(), Fmn("0162412500"));
  }
};

CORVALO_TEST_MAIN_IMPL(ScanTest, QApplication)
#include "tst_scan.moc"
