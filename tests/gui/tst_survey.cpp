// The band survey window against the virtual radio: a sweep draws the
// station where it is (trace and peak hold), with the markers of a chosen
// list; the plot zooms and a click tunes; the levels and the picture are
// written to the data folder; and a sweep of 1,000 steps is cancelled at
// once, with nothing more sent.

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QWheelEvent>
#include <QtTest/QtTest>

#include "GuiTestSupport.h"
#include "ModalWindows.h"
#include "TestMain.h"
#include "VirtualWindow.h"
#include "channels/ChannelStore.h"
#include "components/SurveyPlot.h"
#include "radio/BandSurvey.h"

using namespace guitest;
using namespace testsupport;

namespace {

constexpr qint64 kStation = 150'050'000;

// The survey window of a main window, opened from the Tools menu, with its
// range typed in.
QWidget* OpenSurvey(VirtualWindow& w, const char* from, const char* to, const char* step) {
  w.find<QAction>("BandSurvey1")->trigger();
  w.find<QLineEdit>("surveyFrom")->setText(QString::fromLatin1(from));
  w.find<QLineEdit>("surveyTo")->setText(QString::fromLatin1(to));
  w.find<QLineEdit>("surveyStep")->setText(QString::fromLatin1(step));
  return w.find<QWidget>("SurveyWindow");
}

// The highest place in a column of the picture drawn in a colour close to
// `color`; the plot's bottom when there is none.
int TopOf(const QImage& image, int x, const QColor& color, const QRect& area) {
  for (int y = area.top(); y <= area.bottom(); ++y) {
    const QColor seen = image.pixelColor(x, y);
    if (std::abs(seen.red() - color.red()) + std::abs(seen.green() - color.green()) +
            std::abs(seen.blue() - color.blue()) <
        60) {
      return y;
    }
  }
  return area.bottom();
}

QString WrittenPath(VirtualWindow& w) {
  const QString said = w.find<QLabel>("surveyStatus")->text();
  return said.mid(said.indexOf(QStringLiteral(" to ")) + 4);
}

}  // namespace

class SurveyWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void drawsTheStationAndTunesIt() {
    ModalWindows watcher;
    {
      channels::ChannelStore store;
      const qint64 list = store.createList(QStringLiteral("Weather")).value();
      channels::Channel channel;
      channel.listId = list;
      channel.frequencyHz = kStation;
      channel.mode = QStringLiteral("FMN");
      QVERIFY(store.addChannel(channel).ok());
    }
    VirtualWindow w({QStringLiteral("150.05, FMN, 0, on")});
    QVERIFY2(w.open(), qPrintable(w.startError()));
    QWidget* window = OpenSurvey(w, "150", "150.1", "2.5");
    QVERIFY(QTest::qWaitForWindowExposed(window));
    auto* markers = w.find<QComboBox>("surveyMarkers");
    markers->setCurrentIndex(markers->findText(QStringLiteral("Weather")));
    emit markers->activated(markers->currentIndex());
    w.find<QSpinBox>("surveyThreshold")->setValue(100);

    BandSurvey& survey = w.session.survey();
    w.find<QPushButton>("surveyStart")->click();
    QTRY_VERIFY_WITH_TIMEOUT(survey.sweeps() == 1 && !survey.running(), 20000);
    QVERIFY(w.find<QPushButton>("surveyStart")->isEnabled());

    auto* plot = w.find<SurveyPlot>("SurveyPlot");
    const QImage picture = plot->grab().toImage();
    const QRect area = plot->plotArea();
    const int station = plot->xOf(kStation);
    const int quiet = plot->xOf(150'000'000) + 2;
    // The peak stands high on the station and low on the noise, with the
    // last sweep's fill below it; the list's marker tops the station.
    const int stationTop = TopOf(picture, station, SurveyPlot::peakColor(), area);
    QVERIFY2(stationTop < TopOf(picture, quiet, SurveyPlot::peakColor(), area) - area.height() / 4,
             qPrintable(QString::number(stationTop)));
    QVERIFY(picture.pixelColor(station + 3, stationTop + 8) !=
            plot->palette().color(QPalette::Base));
    QVERIFY(TopOf(picture, station, SurveyPlot::markerColor(), area) <= area.top() + 3);
    // Zoom about the pointer, back, then a click tunes the step under it.
    QWheelEvent wheel(QPointF(station, area.center().y()), plot->mapToGlobal(QPointF(station, 0)),
                      QPoint(), QPoint(0, 2 * QWheelEvent::DefaultDeltasPerStep), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(plot, &wheel);
    QVERIFY(plot->viewToHz() - plot->viewFromHz() < 100'000);
    QVERIFY(plot->viewFromHz() < kStation && kStation < plot->viewToHz());
    w.find<QPushButton>("surveyResetZoom")->click();
    QVERIFY(plot->viewFromHz() < 150'000'000 && plot->viewToHz() > 150'100'000);
    QTest::mouseClick(plot, Qt::LeftButton, {}, QPoint(plot->xOf(kStation), area.center().y()));
    QCOMPARE(w.session.tuning().frequencyText.trimmed(), QStringLiteral("150.05000"));

    w.find<QPushButton>("surveyCsv")->click();
    QFile csv(WrittenPath(w));
    QVERIFY2(csv.open(QIODevice::ReadOnly), qPrintable(csv.fileName()));
    QCOMPARE(csv.readAll().count('\n'), 42);  // the header and 41 steps
    w.find<QPushButton>("surveyPng")->click();
    const QImage png(WrittenPath(w));
    QCOMPARE(png.size(), plot->size());
    QCOMPARE(watcher.unexpectedCount(), 0);
  }

  // A repeated sweep of 1,000 steps: Cancel ends it at once, and nothing
  // more is tuned.
  void cancelsALongSweepAtOnce() {
    ModalWindows watcher;
    VirtualWindow w({QStringLiteral("150.05, FMN, 0, on")});
    QVERIFY2(w.open(), qPrintable(w.startError()));
    OpenSurvey(w, "150", "162.4875", "12.5");
    w.find<QCheckBox>("surveyRepeat")->setChecked(true);
    BandSurvey& survey = w.session.survey();
    QSignalSpy read(&survey, &BandSurvey::pointRead);
    w.find<QPushButton>("surveyStart")->click();
    QCOMPARE(survey.points().size(), size_t(1000));
    QTRY_VERIFY_WITH_TIMEOUT(read.count() >= 5, 10000);
    w.find<QPushButton>("surveyCancel")->click();
    QVERIFY(!survey.running());
    QVERIFY(w.find<QPushButton>("surveyStart")->isEnabled());
    const qsizetype readAtCancel = read.count();
    QVERIFY(WaitSent(w.session));
    const qsizetype tunedAfter = w.tuned().size();
    QTest::qWait(300);
    QCOMPARE(read.count(), readAtCancel);
    QCOMPARE(w.tuned().size(), tunedAfter);
    QCOMPARE(watcher.unexpectedCount(), 0);
  }
};

CORVALO_TEST_MAIN_IMPL(SurveyWindowTest, QApplication)
#include "tst_survey.moc"
