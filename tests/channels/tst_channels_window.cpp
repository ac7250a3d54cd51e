#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest/QtTest>
#include <memory>

#include "ChannelTestSupport.h"
#include "ModalWindows.h"
#include "TestMain.h"
#include "channels/ChannelStore.h"
#include "dialogs/ChannelsWindow.h"

using namespace channels;
using channeltest::MakeChannel;
using testsupport::ModalWindows;

namespace {

// A radio with AM, FMN and USB, filters, and a coverage of 0.1 to 1300 MHz;
// it records what it was asked to tune.
class TestHost : public ChannelsHost {
 public:
  Tuning tuning{145'500'000, QStringLiteral("FMN"), 2};
  QList<Channel> tuned;

  Tuning currentTuning() const override { return tuning; }
  Capabilities capabilities() const override {
    return {{QStringLiteral("AM"), QStringLiteral("FMN"), QStringLiteral("USB")},
            true,
            100'000,
            1'300'000'000};
  }
  QString refusal(const Channel& channel) const override {
    return CapabilityRefusal(channel, capabilities());
  }
  QString tune(const Channel& channel) override {
    tuned.append(channel);
    return QString();
  }
};

}  // namespace

// The Channels window under the offscreen platform, on a real database:
// search, sort, editing in place, tuning, delete and undo, import.
class ChannelsWindowTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  std::unique_ptr<ChannelStore> store_;
  std::unique_ptr<TestHost> host_;
  std::unique_ptr<ChannelsWindow> window_;
  std::unique_ptr<ModalWindows> modals_;

  QTableView* table() const { return window_->findChild<QTableView*>(QStringLiteral("channels")); }
  QLineEdit* search() const { return window_->findChild<QLineEdit*>(QStringLiteral("search")); }

  // The names in the table, top to bottom.
  QStringList shownNames() const {
    QStringList names;
    const QAbstractItemModel* model = table()->model();
    for (int row = 0; row < model->rowCount(); ++row) {
      names.append(model->index(row, ChannelTableModel::kName).data().toString());
    }
    return names;
  }

  int rowOf(const QString& name) const { return shownNames().indexOf(name); }

