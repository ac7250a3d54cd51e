#pragma once

#include <QMetaType>
#include <QString>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

#include "radio/LinkSettings.h"

// One piece of work for the radio link's thread. Every request runs to its
// end there, with exactly the bytes and waits of the link's own operations;
// the session builds requests and the link's worker runs them in order.
struct LinkRequest {
  enum class Kind {
    Open,         // open the port with `settings` and power the radio up
    Retake,       // take a released port back: Open, then 10 ms to settle
    Release,      // close the port without power-off (the operator let it go)
    Close,        // power-off when `on`, then close the port
    Tune,         // `text` in `mode`
    Filter,       // the PCR1000 filter `value`
    Level,        // level `which` to `value`
    Switch,       // switch `which` to `on`
    Mute,         // mute when `on`, else un-mute to volume `value`
    ReadCarrier,  // read the carrier-detect line
    Sync,         // nothing: its result tells that what came before has run
    Read,         // ask the radio what it hears now (`read` says what)
    // A scan's retune: `text` in `mode` with the PCR1000 filter `value` (-1:
    // as the mode chooses), a wait until `settleMs` after the command has
    // left, then a reading of `read`.
    ScanStep,
  };
  // What a Read or a ScanStep asks the radio.
  enum Reads { kReadBoth = 0, kReadSquelch = 1, kReadLevel = 2 };
  // Levels and switches named by `which`.
  enum Which {
    kVolume = 0,
    kSquelch = 1,
    kIfShift = 2,
    kAgc = 3,
    kNoiseBlanker = 4,
    kAttenuator = 5
  };

  LinkRequest() = default;
  explicit LinkRequest(Kind k) : kind(k) {}

  Kind kind = Kind::Tune;
  LinkSettings settings;  // Open, Retake
  QString text;           // Tune: the frequency text
  QString mode;           // Tune
  int which = 0;          // Level, Switch
  int value = 0;          // Filter, Level, Mute
  bool on = false;        // Switch, Mute, Close
  int settleMs = 0;       // ScanStep
  int read = kReadBoth;   // Read, ScanStep
  // Open, Retake: the link keeps the tuning it holds instead of the stored
  // one (the link was open before in this run).
  bool keepTuning = false;
  quint64 id = 0;  // given by the queue; reported back with the result
  int origin = 0;  // who asked (the session's Origin), for its messages

  // Requests of one key replace each other while queued: a newer tuning, a
  // newer value of the same level. Empty for requests that never do.
  QString supersedeKey() const;
  // Requests the queue never reorders others across (the port's lifecycle).
  bool isBarrier() const;
  // Requests after which the radio hears another frequency: a reading taken
  // before them belongs to the old one.
  bool retunes() const;
};

// What running a request gave.
struct LinkResult {
  quint64 id = 0;
  LinkRequest::Kind kind = LinkRequest::Kind::Tune;
  bool superseded = false;  // dropped from the queue for a newer request of its key
  bool portOpen = false;    // a port was open when the request ended
  bool sent = false;        // Tune: the command went out
  QString refusal;          // Tune, Filter: why the encoder would not send
  bool carrier = false;     // ReadCarrier
  // Open, Retake: the link's levels after the open.
  int volume = 0, squelch = 0, ifShift = 0;
  QString frequency, mode;  // Tune: what the link now holds as tuned
  int filterIndex = -1;     // Tune, Filter: the PCR1000 filter the command chose
  // Read and the link's own polls: what the radio said (answered false: it
  // said nothing within the deadline), the carrier-detect line beside it,
  // and the last tuning request run before it (a reading belongs to that
  // tuning only).
  bool answered = false;
  std::optional<int> raw;
  std::optional<bool> squelchOpen;
  quint64 tuning = 0;
  qint64 atMs = 0;  // monotonic milliseconds when it was taken
};
Q_DECLARE_METATYPE(LinkResult)

// The requests waiting for the link's thread, shared by the session (which
// pushes) and the worker (which takes). Thread-safe.
class LinkQueue {
 public:
  // Appends a request and gives it its id. A queued request of the same
  // supersede key, standing after the last barrier, is taken out and
  // returned, so that its caller can be told.
  std::vector<LinkRequest> push(LinkRequest& request);
  std::optional<LinkRequest> take();
  bool empty() const;
  std::size_t size() const;

 private:
  mutable std::mutex mutex_;
  std::deque<LinkRequest> queue_;
  quint64 nextId_ = 1;
};
