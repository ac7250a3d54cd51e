// Pacing of the radio link: how close each wait the radios need comes to what was
// asked, on the program's side (the wait itself) and on the wire (gaps
// between commands as a pseudo-terminal receives them), and how much CPU the
// program's thread burns while it waits. Prints figures; asserts nothing.
#include <sys/resource.h>

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>
#include <vector>

#include "PseudoTerminal.h"
#include "TestMain.h"
#include "radio/Protocols.h"
#include "radio/RadioLink.h"
#include "settings/SettingsNames.h"
#include "settings/SettingsStore.h"

namespace names = settings_names;
using Clock = std::chrono::steady_clock;

namespace {

double cpuMs(int who) {
  rusage usage{};
  getrusage(who, &usage);
  return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

#ifdef RUSAGE_THREAD
constexpr int kThisThread = RUSAGE_THREAD;
#else
constexpr int kThisThread = RUSAGE_SELF;
#endif

struct Series {
  const char* name;
  double requested;
  std::vector<double> observed;
};

double percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t at = static_cast<size_t>(std::max(0.0, std::ceil(p * v.size()) - 1));
  return v[std::min(at, v.size() - 1)];
}

void printHeader(const char* title) {
  std::printf("\n%s\n", title);
  std::printf("  %-44s %9s %5s %11s %12s %12s\n", "wait", "asked ms", "n", "median ms",
              "median over", "p99 over");
}

void print(const Series& s) {
  std::vector<double> over;
  for (double o : s.observed) over.push_back(o - s.requested);
  std::printf("  %-44s %9.1f %5zu %11.3f %12.3f %12.3f\n", s.name, s.requested, s.observed.size(),
              percentile(s.observed, 0.5), percentile(over, 0.5), percentile(over, 0.99));
}

void configure(SettingsStore& store, const PseudoTerminal& pty, int protocol,
               int commandDelay = 2) {
  SettingsSession session(store);
  store.WriteText(QLatin1String(names::kConnection), QLatin1String(names::kComPort),
                  pty.devicePath());
  store.WriteNumber(QLatin1String(names::kConnection), QLatin1String(names::kProtocol), protocol);
  store.WriteText(QLatin1String(names::kConnection), QLatin1String(names::kAddress),
                  QStringLiteral("80"));
  store.WriteNumber(QLatin1String(names::kPcr1000), QLatin1String(names::kPcr1000CommandDelay),
                    commandDelay);
}

// BusyWait on its own, as the program's thread sees it.
void busyWaits() {
  printHeader("BusyWait on the program's side");
  double cpu = 0;
  double wall = 0;
  for (int ms : {1, 2, 4, 6, 14, 15, 36, 50, 51, 101, 300}) {
    Series s{nullptr, double(ms), {}};
    const QByteArray name = "BusyWait(" + QByteArray::number(ms) + ")";
    s.name = name.constData();
    const int runs = ms <= 15 ? 300 : ms <= 101 ? 60 : 15;
    for (int i = 0; i < runs; ++i) {
      const double c0 = cpuMs(kThisThread);
      const auto t0 = Clock::now();
      RadioLink::BusyWait(ms);
      const double took = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
      cpu += cpuMs(kThisThread) - c0;
      wall += took;
      s.observed.push_back(took);
    }
    print(s);
  }
  std::printf("  CPU of the waiting thread: %.3f ms in %.0f ms of waits (%.3f %% of one core)\n",
              cpu, wall, 100.0 * cpu / wall);
}

constexpr char kOpenCall[] = "open + power-up (incl. settings, port open)";

// Runs `run` repeatedly against a fresh capture and records the wire gaps
// between pairs of byte positions.
struct Gap {
  const char* name;
  double requested;
  qsizetype from;
  qsizetype to;
};

void wireGaps(const char* title, PseudoTerminal& pty, int runs, const std::vector<Gap>& gaps,
              const std::function<void()>& run, double expectedCallMs,
              const char* callName = "whole call (program side)") {
  printHeader(title);
  std::vector<Series> series;
  for (const Gap& g : gaps) series.push_back({g.name, g.requested, {}});
  Series call{callName, expectedCallMs, {}};
  double cpu = 0;
  double wall = 0;
  for (int i = 0; i < runs; ++i) {
    pty.clear();
    const double c0 = cpuMs(kThisThread);
    const auto t0 = Clock::now();
    run();
    const double took = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    cpu += cpuMs(kThisThread) - c0;
    wall += took;
    call.observed.push_back(took);
    pty.settle(15);
    for (size_t k = 0; k < gaps.size(); ++k) {
      series[k].observed.push_back(pty.gapMs(gaps[k].from, gaps[k].to));
    }
  }
  for (const Series& s : series) print(s);
  print(call);
  std::printf("  CPU of the program's thread: %.2f ms in %.0f ms (%.3f %% of one core)\n", cpu,
              wall, 100.0 * cpu / wall);
}

}  // namespace

