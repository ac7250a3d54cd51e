// The radio link through a serial server: the wire gaps of the pacing
// benchmark measured at a pseudo-terminal shared by a real ser2net on
// loopback (RFC 2217 and raw TCP) beside the same pseudo-terminal opened
// locally; what the network path adds to a command's trip and to a reply's
// round trip; the time an open takes; and how long each fault takes to be
// reported. Prints figures; asserts nothing.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <thread>
#include <vector>

#include "PseudoTerminal.h"
#include "Ser2Net.h"
#include "TestMain.h"
#include "radio/Protocols.h"
#include "radio/RadioLink.h"
#include "radio/Transport.h"
#include "settings/SettingsNames.h"
#include "settings/SettingsStore.h"

namespace names = settings_names;
using Clock = std::chrono::steady_clock;

namespace {

double msBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

double percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t at = static_cast<size_t>(std::max(0.0, std::ceil(p * v.size()) - 1));
  return v[std::min(at, v.size() - 1)];
}

// The three ways to the same pseudo-terminal.
struct Path {
  const char* name;
  QString port;
};

void configure(SettingsStore& store, const QString& port, int protocol, int commandDelay = 2) {
  SettingsSession session(store);
  store.WriteText(QLatin1String(names::kConnection), QLatin1String(names::kComPort), port);
  store.WriteNumber(QLatin1String(names::kConnection), QLatin1String(names::kProtocol), protocol);
  store.WriteText(QLatin1String(names::kConnection), QLatin1String(names::kAddress),
                  QStringLiteral("80"));
  store.WriteNumber(QLatin1String(names::kPcr1000), QLatin1String(names::kPcr1000CommandDelay),
                    commandDelay);
}

// ser2net releases the device a moment after a connection closes: the next
// kind of port on the same device must not find it still in use.
void releaseDevice() { std::this_thread::sleep_for(std::chrono::seconds(1)); }

struct Gap {
  const char* name;
  double asked;
  qsizetype from;
  qsizetype to;
};

// Runs `run` `runs` times per path and prints, per gap, the median and 99th
// percentile of (observed - asked) for each path side by side.
void gaps(SettingsStore& settings, const char* title, PseudoTerminal& pty,
          const std::vector<Path>& paths, int protocol, int runs, const std::vector<Gap>& list,
          bool openEachRun, const std::function<void(RadioLink&, int)>& run) {
  std::printf("\n%s (%d runs; over = observed - asked, ms: median / p99)\n", title, runs);
  std::printf("  %-40s %6s", "gap", "asked");
  for (const Path& p : paths) std::printf(" %17s", p.name);
  std::printf("\n");
  std::vector<std::vector<std::vector<double>>> over(
      list.size(), std::vector<std::vector<double>>(paths.size()));
  for (size_t k = 0; k < paths.size(); ++k) {
    configure(settings, paths[k].port, protocol);
    RadioLink link;
    if (!openEachRun) link.OpenRadioLink(settings);
    pty.settle(30);
    for (int i = 0; i < runs; ++i) {
      pty.clear();
      if (openEachRun) link.OpenRadioLink(settings);
      run(link, i);
      pty.settle(15);
      for (size_t g = 0; g < list.size(); ++g) {
        over[g][k].push_back(pty.gapMs(list[g].from, list[g].to) - list[g].asked);
      }
    }
    link.CloseRadioLink(settings);
    releaseDevice();
  }
  for (size_t g = 0; g < list.size(); ++g) {
    std::printf("  %-40s %6.0f", list[g].name, list[g].asked);
    for (size_t k = 0; k < paths.size(); ++k) {
      std::printf("   %6.2f / %6.2f", percentile(over[g][k], 0.5), percentile(over[g][k], 0.99));
    }
    std::printf("\n");
  }
}

