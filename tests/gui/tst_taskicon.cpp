// The tray icon component against a recording shell: what reaches the
// notification area and when, and which mouse actions raise which events.

#include <QCursor>
#include <QPainter>
#include <QPixmap>
#include <QtTest/QtTest>
#include <memory>

#include "TestMain.h"
#include "components/TaskIcon.h"

namespace {

struct ShellCall {
  QString what;  // "add", "modify", "delete"
  TrayEntry entry;
};

// Records every call; accepts or refuses as the test says.
class RecordingShell : public TrayShell {
 public:
  explicit RecordingShell(std::shared_ptr<QList<ShellCall>> log) : log_(std::move(log)) {}
  bool Add(const TrayEntry& e) override { return record("add", e); }
  bool Modify(const TrayEntry& e) override { return record("modify", e); }
  bool Delete(const TrayEntry& e) override { return record("delete", e); }
  bool accept = true;

 private:
  bool record(const char* what, const TrayEntry& e) {
    log_->append({QString::fromLatin1(what), e});
    return accept;
  }
  std::shared_ptr<QList<ShellCall>> log_;
};

QIcon Colour(Qt::GlobalColor colour) {
  QPixmap pixmap(15, 15);
  pixmap.fill(colour);
  return QIcon(pixmap);
}

}  // namespace

class TaskIconTest : public QObject {
  Q_OBJECT

  std::shared_ptr<QList<ShellCall>> log_;
  RecordingShell* shell_ = nullptr;

  std::unique_ptr<TTaskIcon> makeIcon() {
    log_ = std::make_shared<QList<ShellCall>>();
    auto shell = std::make_unique<RecordingShell>(log_);
    shell_ = shell.get();
    return std::make_unique<TTaskIcon>(nullptr, std::move(shell));
  }

  QStringList calls() const {
    QStringList list;
    for (const ShellCall& c : *log_) list << c.what;
    return list;
  }

 private slots:
  void enablingAddsAndRemovesOnce() {
    auto icon = makeIcon();
    QVERIFY(!icon->Enabled());
    icon->SetEnabled(false);  // the value it has: nothing reaches the shell
    QCOMPARE(calls(), QStringList());
    icon->SetEnabled(true);
    QVERIFY(icon->Enabled());
    icon->SetEnabled(true);
    QCOMPARE(calls(), QStringList({"add"}));
    icon->SetEnabled(false);
    QVERIFY(!icon->Enabled());
    QCOMPARE(calls(), QStringList({"add", "delete"}));
  }

  void refusedCallsLeaveEnabledAsItWas() {
    auto icon = makeIcon();
    shell_->accept = false;  // a desktop without a notification area
    icon->SetEnabled(true);
    QVERIFY(!icon->Enabled());
    shell_->accept = true;
    icon->SetEnabled(true);
    shell_->accept = false;
    icon->SetEnabled(false);
    QVERIFY(icon->Enabled());
    // Refused modifies are ignored.
    icon->SetHint(QStringLiteral("x"));
    icon->UpdateIcon();
    QVERIFY(icon->Enabled());
  }

  void destructionRemovesARegisteredIcon() {
    {
      auto icon = makeIcon();
      icon->SetEnabled(true);
    }
    QCOMPARE(calls(), QStringList({"add", "delete"}));
    {
      auto icon = makeIcon();  // never registered: nothing to remove
    }
    QCOMPARE(calls(), QStringList());
  }

  // The hint reaches the shell only through UpdateIcon, cut to 63
  // characters; a new picture or identifier is passed on at once.
  void hintIconAndIdentifierReachTheShell() {
    auto icon = makeIcon();
    icon->SetIcon(Colour(Qt::red));  // not registered: nothing sent
    QCOMPARE(calls(), QStringList());
    icon->SetEnabled(true);
    const QString longHint = QStringLiteral("Corvalo [") + QString(70, QLatin1Char('9')) + "]";
    icon->SetHint(longHint);
    QCOMPARE(calls(), QStringList({"add"}));
    icon->UpdateIcon();
    QCOMPARE(log_->last().what, QStringLiteral("modify"));
    QCOMPARE(log_->last().entry.tip, longHint.left(63));
    QCOMPARE(log_->last().entry.tip.size(), 63);
    QCOMPARE(icon->Hint(), longHint);  // the component keeps the whole text

    icon->SetIcon(Colour(Qt::green));
    QCOMPARE(log_->last().what, QStringLiteral("modify"));
    QCOMPARE(log_->last().entry.icon.pixmap(15, 15).toImage().pixelColor(7, 7), QColor(Qt::green));

    const qsizetype before = log_->size();
    icon->SetTaskIconID(0);  // unchanged
    QCOMPARE(log_->size(), before);
    icon->SetTaskIconID(4);
    QCOMPARE(log_->last().entry.id, 4);
    QCOMPARE(icon->TaskIconID(), 4);
  }

  void mouseActionsRaiseTheirEvents() {
    auto icon = makeIcon();
    icon->SetEnabled(true);
    QStringList events;
    QPoint at;
    icon->OnClick = [&](QObject* sender) {
      QCOMPARE(sender, icon.get());
      events << "click";
    };
    icon->OnDblClick = [&](QObject*) { events << "dblclick"; };
    icon->OnRightClick = [&](QObject*, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x,
                             int y) {
      QCOMPARE(button, Qt::RightButton);
      QCOMPARE(shift, Qt::NoModifier);
      at = QPoint(x, y);
      events << "right";
    };

    shell_->activated(QSystemTrayIcon::Trigger);
    QCOMPARE(events, QStringList({"click"}));

    // A double-click: the first release is a click; the second release
    // arrives as the double-click and still counts as a click first.
    events.clear();
    shell_->activated(QSystemTrayIcon::Trigger);
    shell_->activated(QSystemTrayIcon::DoubleClick);
    QCOMPARE(events, QStringList({"click", "click", "dblclick"}));

    events.clear();
    QCursor::setPos(QPoint(123, 45));
    shell_->activated(QSystemTrayIcon::Context);
    QCOMPARE(events, QStringList({"right"}));
    QCOMPARE(at, QCursor::pos());

    events.clear();
    shell_->activated(QSystemTrayIcon::MiddleClick);
    shell_->activated(QSystemTrayIcon::Unknown);
    QCOMPARE(events, QStringList());
  }

  void eventsWithoutHandlersAreSkipped() {
    auto icon = makeIcon();
    shell_->activated(QSystemTrayIcon::Trigger);
    shell_->activated(QSystemTrayIcon::DoubleClick);
    shell_->activated(QSystemTrayIcon::Context);
    QVERIFY(true);
  }

  // The desktop's own shell: with no notification area (as here, offscreen)
  // the icon is simply not added and the program goes on.
  void desktopWithoutNotificationArea() {
    if (QSystemTrayIcon::isSystemTrayAvailable()) QSKIP("this desktop has a notification area");
    TTaskIcon icon;
    icon.SetHint(QStringLiteral("Corvalo for the PCR1000"));
    icon.SetEnabled(true);
    QVERIFY(!icon.Enabled());
    icon.UpdateIcon();
    QCOMPARE(icon.Hint(), QStringLiteral("Corvalo for the PCR1000"));
  }
};

CORVALO_TEST_MAIN_IMPL(TaskIconTest, QApplication)
#include "tst_taskicon.moc"
