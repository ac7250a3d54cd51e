// The Channels window as the main window runs it, against a real
// pseudo-terminal and the test's own channel database: Return on a channel
// tunes it with its mode and filter, a channel the radio cannot tune is
// refused with the radio's reason and sends nothing, and one key stores the
// current tuning in the chosen list.

#include <QAction>
#include <QTableView>
#include <QtTest/QtTest>

#include "GuiTestSupport.h"
#include "ModalWindows.h"
#include "TestMain.h"
#include "channels/ChannelStore.h"
#include "dialogs/ChannelsWindow.h"

using namespace guitest;
using namespace testsupport;

namespace {

// A list "Local" holding these channels (frequency, mode, filter), by
// frequency.
void MakeLocalList(const QList<std::tuple<qint64, QString, int>>& rows) {
  channels::ChannelStore store;
  if (const auto old = store.findList(QStringLiteral("Local")); old.ok()) {
    store.deleteList(old.value().id);
  }
  const qint64 list = store.createList(QStringLiteral("Local")).value();
  for (const auto& [hz, mode, filter] : rows) {
    channels::Channel channel;
    channel.listId = list;
    channel.frequencyHz = hz;
    channel.mode = mode;
    channel.filter = filter;
    QVERIFY(store.addChannel(channel).ok());
  }
}

// Selects a row of the Channels window's table and presses Return on it.
void TuneRow(ChannelsWindow* window, int row) {
  auto* table = Find<QTableView>(window, "channels");
  table->setFocus();
  table->selectRow(row);
  table->setCurrentIndex(table->model()->index(row, 0));
  QTest::keyClick(table, Qt::Key_Return);
}

}  // namespace

class ChannelsMainTest : public QObject {
  Q_OBJECT

 private slots:
  void channelsAreTunedThroughTheSession() {
    ModalWindows watcher;
    MakeLocalList({{146'520'000, "FMN", 1}, {150'000'000, "AM2", channels::kNoFilter}});
    Rig rig(6);
    rig.settleAndClear();
    Find<QAction>(rig.form.get(), "Channels1")->trigger();
    auto* window = rig.form->findChild<ChannelsWindow*>();
    QVERIFY(window && window->isVisible());
    QVERIFY(window->selectList(QStringLiteral("Local")));

    // Its frequency and mode, then its own filter (6K) as the PCR1000 takes
    // it: its tuning sent again with the filter field.
    TuneRow(window, 0);
    QCOMPARE(rig.wire(), QByteArray("K00146520000050200\r\nK00146520000050100\r\n"));
    QCOMPARE(rig.c->FrequencyEdit->text(), QStringLiteral("  146.52000"));
    QCOMPARE(rig.c->FilterComboBox->currentText(), QStringLiteral("6K"));
    QCOMPARE(watcher.texts(), QStringList());

    // A mode the radio's command does not carry: its reason, nothing sent.
    rig.pty.clear();
    TuneRow(window, 1);
    QTRY_COMPARE(watcher.texts().size(), 1);
    QVERIFY2(watcher.texts().first().contains(QStringLiteral("AM2")),
             qPrintable(watcher.texts().first()));
    QCOMPARE(rig.wire(), QByteArray());

    // One key in the main window stores the tuning in the chosen list.
    EnterFrequency(rig.form.get(), QStringLiteral("162.4"));
    rig.wire();
    Find<QAction>(rig.form.get(), "AddToChannels1")->trigger();
    channels::ChannelStore store;
    const auto list = store.findList(QStringLiteral("Local"));
    QVERIFY(list.ok());
    QCOMPARE(list.value().channelCount, 3);
    QCOMPARE(store.channels(list.value().id).value().last().frequencyHz, 162'400'000);
    QCOMPARE(watcher.texts().size(), 1);
  }
};

CORVALO_TEST_MAIN_IMPL(ChannelsMainTest, QApplication)
#include "tst_channels_main.moc"