// From the call that writes a command to its arrival at the pseudo-terminal,
// and from that call to a 14-byte reply read back (the radio answers the
// moment the command arrives). "no delay": ser2net with chardelay off.
void trips(SettingsStore& settings, PseudoTerminal& pty, const std::vector<Path>& paths) {
  std::printf("\nOne command's trip and a reply's round trip (200 runs, ms: median / p99)\n");
  std::printf("  %-40s", "");
  for (const Path& p : paths) std::printf(" %17s", p.name);
  std::printf("\n");
  const QByteArray command("RF162.55\r\n");
  const QByteArray reply("RF0162550000\r\n");
  std::vector<std::vector<double>> oneWay(paths.size()), roundTrip(paths.size());
  for (size_t k = 0; k < paths.size(); ++k) {
    configure(settings, paths[k].port, protocols::kAr8000);
    RadioLink link;
    link.OpenRadioLink(settings);
    for (int i = 0; i < 200; ++i) {
      pty.clear();
      std::atomic<bool> stop{false};
      std::thread radio([&] {
        while (!stop && pty.received().size() < command.size()) {
          std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
        if (!stop) pty.write(reply);
      });
      const auto t0 = Clock::now();
      link.WritePort(command);
      const QByteArray got = link.ReadPort(reply.size(), 2000);
      const auto t1 = Clock::now();
      stop = true;
      radio.join();
      if (got != reply) continue;
      oneWay[k].push_back(msBetween(t0, pty.arrivalOf(0)));
      roundTrip[k].push_back(msBetween(t0, t1));
    }
    link.CloseRadioLink(settings);
    releaseDevice();
  }
  const auto row = [&](const char* name, const std::vector<std::vector<double>>& v) {
    std::printf("  %-40s", name);
    for (const auto& s : v)
      std::printf("   %6.3f / %6.3f", percentile(s, 0.5), percentile(s, 0.99));
    std::printf("\n");
  };
  row("write call -> bytes at the radio", oneWay);
  row("write call -> reply read back", roundTrip);
}

void opens(const std::vector<Path>& paths) {
  std::printf("\nOpen (connect, agree on the line, set the rate), 20 runs, ms: median / p99\n  ");
  for (const Path& p : paths) {
    const auto transport = makeTransport(RadioLink::DevicePath(p.port));
    std::vector<double> took;
    for (int i = 0; i < 20; ++i) {
      const auto t0 = Clock::now();
      const bool ok = transport->open(9600);
      took.push_back(msBetween(t0, Clock::now()));
      transport->close();
      if (!ok) std::printf("(%s failed: %s) ", p.name, qPrintable(transport->errorString()));
    }
    std::printf("%s %.2f / %.2f   ", p.name, percentile(took, 0.5), percentile(took, 0.99));
    releaseDevice();
  }
  std::printf("\n");
}

double timeToFail(const std::function<bool()>& attempt) {
  const auto t0 = Clock::now();
  attempt();
  return msBetween(t0, Clock::now());
}

void faults(Ser2Net& server) {
  std::printf("\nTime until a fault is reported (ms)\n");
  const auto openFails = [](const QString& port) {
    const auto t = makeTransport(port);
    const double ms = timeToFail([&] { return t->open(9600); });
    std::printf("  %-52s %8.1f  %s\n", qPrintable(port), ms, qPrintable(t->errorString()));
  };
  openFails(QStringLiteral("tcp://127.0.0.1:%1").arg(Ser2Net::freePort()));
  openFails(QStringLiteral("rfc2217://no-such-host.invalid:4001"));
  openFails(QStringLiteral("rfc2217://[2001:db8::1]:4001"));
  openFails(QStringLiteral("rfc2217://127.0.0.1:%1").arg(server.tcpPort()));

  // The server stops while the link is idle: the idle check and the next
  // write each find it at once.
  for (const char* how : {"idle check", "next write"}) {
    releaseDevice();
    const auto t = makeTransport(server.rfc2217Address());
    if (!t->open(9600)) {
      std::printf("  (open failed: %s)\n", qPrintable(t->errorString()));
      continue;
    }
    server.stop();
    const double ms = timeToFail([&] {
      return std::string(how) == "idle check" ? t->checkLine() : t->write("RF162.55\r\n");
    });
    std::printf("  server stopped, found by the %-23s %8.1f  %s\n", how, ms,
                qPrintable(t->errorString()));
    server.start();
  }

  // A peer that stops taking data: from the write that finds the stall.
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  const int small = 2048;
  setsockopt(listener, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof a;
  ::bind(listener, reinterpret_cast<sockaddr*>(&a), size);
  ::listen(listener, 1);
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &size);
  const auto t = makeTransport(QStringLiteral("tcp://127.0.0.1:%1").arg(ntohs(a.sin_port)));
  t->open(9600);
  const QByteArray block(256, 'x');
  double last = 0;
  for (int i = 0; i < 10000; ++i) {
    bool ok = true;
    last = timeToFail([&] { return ok = t->write(block); });
    if (!ok) break;
  }
  std::printf("  %-52s %8.1f  %s\n", "network stall, the write that meets it", last,
              qPrintable(t->errorString()));
  ::close(listener);
}

}  // namespace

int main(int argc, char** argv) {
  testsupport::IsolatedEnvironment environment;
  QCoreApplication app(argc, argv);
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  SettingsStore settings(QStringLiteral("network"));
  PseudoTerminal pty;
  Ser2Net server(pty.devicePath());
  if (!server.start()) {
    std::printf("ser2net cannot be started: %s\n", qPrintable(server.why()));
    return 1;
  }
  const std::vector<Path> paths = {{"local pty", pty.devicePath()},
                                   {"rfc2217 loopback", server.rfc2217Address()},
                                   {"tcp loopback", server.tcpAddress()}};
  std::printf(
      "The radio link at a pseudo-terminal, opened locally and through ser2net on loopback.\n"
      "Gaps are stamped by the pseudo-terminal's reader thread.\n");

  gaps(settings, "OS456/OS535 power-up", pty, paths, protocols::kOs456, 10,
       {{"power-up -> audio on (300 + more than 100)", 401, 0, 7}}, true, [](RadioLink&, int) {});
  gaps(settings, "PCR1000 power-up, command delay 2", pty, paths, protocols::kPcr1000, 40,
       {{"H100 -> H101 (3D)", 6, 0, 6},
        {"H101 -> G300 (3D)", 6, 6, 12},
        {"G300 -> G105 (D)", 2, 12, 18},
        {"G105 -> volume (3D, rate switch, 4D, D/4)", 14, 18, 24}},
       true, [](RadioLink&, int) {});
  gaps(settings, "Icom CI-V tuning, the mode changing every time", pty, paths, protocols::kIcomCiv,
       60, {{"frequency frame -> mode frame (15 + 51)", 66, 0, 11}}, false,
       [](RadioLink& link, int i) {
         link.TuneRadio(QStringLiteral("162.55"), i % 2 ? QStringLiteral("AM") : "FMN");
       });
  {
    // The same with ser2net sending the radio's bytes on at once.
    Ser2Net direct(pty.devicePath(), false);
    if (direct.start()) {
      std::vector<Path> more = paths;
      more.push_back({"rfc2217 no delay", direct.rfc2217Address()});
      more.push_back({"tcp no delay", direct.tcpAddress()});
      trips(settings, pty, more);
    }
  }
  opens(paths);
  faults(server);
  return 0;
}
