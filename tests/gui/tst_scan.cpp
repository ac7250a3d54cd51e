// The scan and search panel driven against a real main window and a real
// pseudo-terminal: what each scan tick and each search pass sends, the hold on
// a signal, the skip, the limits and the wrap, ending the search from the
// window, and the Tools menu item that shows the panel and is remembered.
//
// A pseudo-terminal has no carrier-detect line. Where a test needs a signal
// present, the session's carrier-line override stands in for that line.

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
#include <atomic>
#include <optional>

#include "GuiTestSupport.h"
#include "ModalWindows.h"
#include "TestMain.h"
#include "radio/ScanSearch.h"

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

QString SignalMark(const Controls& c) {
  return c.StatusBar1->findChild<QLabel*>(QStringLiteral("StatusPanel1"))->text();
}

// The choice of the panel's group: 0 Search, 1 Scan, 2 Manual, -1 none.
int Chosen(const Controls& c) {
  for (int i = 0; i < 3; ++i) {
    if (c.RadioGroup1Items[i]->isChecked()) return i;
  }
  return -1;
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

// One tick of the scan timer, and what it sends gone out: the tick reads the
// carrier line first and tunes once that answer is back.
void Tick(Rig& rig) {
  rig.session.scan().tick();
  QVERIFY(WaitSent(rig.session));
  QVERIFY(WaitSent(rig.session));
}

// What the carrier-detect line reads now, through the session.
bool Carrier(RadioSession& session) {
  std::optional<bool> carrier;
  session.readCarrier([&carrier](const LinkResult& result) { carrier = result.carrier; });
  if (!QTest::qWaitFor([&carrier] { return carrier.has_value(); }, 5000)) return false;
  return *carrier;
}

// The carrier-detect line of the pseudo-terminal, which has none: a stand-in
// the test raises and drops (read on the link's thread).
class CarrierLine {
 public:
  explicit CarrierLine(RadioSession& session) {
    session.setCarrierLineOverride([this] { return raised_.load(); });
  }
  void set(bool raised) { raised_ = raised; }

 private:
  std::atomic<bool> raised_{false};
};

// Types into a line edit as the operator does.
void Type(QLineEdit* edit, const QString& text) {
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClicks(edit, text);
}

}  // namespace

class ScanTest : public QObject {
  Q_OBJECT

 private slots:
  // Without a carrier every tick steps 12.5 kHz and tunes "FMN", whatever
  // mode was in use; only while "Scan" is chosen. The pass count shows.
  void scanStepsInFmnWithoutCarrier() {
    ModalWindows watcher;
    auto rig = PcrRig("162.4", "AM");
    const Controls& c = *rig->c;
    QCOMPARE(rig->session.tuneModeText(), QStringLiteral("AM"));

    // Nothing is chosen at start: a tick only counts. Label1 shows the passes
    // counted when a second has ended, this one included.
    QCOMPARE(Chosen(c), -1);
    Tick(*rig);
    QCOMPARE(c.Label1->text(), QStringLiteral("1"));
    QTest::qWait(1000);
    Tick(*rig);
    QCOMPARE(c.Label1->text(), QStringLiteral("2"));
    QCOMPARE(rig->wire(), QByteArray());

    c.RadioGroup1Items[kScan]->click();
    Tick(*rig);
    Tick(*rig);
    Tick(*rig);
    QCOMPARE(rig->wire(), Fmn("0162412500") + Fmn("0162425000") + Fmn("0162437500"));
    QCOMPARE(c.FrequencyEdit->text(), QStringLiteral("  162.43750"));
    QCOMPARE(rig->session.tuneModeText(), QStringLiteral("FMN"));
    QCOMPARE(SignalMark(c), QString());

    // "Manual" stops the stepping; a typed text that is not a number steps
    // nothing and the scan goes on from the next valid one.
    rig->pty.clear();
    c.RadioGroup1Items[kManual]->click();
    Tick(*rig);
    c.RadioGroup1Items[kScan]->click();
    Type(c.FrequencyEdit, QStringLiteral("162."));
    Tick(*rig);
    QCOMPARE(c.FrequencyEdit->text(), QStringLiteral("162."));
    Type(c.FrequencyEdit, QStringLiteral("162.5"));
    Tick(*rig);
    QCOMPARE(rig->wire(), Fmn("0162512500"));
    QCOMPARE(watcher.texts(), QStringList());
  }

