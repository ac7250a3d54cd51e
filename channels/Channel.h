#pragma once

#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <utility>

// A channel of a channel list: one frequency with the mode and filter it is
// heard in, and what the listener wrote about it. Lists are about frequencies,
// not about one radio: whether the configured radio can tune a channel is
// asked when it is tuned (Capabilities), never when it is stored.
namespace channels {

// The widest range any radio's coverage may be set to: 1 Hz to 9999.99999 MHz.
inline constexpr qint64 kLowestHz = 1;
inline constexpr qint64 kHighestHz = 9'999'999'990;
// Filter value of a channel that leaves the radio's filter as it is.
inline constexpr int kNoFilter = -1;
inline constexpr int kFilterCount = 5;

struct Channel {
  qint64 id = 0;      // 0 until stored
  qint64 listId = 0;  // the list it stands in
  qint64 frequencyHz = 0;
  QString mode;            // one of the fifteen mode codes ("FMN")
  int filter = kNoFilter;  // index into the five filter codes, or kNoFilter
  QString name;
  QStringList tags;  // canonical: see NormalizeTags
  bool lockout = false;
  QString comment;
  qint64 createdMs = 0;  // milliseconds since the epoch, UTC; 0 until stored
  qint64 updatedMs = 0;

  bool operator==(const Channel&) const = default;
};

struct ChannelList {
  qint64 id = 0;
  QString name;
  int channelCount = 0;

  bool operator==(const ChannelList&) const = default;
};

// What the configured radio can tune: the mode codes it offers, whether it
// has selectable filters, and its coverage.
struct Capabilities {
  QStringList modes;  // mode codes; every one of the fifteen when empty
  bool filters = true;
  qint64 lowestHz = kLowestHz;
  qint64 highestHz = kHighestHz;

  bool hasMode(const QString& code) const { return modes.isEmpty() || modes.contains(code); }
};

// The outcome of a change: empty error means done. Every failure carries a
// message fit to show the operator as it stands.
class Status {
 public:
  Status() = default;
  static Status failure(QString message) {
    Status status;
    status.error_ = message.isEmpty() ? QStringLiteral("Unknown failure.") : std::move(message);
    return status;
  }
  bool ok() const { return error_.isEmpty(); }
  explicit operator bool() const { return ok(); }
  const QString& error() const { return error_; }

 private:
  QString error_;
};

// A value or the reason there is none.
template <typename T>
class Result : public Status {
 public:
  Result(T value) : value_(std::move(value)) {}  // NOLINT: implicit on purpose
  Result(const Status& failure) : Status(failure) {}
  const T& value() const { return value_; }
  T& value() { return value_; }
  T take() { return std::move(value_); }

 private:
  T value_{};
};

// Position of a mode code among the fifteen (exact, upper case), or -1.
int ModeIndex(const QString& code);
// The mode code at index 0..14, sharing one text per mode.
const QString& ModeCode(int index);
// "15K" for 2; an empty text for kNoFilter or anything out of range.
QString FilterCode(int filter);
// The index of a filter code, kNoFilter for an empty text, -2 for anything else.
int FilterIndexOf(const QString& code);

// Trimmed, without empty entries and duplicates, sorted without regard to
// case: the one form tags are kept in, so that a list round-trips exactly.
QStringList NormalizeTags(const QStringList& tags);
// Tags typed or imported as one text, separated by commas.
QStringList TagsFromText(const QString& text);
QString TagsText(const QStringList& tags);

// Why a channel cannot be stored (frequency out of range, unknown mode,
// filter out of range, a tag with a comma), or an empty text.
QString ValidateChannel(const Channel& channel);
// Why the radio with these capabilities cannot tune the channel, or an
// empty text. The radio session has the last word; this serves the table.
QString CapabilityRefusal(const Channel& channel, const Capabilities& capabilities);

// Frequency in MHz with at least five decimals and all that the hertz need:
// "162.55000", "145.000125".
QString FormatMhz(qint64 hz);
// A frequency text in MHz through the program's one number parser, rounded
// to the hertz; false for anything that is not a number or lies outside
// kLowestHz..kHighestHz.
bool ParseMhz(const QString& text, qint64* hz);

}  // namespace channels

Q_DECLARE_METATYPE(channels::Channel)
