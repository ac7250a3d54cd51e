// Round trips through the remote-control server over loopback: "f" (answered
// from the link state, no radio traffic) and "F" (a PCR1000 tuning command on
// a pseudo-terminal, paced as the radio needs). For "F" the time spent in the
// radio link is measured apart, so what is left of the round trip is the
// server's own cost (protocol, sockets, event loop). Prints figures; asserts
// nothing.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>
#include <vector>

#include "PseudoTerminal.h"
#include "TestMain.h"
#include "radio/FrequencyText.h"
#include "radio/Protocols.h"
#include "radio/RadioLink.h"
#include "radio/TuneCommand.h"
#include "remote/RemoteServer.h"
#include "settings/SettingsNames.h"
#include "settings/SettingsStore.h"

namespace names = settings_names;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t at = static_cast<size_t>(std::max(0.0, std::ceil(p * v.size()) - 1));
  return v[std::min(at, v.size() - 1)];
}

// The radio link as the server's target: tuning goes straight to the link
// and answers at once, and the time it takes (the radio's pacing) is
// recorded per call.
class LinkTarget : public rigctl::Target {
 public:
  explicit LinkTarget(RadioLink& link) : link_(link) {}

  rigctl::RadioInfo radioInfo() override {
    rigctl::RadioInfo info;
    info.lowestHz = link_.LowestFrequency * 1e6;
    info.highestHz = link_.HighestFrequency * 1e6;
    info.modes = {"AM", "CW", "FMN", "FMW", "LSB", "USB"};
    return info;
  }
  void setFrequency(double hertz, rigctl::Reply done) override {
    const Clock::time_point start = Clock::now();
    const bool sent = link_.TuneRadio(QString::number(hertz / 1e6, 'f', 6), QStringLiteral("FMN"));
    inLink.push_back(Ms(Clock::now() - start));
    done(sent ? rigctl::kOk : rigctl::kInvalid);
  }
  double frequency() override {
    double megahertz = 0;
    freqtext::ParseNumber(link_.CurrentFrequency, &megahertz);
    return megahertz * 1e6;
  }
  void setMode(const QString&, int, rigctl::Reply done) override { done(rigctl::kNotAvailable); }
  QString mode() override { return link_.CurrentMode; }
  int passband() override { return 0; }
  void setLevel(rigctl::Level, int, rigctl::Reply done) override { done(rigctl::kNotAvailable); }
  int level(rigctl::Level) override { return 0; }
  void setSwitch(rigctl::Switch, bool, rigctl::Reply done) override { done(rigctl::kNotAvailable); }
  bool switchState(rigctl::Switch) override { return false; }
  void carrierDetect(rigctl::CarrierReply done) override { done(rigctl::kOk, false); }
  bool powerOn() override { return link_.portOpen(); }

  std::vector<double> inLink;  // ms per tuning inside the radio link

 private:
  RadioLink& link_;
};

// A blocking client on its own thread: one line out, one answer line back.
class Client {
 public:
  explicit Client(quint16 port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    const int one = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ok_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~Client() { ::close(fd_); }
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;

  bool ok() const { return ok_; }

  // Milliseconds from sending the line to the end of its answer; -1 on failure.
  double roundTrip(const std::string& line) {
    const Clock::time_point start = Clock::now();
    const std::string out = line + '\n';
    if (::send(fd_, out.data(), out.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(out.size())) {
      return -1;
    }
    char c = 0;
    while (true) {
      const ssize_t n = ::recv(fd_, &c, 1, 0);
      if (n <= 0) return -1;
      if (c == '\n') break;
    }
    return Ms(Clock::now() - start);
  }

 private:
  int fd_ = -1;
  bool ok_ = false;
};

void PrintRow(const char* name, const std::vector<double>& values) {
  std::printf("  %-46s %5zu %10.3f %10.3f %10.3f\n", name, values.size(), Percentile(values, 0.5),
              Percentile(values, 0.99),
              values.empty() ? 0.0 : *std::max_element(values.begin(), values.end()));
}

}  // namespace

int main(int argc, char** argv) {
  testsupport::IsolatedEnvironment environment;
  QCoreApplication app(argc, argv);

  PseudoTerminal pty;
  SettingsStore settings(QStringLiteral("remote"));
  {
    SettingsSession session(settings);
    settings.WriteText(QLatin1String(names::kConnection), QLatin1String(names::kComPort),
                       pty.devicePath());
    settings.WriteNumber(QLatin1String(names::kConnection), QLatin1String(names::kProtocol),
                         protocols::kPcr1000);
  }
  RadioLink link;
  link.OpenRadioLink(settings);
  if (!link.portOpen()) {
    std::fprintf(stderr, "could not open the pseudo-terminal\n");
    return 1;
  }
  pty.settle();

  LinkTarget target(link);
  RemoteServer server(target);
  if (!server.start(0, false)) {
    std::fprintf(stderr, "could not listen: %s\n", qPrintable(server.errorString()));
    return 1;
  }

  constexpr int kReads = 500;
  constexpr int kTunings = 60;
  std::vector<double> reads;
  std::vector<double> tunings;
  std::thread clientThread([&] {
    Client client(server.serverPort());
    if (client.ok()) {
      for (int i = 0; i < kReads; ++i) reads.push_back(client.roundTrip("f"));
      for (int i = 0; i < kTunings; ++i) {
        tunings.push_back(client.roundTrip("F " + std::to_string(145000000 + 12500 * i)));
      }
      client.roundTrip("q");
    }
    QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
  });
  app.exec();
  clientThread.join();
  pty.settle();

  std::vector<double> serverShare;
  for (size_t i = 0; i < tunings.size() && i < target.inLink.size(); ++i) {
    serverShare.push_back(tunings[i] - target.inLink[i]);
  }

  std::printf("Remote control over loopback (PCR1000 on a pseudo-terminal)\n");
  std::printf("  %-46s %5s %10s %10s %10s\n", "", "n", "median ms", "p99 ms", "max ms");
  PrintRow("f round trip (no radio traffic)", reads);
  PrintRow("F round trip", tunings);
  PrintRow("  of which the radio link (TuneRadio)", target.inLink);
  PrintRow("  of which the server (round trip - link)", serverShare);
  std::printf("  the radio's own pacing after a tuning command: more than %d ms\n",
              encoders::kTuneSettleMs - 1);
  return 0;
}
