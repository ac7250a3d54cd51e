// Channel lists: importing 10,000 and 100,000 channels, opening a list of
// 10,000 in the table, filtering it per keystroke, exporting, and how much
// memory an import of 100,000 takes. Prints figures; asserts nothing.
#include <malloc.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

#include "TestMain.h"
#include "channels/ChannelFiles.h"
#include "channels/ChannelStore.h"
#include "channels/ChannelTableModel.h"

using namespace channels;

namespace {

// Kilobytes of the process's resident memory now ("VmRSS") or at its peak
// since the last reset ("VmHWM").
long statusKb(const char* field) {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith(field))
      return line.mid(qstrlen(field) + 1).trimmed().split(' ')[0].toLong();
  }
  return -1;
}

void resetPeak() {
  QFile refs(QStringLiteral("/proc/self/clear_refs"));
  if (refs.open(QIODevice::WriteOnly)) refs.write("5");
}

QList<Channel> makeChannels(int count) {
  static const char* const kModes[] = {"FMN", "AM", "USB", "FMW", "LSB", "CW"};
  static const char* const kTags[] = {"airport", "marine", "weather", "rail", "public safety"};
  QList<Channel> channels;
  channels.reserve(count);
  for (int i = 0; i < count; ++i) {
    Channel channel;
    channel.frequencyHz = 25'000'000 + qint64(i) * 12'500;
    channel.mode = QString::fromLatin1(kModes[i % 6]);
    channel.filter = i % 7 == 0 ? kNoFilter : i % 5;
    channel.name = QStringLiteral("Channel %1 %2").arg(i).arg(kTags[i % 5]);
    channel.tags = NormalizeTags({QString::fromLatin1(kTags[i % 5]), QStringLiteral("bulk")});
    channel.lockout = i % 50 == 0;
    if (i % 3 == 0) channel.comment = QStringLiteral("comment of channel %1").arg(i);
    channels.append(channel);
  }
  return channels;
}

// Milliseconds of CPU time of this thread: unlike the wall clock, hardly
// touched by other work on the machine.
double cpuMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

// Milliseconds of an import of the file into a fresh database.
double timeImport(const QString& folder, const QString& file, int* imported, double* cpuUsed) {
  QFile::remove(folder + QStringLiteral("/bench.sqlite"));
  QFile::remove(folder + QStringLiteral("/bench.sqlite-wal"));
  QFile::remove(folder + QStringLiteral("/bench.sqlite-shm"));
  ChannelStore store(folder + QStringLiteral("/bench.sqlite"));
  QElapsedTimer timer;
  const double cpu = cpuMs();
  timer.start();
  const ImportReport report = ImportFile(store, {file, QStringLiteral("Bench"), {}, false});
  const double ms = timer.nsecsElapsed() / 1e6;
  *cpuUsed = cpuMs() - cpu;
  *imported = report.imported;
  if (!report.ok()) std::printf("  import failed: %s\n", qPrintable(report.summary()));
  return ms;
}

}  // namespace

