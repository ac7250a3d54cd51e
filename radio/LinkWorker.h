#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>

#include "radio/LinkRequest.h"

class RadioLink;

// The radio link's side of the session: lives on the link's own thread, owns
// the RadioLink (and through it the transport), and runs the queued requests
// one after the other, each with the link's exact bytes and waits. Nothing
// here blocks the GUI thread: results and the link's reports go back as
// queued signals.
class LinkWorker : public QObject {
  Q_OBJECT

 public:
  explicit LinkWorker(LinkQueue& queue, QObject* parent = nullptr);
  ~LinkWorker() override;

  // The link, for the worker's own thread (and for tests that run no thread).
  RadioLink& link() { return *link_; }

  // Stand-in for the port's carrier-detect line where the device has none (a
  // pseudo-terminal in tests). Called on the link's thread.
  void setCarrierLineOverride(std::function<bool()> line);

  // Runs what is queued, then tells what the link is tuned to.
  struct Tuned {
    QString frequency;
    QString mode;
  };
  Tuned drain();

 public slots:
  // Runs every queued request, oldest first, until the queue is empty.
  void runQueued();
  // Asks the radio what it hears every periodMs while the link is idle
  // (0: never). A radio that leaves three polls in a row unanswered is asked
  // only every kProbeMs until it answers again.
  void setPolling(int periodMs);
  // Checks an idle network line now and then, so that a server that went
  // away shows while nobody sends.
  void setLineChecks(bool on);

 public:
  static constexpr int kMissedBeforeProbing = 3;
  static constexpr int kProbeMs = 3000;
  static constexpr int kLineCheckMs = 1000;

 signals:
  void finished(const LinkResult& result);
  // A poll's result (kind Read, id 0); silent is true once the radio has
  // left kMissedBeforeProbing polls in a row unanswered.
  void polled(const LinkResult& result, bool silent);
  // The link's reports, with the origin of the request that caused them.
  void message(const QString& text, int origin);
  void busyChanged(bool busy);
  void linkStateChanged(bool open);
  void portLost(int origin);
  void beep();

 private:
  LinkResult run(const LinkRequest& request);
  void poll();
  // Takes a reading (`what`: LinkRequest::Reads) and the carrier-detect
  // line into the result.
  void read(LinkResult& result, int what = LinkRequest::kReadBoth);

  LinkQueue& queue_;
  QTimer pollTimer_;
  QTimer lineTimer_;
  int pollMs_ = 0;
  int missed_ = 0;
  quint64 tuning_ = 0;  // the last request run that retuned the radio
  std::unique_ptr<RadioLink> link_;
  int origin_ = 0;  // of the request running now
};