int main(int argc, char** argv) {
  testsupport::IsolatedEnvironment environment;
  QCoreApplication app(argc, argv);
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  std::printf(
      "Pacing of the radio link (over = observed - asked; wire gaps are stamped by the\n"
      "pseudo-terminal's reader thread, so they include its wake-up latency).\n");

  busyWaits();

  SettingsStore settings(QStringLiteral("pacing"));
  {
    PseudoTerminal pty;
    configure(settings, pty, protocols::kOs456);
    RadioLink link;
    wireGaps(
        "OS456/OS535 power-up", pty, 10,
        {{"power-up -> audio on (300 + more than 100)", 401, 0, 7}},
        [&] { link.OpenRadioLink(settings); }, 401, kOpenCall);
  }
  for (int delay : {2, 10}) {
    PseudoTerminal pty;
    configure(settings, pty, protocols::kPcr1000, delay);
    RadioLink link;
    const double d = delay;
    const QByteArray title = "PCR1000 power-up, command delay " + QByteArray::number(delay);
    wireGaps(
        title.constData(), pty, 40,
        {{"H100 -> H101 (3D)", 3 * d, 0, 6},
         {"H101 -> G300 (3D)", 3 * d, 6, 12},
         {"G300 -> G105 (D)", d, 12, 18},
         {"G105 -> volume (3D, rate switch, 4D, D/4)", 7 * d + delay / 4, 18, 24},
         {"volume -> squelch (D/4)", double(delay / 4), 24, 31}},
        [&] { link.OpenRadioLink(settings); }, 16 * d + 2 * (delay / 4), kOpenCall);
  }
  for (bool answers : {false, true}) {
    PseudoTerminal pty;
    configure(settings, pty, protocols::kBc895Xlt);
    RadioLink link;
    std::vector<Gap> gaps;
    if (answers) {
      gaps = {{"MD -> KEY13 (read limit 1325)", 1325, 0, 3}, {"KEY13 -> KEY01 (2 x 25)", 50, 3, 9}};
    } else {
      gaps = {{"MD -> KEY01 (read limit 1325 + 2 x 25)", 1375, 0, 3}};
    }
    wireGaps(
        answers ? "BC-895XLT power-up, radio answers MD07" : "BC-895XLT power-up, radio silent",
        pty, 4, gaps,
        [&] {
          std::thread radio([&] {
            if (pty.waitFor(3, 3000) == "MD\r" && answers) pty.write("MD07 BC895XLT\r");
          });
          link.OpenRadioLink(settings);
          radio.join();
        },
        1425, kOpenCall);
  }
  {
    PseudoTerminal pty;
    configure(settings, pty, protocols::kIcomCiv);
    RadioLink link;
    link.OpenRadioLink(settings);
    int n = 0;
    wireGaps(
        "Icom CI-V tuning (mode changes every time)", pty, 60,
        {{"frequency frame -> mode frame (15 + more than 50)", 66, 0, 11}},
        [&] {
          link.TuneRadio(QStringLiteral("162.55"),
                         (n++ % 2) ? QStringLiteral("AM") : QStringLiteral("FMN"));
        },
        66);
  }
  {
    PseudoTerminal pty;
    configure(settings, pty, protocols::kOs456);
    RadioLink link;
    link.OpenRadioLink(settings);
    int n = 0;
    wireGaps(
        "OS456/OS535 tuning (mode changes every time)", pty, 60,
        {{"frequency frame -> mode frame (more than 50)", 51, 0, 11}},
        [&] {
          link.TuneRadio(QStringLiteral("162.55"),
                         (n++ % 2) ? QStringLiteral("AM") : QStringLiteral("FMN"));
        },
        51);
  }
  {
    PseudoTerminal pty;
    configure(settings, pty, protocols::kAr8000);
    RadioLink link;
    link.OpenRadioLink(settings);
    wireGaps(
        "AR8000 tuning", pty, 60, {},
        [&] { link.TuneRadio(QStringLiteral("162.55"), QStringLiteral("FMN")); }, 36 + 51);
  }
  return 0;
}