int main(int argc, char** argv) {
  testsupport::IsolatedEnvironment environment;
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  const QString folder = dir.path();

  std::printf("Channel lists (median of runs; a fresh database for each import)\n\n");
  for (const int count : {10'000, 100'000}) {
    const QList<Channel> channels = makeChannels(count);
    for (const Format format :
         {Format::Corvalo, Format::Gqrx, Format::SdrPlusPlus, Format::Chirp}) {
      const QString file = folder + QStringLiteral("/in-%1.%2").arg(count).arg(FormatKey(format));
      QFile out(file);
      out.open(QIODevice::WriteOnly);
      out.write(WriteChannels(format, channels, nullptr));
      out.close();
      std::vector<double> runs;
      std::vector<double> cpu;
      int imported = 0;
      for (int run = 0; run < (count > 10'000 ? 3 : 5); ++run) {
        double used = 0;
        runs.push_back(timeImport(folder, file, &imported, &used));
        cpu.push_back(used);
      }
      std::printf("import %6d channels, %-20s %8.1f ms (CPU %.1f ms, %d imported)\n", count,
                  qPrintable(FormatTitle(format) + QLatin1Char(':')), median(runs), median(cpu),
                  imported);
    }
  }

  // A database with the 10,000 list and the 100,000 list side by side.
  QFile::remove(folder + QStringLiteral("/bench.sqlite"));
  ChannelStore store(folder + QStringLiteral("/lists.sqlite"));
  store.importRows(
      QStringLiteral("Ten thousand"),
      [](const RowSink& sink) {
        for (const Channel& channel : makeChannels(10'000)) {
          ImportRow row;
          row.channel = channel;
          sink(row);
        }
        return ParseOutcome();
      },
      false);
  const qint64 tenThousand = store.findList(QStringLiteral("Ten thousand")).value().id;

  ChannelTableModel model(store);
  ChannelFilterProxy proxy;
  proxy.setSourceModel(&model);
  proxy.sort(ChannelTableModel::kFrequency);
  std::vector<double> opens;
  std::vector<double> openCpu;
  for (int run = 0; run < 15; ++run) {
    model.setList(0);
    QElapsedTimer timer;
    const double cpu = cpuMs();
    timer.start();
    model.setList(tenThousand);
    opens.push_back(timer.nsecsElapsed() / 1e6);
    openCpu.push_back(cpuMs() - cpu);
  }
  std::printf(
      "\nopen a list of 10,000 (read, table, sorted view): %.1f ms (CPU %.1f ms, %d rows)\n",
      median(opens), median(openCpu), proxy.rowCount());

  std::vector<double> keystrokes;
  const QString typed = QStringLiteral("channel 12 airport");
  for (int round = 0; round < 3; ++round) {
    for (int n = 1; n <= typed.size(); ++n) {
      QElapsedTimer timer;
      timer.start();
      proxy.setSearchText(typed.left(n));
      keystrokes.push_back(timer.nsecsElapsed() / 1e6);
    }
    for (int n = typed.size() - 1; n >= 0; --n) {
      QElapsedTimer timer;
      timer.start();
      proxy.setSearchText(typed.left(n));
      keystrokes.push_back(timer.nsecsElapsed() / 1e6);
    }
  }
  std::printf(
      "filter 10,000 per keystroke (typing and erasing \"%s\"): median %.2f ms, "
      "slowest %.2f ms\n",
      qPrintable(typed), median(keystrokes),
      *std::max_element(keystrokes.begin(), keystrokes.end()));

  for (const Format format : {Format::Corvalo, Format::Gqrx, Format::SdrPlusPlus, Format::Chirp}) {
    std::vector<double> runs;
    for (int run = 0; run < 5; ++run) {
      QElapsedTimer timer;
      timer.start();
      ExportList(store, QStringLiteral("Ten thousand"), folder + QStringLiteral("/out"), format);
      runs.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf("export 10,000 as %-22s %6.1f ms\n", qPrintable(FormatTitle(format) + u':'),
                median(runs));
  }

  // Memory: what importing 100,000 channels adds to the process, at its
  // peak and after, and what showing them in the table adds.
  // Freed memory goes back to the system before each reading, so that what
  // a step keeps is not hidden by what an earlier step freed.
  model.setList(0);
  qint64 shownList = 0;
  for (const Format format : {Format::Corvalo, Format::Gqrx, Format::SdrPlusPlus, Format::Chirp}) {
    const QString file = folder + QStringLiteral("/in-100000.%1").arg(FormatKey(format));
    malloc_trim(0);
    const long before = statusKb("VmRSS:");
    resetPeak();
    const ImportReport report = ImportFile(
        store, {file, QStringLiteral("Hundred thousand ") + FormatKey(format), {}, false});
    const long peak = statusKb("VmHWM:");
    malloc_trim(0);
    const long after = statusKb("VmRSS:");
    std::printf("memory, import of 100,000 from %-20s peak +%5.1f MB, kept +%.1f MB (%d)\n",
                qPrintable(FormatTitle(format) + u':'), (peak - before) / 1024.0,
                std::max(0L, after - before) / 1024.0, report.imported);
    if (format == Format::Corvalo) shownList = store.findList(report.listName).value().id;
  }
  malloc_trim(0);
  const long empty = statusKb("VmRSS:");
  model.setList(shownList);
  malloc_trim(0);
  std::printf("memory, the 100,000 shown in the table: +%.1f MB\n",
              (statusKb("VmRSS:") - empty) / 1024.0);
  return 0;
}