  // The check box runs the timer: a real tick a second after it is ticked;
  // any choice in the group unticks it.
  void scanTimerRunsWhileTicked() {
    ModalWindows watcher;
    auto rig = PcrRig("162.4", "FMN");
    const Controls& c = *rig->c;
    ScanSearch& scan = rig->session.scan();
    QVERIFY(!scan.timerOn());
    c.RadioGroup1Items[kScan]->click();
    const auto ticked = PseudoTerminal::Clock::now();
    c.CheckBox1->click();
    QVERIFY(scan.timerOn());
    QTRY_VERIFY_WITH_TIMEOUT(!rig->pty.received().isEmpty(), 20000);
    QCOMPARE(rig->pty.settle(), Fmn("0162412500"));
    QVERIFY(rig->pty.arrivalOf(0) - ticked >= std::chrono::milliseconds(ScanSearch::kTickMs));

    c.RadioGroup1Items[kScan]->click();
    QVERIFY(!c.CheckBox1->isChecked());
    QVERIFY(!scan.timerOn());
    c.CheckBox1->click();
    QVERIFY(scan.timerOn());
    c.CheckBox1->click();
    QVERIFY(!scan.timerOn());
  }

  // A signal holds the scan with "*" shown; Skip forces exactly one step.
  void carrierHoldsTheScanAndSkipStepsOnce() {
    ModalWindows watcher;
    auto rig = PcrRig("162.4", "FMN");
    const Controls& c = *rig->c;
    CarrierLine carrier(rig->session);
    carrier.set(true);
    c.RadioGroup1Items[kScan]->click();

    Tick(*rig);
    Tick(*rig);
    QCOMPARE(SignalMark(c), QStringLiteral("*"));
    QCOMPARE(c.FrequencyEdit->text(), QStringLiteral("  162.40000"));

    QTest::mouseClick(c.Button12, Qt::LeftButton);
    Tick(*rig);
    QCOMPARE(SignalMark(c), QString());
    Tick(*rig);
    QCOMPARE(SignalMark(c), QStringLiteral("*"));
    QCOMPARE(rig->wire(), Fmn("0162412500"));

    // The signal goes: the scan moves on.
    carrier.set(false);
    Tick(*rig);
    QCOMPARE(SignalMark(c), QString());
    QCOMPARE(rig->wire(), Fmn("0162412500") + Fmn("0162425000"));

    // Without a port there is no carrier, whatever the line would say.
    carrier.set(true);
    c.TogglePortButton->click();
    QCOMPARE(rig->session.portState(), RadioSession::PortState::Released);
    QVERIFY(!Carrier(rig->session));
  }

  // The scan stays between the panel's limits when they are usable, else
  // within the coverage, and wraps to the lower end.
  void scanStaysWithinTheLimits() {
    ModalWindows watcher;
    auto rig =
        PcrRig("162.4", "FMN",
               {{"Coverage/Lowest Frequency", "100"}, {"Coverage/Highest Frequency", "500"}});
    const Controls& c = *rig->c;
    c.RadioGroup1Items[kScan]->click();
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
      Type(c.LowerLimitEdit, QString::fromLatin1(row.lower));
      Type(c.UpperLimitEdit, QString::fromLatin1(row.upper));
      Type(c.FrequencyEdit, QString::fromLatin1(row.from));
      Tick(*rig);
      QVERIFY2(c.FrequencyEdit->text() == QLatin1String(row.to), row.name);
    }
    // Every step was sent as shown.
    QCOMPARE(Frames(rig->wire()),
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
    const Controls& c = *rig->c;
    c.RadioGroup1Items[kScan]->click();
    c.CheckBox1->click();
    QVERIFY(rig->session.scan().timerOn());

    auto frames = [&] { return Frames(rig->pty.received()).size(); };
    QTest::mouseClick(c.RadioGroup1Items[kSearch], Qt::LeftButton);
    // Choosing "Search" stopped the scan timer.
    QVERIFY(!rig->session.scan().timerOn());
    QTRY_VERIFY(frames() >= 2);
    QTest::mouseClick(c.RadioGroup1Items[kScan], Qt::LeftButton);
    const qsizetype framesAtScan = frames();
    QTRY_VERIFY(frames() >= framesAtScan + 2);
    QTest::mouseClick(c.RadioGroup1Items[kSearch], Qt::LeftButton);
    QTRY_VERIFY(frames() >= 7);
    QTest::mouseClick(c.RadioGroup1Items[kManual], Qt::LeftButton);
    QVERIFY(!rig->session.scan().searching());
    QCOMPARE(Chosen(c), kManual);

    const QList<QByteArray> sent = Frames(rig->wire());
    QVERIFY2(sent.size() >= 7, QByteArray::number(sent.size()));
    const QList<QByteArray> expected = {Am("0162500000"), Am("0162550000"), Am("0162400000"),
                                        Am("0162450000")};
    for (qsizetype i = 0; i < sent.size(); ++i) {
      QCOMPARE(sent[i], expected[i % expected.size()]);
    }
    QCOMPARE(c.FrequencyEdit->text().toLatin1(), QByteArray("  162.") + sent.last().mid(6, 5));
    QCOMPARE(c.Label1->text().isEmpty(), false);

    // The search has ended: nothing more is sent.
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
    const Controls& c = *rig->c;
    CarrierLine carrier(rig->session);
    carrier.set(true);
    c.RadioGroup1Items[kSearch]->click();
    QTRY_COMPARE(SignalMark(c), QStringLiteral("*"));
    QTest::qWait(300);
    QCOMPARE(SignalMark(c), QStringLiteral("*"));
    QCOMPARE(rig->pty.received(), QByteArray());
    carrier.set(false);
    QTRY_VERIFY(Frames(rig->pty.received()).size() >= 2);
    QTest::mouseClick(c.RadioGroup1Items[kManual], Qt::LeftButton);
    QCOMPARE(SignalMark(c), QString());
    const QList<QByteArray> frames = Frames(rig->wire());
    QCOMPARE(frames[0], Fmn("0162450000"));
    QCOMPARE(frames[1], Fmn("0162500000"));

    rig->pty.clear();
    c.TogglePortButton->click();
    QCOMPARE(rig->session.portState(), RadioSession::PortState::Released);
    carrier.set(true);  // no port: no carrier
    const QString before = c.FrequencyEdit->text();
    c.RadioGroup1Items[kSearch]->click();
    QTRY_VERIFY(c.FrequencyEdit->text() != before);
    QTest::mouseClick(c.RadioGroup1Items[kManual], Qt::LeftButton);
    QCOMPARE(SignalMark(c), QString());
    QCOMPARE(rig->wire(), QByteArray());
    QCOMPARE(rig->session.portState(), RadioSession::PortState::Released);
    QCOMPARE(watcher.texts(), QStringList());
  }

