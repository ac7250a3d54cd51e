#include "radio/Transport.h"

#include "radio/NetworkTransport.h"
#include "radio/PortAddress.h"
#include "radio/Rfc2217Transport.h"
#include "radio/SerialTransport.h"

namespace {

// A network address the program cannot use: opening it fails with the
// reason, as a port that does not exist fails.
class UnusableAddress final : public Transport {
 public:
  explicit UnusableAddress(const QString& reason) : reason_(reason) {}
  bool open(int) override { return false; }
  void close() override {}
  bool isOpen() const override { return false; }
  bool write(const QByteArray&) override { return false; }
  bool drain() override { return false; }
  void purgeOutput() override {}
  void purgeInput() override {}
  QByteArray read(int, int, bool* failed) override {
    *failed = true;
    return {};
  }
  bool setBaudRate(int) override { return false; }
  int baudRate() const override { return 0; }
  bool carrierDetect() override { return false; }
  QString errorString() const override { return reason_; }

 private:
  QString reason_;
};

}  // namespace

std::unique_ptr<Transport> makeTransport(const QString& devicePath) {
  if (!looksLikeNetworkAddress(devicePath)) return std::make_unique<SerialTransport>(devicePath);
  QString reason;
  const std::optional<PortAddress> address = parsePortAddress(devicePath, &reason);
  if (!address) return std::make_unique<UnusableAddress>(reason);
  if (address->kind == PortAddress::Kind::Rfc2217) {
    return std::make_unique<Rfc2217Transport>(*address);
  }
  return std::make_unique<TcpTransport>(*address);
}