  // A double click as the mouse makes it: press, release, then the double click.
  void doubleClick(int row) {
    const QPoint at = table()->visualRect(table()->model()->index(row, 0)).center();
    QTest::mouseClick(table()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(table()->viewport(), Qt::LeftButton, {}, at);
  }

  void trigger(const QString& text) {
    for (QAction* action : window_->findChildren<QAction*>()) {
      if (action->text() == text) {
        action->trigger();
        return;
      }
    }
    QFAIL(qPrintable(QStringLiteral("no action ") + text));
  }

 private slots:
  void init() {
    QFile::remove(dir_.filePath(QStringLiteral("channels.sqlite")));
    store_ = std::make_unique<ChannelStore>(dir_.filePath(QStringLiteral("channels.sqlite")));
    const qint64 air = store_->createList(QStringLiteral("Air")).value();
    for (Channel channel : {MakeChannel(118'100'000, "AM", "Tower", {"airport"}),
                            MakeChannel(121'500'000, "AM", "Guard", {"emergency"}),
                            MakeChannel(124'350'000, "AM", "ATIS", {"airport", "weather"}),
                            MakeChannel(1'500'000'000, "AM", "Beyond coverage"),
                            MakeChannel(100'100'000, "FMW", "Broadcast")}) {
      channel.listId = air;
      QVERIFY(store_->addChannel(channel));
    }
    host_ = std::make_unique<TestHost>();
    // A progress dialog is left to the import; every other window is answered.
    modals_ = std::make_unique<ModalWindows>([](QDialog* dialog) {
      if (qobject_cast<QProgressDialog*>(dialog) == nullptr) dialog->reject();
    });
    window_ = std::make_unique<ChannelsWindow>(*store_, *host_);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
  }

  void cleanup() {
    window_.reset();
    modals_.reset();
    store_.reset();
  }

  void searchFiltersAsOneTypes_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("name, any case") << "TOW" << QStringList{"Tower"};
    QTest::newRow("frequency in MHz") << "121.5" << QStringList{"Guard"};
    QTest::newRow("frequency in Hz") << "1243500" << QStringList{"ATIS"};
    QTest::newRow("tag") << "airport" << QStringList{"Tower", "ATIS"};
    QTest::newRow("nothing matches") << "zzz" << QStringList();
  }
  void searchFiltersAsOneTypes() {
    QFETCH(QString, typed);
    QFETCH(QStringList, shown);
    QTest::keyClicks(search(), typed);
    QCOMPARE(shownNames(), shown);
    search()->clear();
    QCOMPARE(shownNames().size(), 5);
  }

  void sortsByColumn() {
    QCOMPARE(shownNames(), QStringList({"Broadcast", "Tower", "Guard", "ATIS", "Beyond coverage"}));
    table()->sortByColumn(ChannelTableModel::kName, Qt::AscendingOrder);
    QCOMPARE(shownNames(), QStringList({"ATIS", "Beyond coverage", "Broadcast", "Guard", "Tower"}));
    table()->sortByColumn(ChannelTableModel::kFrequency, Qt::DescendingOrder);
    QCOMPARE(shownNames().first(), QStringLiteral("Beyond coverage"));
  }

  // Typed into the cell's editor: a bad frequency is refused with the
  // program's message and the channel keeps what it had.
  void inlineEditChecksWhatIsTyped_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("message");
    QTest::newRow("bad frequency") << int(ChannelTableModel::kFrequency) << "121,6"
                                   << "121.50000"
                                   << "Not a valid frequency.";
    QTest::newRow("zero frequency") << int(ChannelTableModel::kFrequency) << "0"
                                    << "121.50000"
                                    << "Not a valid frequency.";
    QTest::newRow("good frequency") << int(ChannelTableModel::kFrequency) << "121.6"
                                    << "121.60000"
                                    << "";
    QTest::newRow("mode the radio lacks") << int(ChannelTableModel::kMode) << "FMW"
                                          << "AM"
                                          << "The radio has no FMW mode.";
    QTest::newRow("unknown filter") << int(ChannelTableModel::kFilter) << "9K"
                                    << ""
                                    << "\"9K\" is not a filter (3K, 6K, 15K, 50K, 230K or none).";
    QTest::newRow("tags") << int(ChannelTableModel::kTags) << "sar, emergency, sar"
                          << "emergency, sar"
                          << "";
  }
  void inlineEditChecksWhatIsTyped() {
    QFETCH(int, column);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, message);
    const QModelIndex cell = table()->model()->index(rowOf(QStringLiteral("Guard")), column);
    if (column == ChannelTableModel::kFrequency || column == ChannelTableModel::kTags) {
      table()->setFocus();
      table()->setCurrentIndex(cell);
      QTest::keyClick(table(), Qt::Key_F2);
      auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
      QVERIFY(editor != nullptr);
      editor->selectAll();
      QTest::keyClicks(editor, typed);
      QTest::keyClick(editor, Qt::Key_Return);
    } else {
      table()->model()->setData(cell, typed);
    }
    if (!message.isEmpty()) QVERIFY(modals_->waitForSeen(1));
    QTest::qWait(50);  // a queued refusal would have come by now
    QCOMPARE(modals_->texts(), message.isEmpty() ? QStringList() : QStringList{message});
    const int row = rowOf(QStringLiteral("Guard"));
    QCOMPARE(table()->model()->index(row, column).data().toString(), shown);
    const Channel stored = store_->channelsWithTag(QStringLiteral("emergency")).value().value(0);
    QCOMPARE(FormatMhz(stored.frequencyHz),
             column == ChannelTableModel::kFrequency ? shown : QStringLiteral("121.50000"));
  }

  // Double click and Return tune the channel through the host; a channel
  // the radio cannot tune is refused with the reason and never handed over.
  void tunesOnDoubleClickAndReturn() {
    doubleClick(rowOf(QStringLiteral("Guard")));
    QCOMPARE(host_->tuned.size(), 1);
    QCOMPARE(host_->tuned.first(), store_->channelsWithTag(QStringLiteral("emergency")).value()[0]);

    table()->setFocus();
    table()->setCurrentIndex(table()->model()->index(rowOf(QStringLiteral("ATIS")), 0));
    QTest::keyClick(table(), Qt::Key_Return);
    QCOMPARE(host_->tuned.size(), 2);
    QCOMPARE(host_->tuned.last().frequencyHz, 124'350'000);

    for (const char* refused : {"Beyond coverage", "Broadcast"}) {
      const QModelIndex cell = table()->model()->index(rowOf(QString::fromLatin1(refused)), 0);
      QVERIFY(!cell.data(Qt::ToolTipRole).toString().isEmpty());
      doubleClick(cell.row());
    }
    QVERIFY(modals_->waitForSeen(2));
    QCOMPARE(modals_->texts(),
             QStringList({"1500.00000 MHz is outside the radio's coverage (0.10000 to 1300.00000 "
                          "MHz).",
                          "The radio has no FMW mode."}));
    QCOMPARE(host_->tuned.size(), 2);
  }

  void deleteUndoAndAddCurrentTuning() {
    const qint64 air = window_->currentListId();
    table()->selectRow(rowOf(QStringLiteral("Tower")));
    trigger(QStringLiteral("&Delete"));
    QCOMPARE(shownNames().size(), 4);
    QCOMPARE(store_->channels(air).value().size(), 4);
    trigger(QStringLiteral("&Undo Delete"));
    QCOMPARE(shownNames().size(), 5);
    QCOMPARE(store_->channelsWithTag(QStringLiteral("airport")).value().first().name,
             QStringLiteral("Tower"));

    window_->addCurrentTuning();
    QCOMPARE(shownNames().size(), 6);
    const Channel added = store_->channels(air).value().at(4);  // by frequency
    QCOMPARE(added.frequencyHz, 145'500'000);
    QCOMPARE(added.mode, QStringLiteral("FMN"));
    QCOMPARE(added.filter, 2);
  }

  // A file with a bad row imports nothing at first; the operator's "Skip Bad
  // Rows" imports the rest, all on the import's own thread.
  void importsOffTheWindowsThread() {
    const QString path = dir_.filePath(QStringLiteral("marine.csv"));
    channeltest::WriteFile(path,
                           "# Tag name ; color\n\n"
                           "156800000; Ch 16; Narrow FM; 10000; distress\n"
                           "abc; Bad; Narrow FM; 10000;\n"
                           "156300000; Ch 6; Narrow FM; 10000;\n");
    QSignalSpy finished(window_.get(), &ChannelsWindow::importFinished);
    modals_->expect([](QWidget* window) {
      auto* box = qobject_cast<QMessageBox*>(window);
      for (QAbstractButton* button : box->buttons()) {
        if (button->text() == QLatin1String("Skip Bad Rows")) button->click();
      }
    });
    window_->startImport(path, QStringLiteral("Marine"));
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, 20000);
    const auto first = finished.at(0).at(0).value<ImportReport>();
    QCOMPARE(first.imported, 0);
    QCOMPARE(first.problems.value(0).line, 4);
    QCOMPARE(finished.at(1).at(0).value<ImportReport>().imported, 2);
    QVERIFY(modals_->texts().first().startsWith("Nothing was imported"));
    QCOMPARE(shownNames(), QStringList({"Ch 6", "Ch 16"}));
    QVERIFY(window_->findChild<QListWidget*>(QStringLiteral("lists"))
                ->currentItem()
                ->text()
                .startsWith("Marine"));
  }
};

CORVALO_TEST_MAIN_IMPL(ChannelsWindowTest, QApplication)
#include "tst_channels_window.moc"