  // Closing the window or opening a dialog from it ends the search with
  // "Manual" chosen, and nothing more is sent.
  void searchEndsWithTheWindow() {
    ModalWindows watcher;
    {
      auto rig = PcrRig("162.4", "FMN");
      const Controls& c = *rig->c;
      c.RadioGroup1Items[kSearch]->click();
      QTRY_VERIFY(Frames(rig->pty.received()).size() >= 2);
      rig->form->close();
      QCOMPARE(Chosen(c), kManual);
      QVERIFY(!rig->session.scan().searching());
    }
    {
      auto rig = PcrRig("162.4", "FMN");
      const Controls& c = *rig->c;
      c.RadioGroup1Items[kSearch]->click();
      QTRY_VERIFY(Frames(rig->pty.received()).size() >= 2);
      c.About1->trigger();
      QCOMPARE(watcher.dialogs(), 1);
      QCOMPARE(Chosen(c), kManual);
      rig->wire();
      rig->pty.clear();
      QTest::qWait(200);
      QCOMPARE(rig->pty.settle(), QByteArray());
    }
    {
      // The window goes while the search runs: the session ends the search
      // and closes the port.
      auto rig = PcrRig("162.4", "FMN");
      rig->c->RadioGroup1Items[kSearch]->click();
      QTRY_VERIFY(Frames(rig->pty.received()).size() >= 2);
      rig->form.reset();
      QVERIFY(!rig->session.scan().searching());
      const QByteArray atClose = rig->pty.settle();
      QTest::qWait(200);
      QCOMPARE(rig->pty.settle(), atClose);
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
    const Controls& c = *rig->c;
    QVERIFY(!c.ScanandSearch1->isChecked());
    QVERIFY(c.Panel2->isHidden());
    QVERIFY(c.StatusBar1->isHidden());
    QCOMPARE(c.ScanandSearch1->text(), QStringLiteral("&Scan and Search"));
    QCOMPARE(c.ToolsMenu->actions().last(), c.ScanandSearch1);

    // Captions a listener understands.
    QStringList captions;
    for (QRadioButton* item : c.RadioGroup1Items) captions << item->text();
    QCOMPARE(captions, QStringList({"Search", "Scan", "Manual"}));
    QCOMPARE(c.CheckBox1->text(), QStringLiteral("Scan timer"));
    QCOMPARE(c.Button12->text(), QStringLiteral("Skip"));
    QMap<QString, QWidget*> limitLabels;
    for (QLabel* label : c.Panel2->findChildren<QLabel*>()) {
      if (label->buddy()) limitLabels.insert(label->text(), label->buddy());
    }
    QCOMPARE(limitLabels,
             (QMap<QString, QWidget*>{{"Lower:", c.LowerLimitEdit}, {"Upper:", c.UpperLimitEdit}}));
    QCOMPARE(c.LowerLimitEdit->text(), QStringLiteral("162.4"));
    QCOMPARE(c.UpperLimitEdit->text(), QStringLiteral("162.55"));

    const QString key = rig->profile() + QStringLiteral("/General/Show Scan Panel");
    auto stored = [&] { return SettingsFile().text(key, QStringLiteral("missing")); };
    QCOMPARE(stored(), QStringLiteral("missing"));

    const int hiddenHeight = form->height();
    c.ScanandSearch1->trigger();
    QVERIFY(c.ScanandSearch1->isChecked());
    QVERIFY(c.Panel2->isVisible());
    QVERIFY(c.StatusBar1->isVisible());
    QVERIFY(form->height() > hiddenHeight);
    QCOMPARE(stored(), QStringLiteral("1"));
    // The whole panel shows, above the status bar.
    QTRY_VERIFY(c.Panel2->geometry().bottom() < form->centralWidget()->height());
    QVERIFY(c.StatusBar1->geometry().top() >=
            form->centralWidget()->mapTo(form, c.Panel2->geometry().bottomLeft()).y());
    const int shownHeight = form->height();

    // Hiding the panel stops the scan timer: nothing runs out of sight.
    c.CheckBox1->click();
    QVERIFY(rig->session.scan().timerOn());
    c.ScanandSearch1->trigger();
    QVERIFY(c.Panel2->isHidden());
    QVERIFY(c.StatusBar1->isHidden());
    QVERIFY(!rig->session.scan().timerOn());
    QVERIFY(!c.CheckBox1->isChecked());
    QVERIFY(form->height() < shownHeight);
    QTRY_VERIFY(c.Panel1->geometry().bottom() < form->centralWidget()->height());
    QCOMPARE(stored(), QStringLiteral("0"));

    // Shown again at the same height; shown at exit: shown at the next start,
    // at the height it had.
    c.ScanandSearch1->trigger();
    QCOMPARE(form->height(), shownHeight);
    rig->form.reset();
    for (int start = 0; start < 2; ++start) {
      RadioSession session(rig->store);
      TMainForm again(session, rig->store);
      again.show();
      QVERIFY(QTest::qWaitForWindowExposed(&again));
      const Controls shown(&again);
      QVERIFY(shown.ScanandSearch1->isChecked());
      QVERIFY(shown.Panel2->isVisible());
      QVERIFY(shown.StatusBar1->isVisible());
      QCOMPARE(again.height(), shownHeight);
    }
    QCOMPARE(watcher.texts(), QStringList());
  }

  // A profile that says the panel is shown but keeps the height of a window
  // without it starts tall enough to hold it; even beside the narrowest top
  // panel (every feature hidden) each caption shows in full.
  void storedPanelFitsAtStart() {
    ModalWindows watcher;
    QMap<QString, QString> values = {{"General/Show Scan Panel", "1"}, {"General/Height", "100"}};
    const QMap<QString, QString> features = AllFeatures();
    for (auto it = features.cbegin(); it != features.cend(); ++it) {
      values.insert(it.key(), QStringLiteral("0"));
    }
    auto rig = PcrRig("162.4", "FMN", values);
    TMainForm* form = rig->form.get();
    const Controls& c = *rig->c;
    QVERIFY(c.Panel2->isVisible());
    QTRY_VERIFY(c.Panel2->geometry().bottom() < form->centralWidget()->height());
    QList<QWidget*> captioned = {c.CheckBox1, c.Button12, c.RadioGroup1};
    for (QRadioButton* item : c.RadioGroup1Items) captioned << item;
    for (QLabel* label : c.Panel2->findChildren<QLabel*>()) captioned << label;
    for (QWidget* control : captioned) {
      QTRY_VERIFY2(
          control->width() >= control->sizeHint().width(),
          qPrintable(control->objectName() + QLatin1Char(' ') + QString::number(control->width())));
      const QRect inPanel(control->mapTo(c.Panel2, QPoint(0, 0)), control->size());
      QVERIFY2(c.Panel2->rect().contains(inPanel), qPrintable(control->objectName()));
    }
  }

  // The pseudo-terminal has no carrier line: the real line reads as absent,
  // and asking does not spoil the port for the writes that follow.
  void realCarrierLineOfAPseudoTerminal() {
    ModalWindows watcher;
    auto rig = PcrRig("162.4", "FMN");
    QCOMPARE(rig->session.portState(), RadioSession::PortState::Open);
    QVERIFY(!Carrier(rig->session));
    QVERIFY(!Carrier(rig->session));
    rig->c->RadioGroup1Items[kScan]->click();
    Tick(*rig);
    QCOMPARE(rig->session.portState(), RadioSession::PortState::Open);
    QCOMPARE(rig->wire(), Fmn("0162412500"));
  }
};

CORVALO_TEST_MAIN_IMPL(ScanTest, QApplication)
#include "tst_scan.moc"
