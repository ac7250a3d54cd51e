#include "VirtualRadioProcess.h"

#include <QDeadlineTimer>
#include <QJsonDocument>

VirtualRadioProcess::VirtualRadioProcess(const QStringList& arguments) {
  process_.setProgram(QStringLiteral(CORVALO_VIRTUAL_RADIO));
  process_.setArguments(QStringList{QStringLiteral("--json")} + arguments);
  process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process_.start();
  if (!process_.waitForStarted(5000)) {
    error_ = process_.errorString();
    return;
  }
  QDeadlineTimer deadline(5000);
  while (!process_.canReadLine() && !deadline.hasExpired()) {
    if (!process_.waitForReadyRead(int(deadline.remainingTime()))) break;
  }
  const QJsonObject first = QJsonDocument::fromJson(process_.readLine()).object();
  if (first.value(QStringLiteral("event")).toString() == QLatin1String("device")) {
    devicePath_ = first.value(QStringLiteral("path")).toString();
  } else {
    error_ = QStringLiteral("no device line from the virtual radio");
  }
}

VirtualRadioProcess::~VirtualRadioProcess() {
  if (process_.state() != QProcess::NotRunning) {
    process_.terminate();
    if (!process_.waitForFinished(5000)) process_.kill();
    process_.waitForFinished(5000);
  }
}

void VirtualRadioProcess::readLines() {
  while (process_.canReadLine()) {
    const QByteArray line = process_.readLine();
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
    if (error.error == QJsonParseError::NoError && doc.isObject()) {
      events_.push_back(doc.object());
    } else {
      events_.push_back(QJsonObject{{QStringLiteral("event"), QStringLiteral("not-json")},
                                    {QStringLiteral("text"), QString::fromUtf8(line)}});
    }
  }
}

bool VirtualRadioProcess::waitFor(const std::function<bool(const QJsonObject&)>& until,
                                  int limitMs) {
  QDeadlineTimer deadline(limitMs);
  size_t seen = 0;
  for (;;) {
    readLines();
    for (; seen < events_.size(); ++seen) {
      if (until(events_[seen])) return true;
    }
    if (deadline.hasExpired() || process_.state() == QProcess::NotRunning) return false;
    process_.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
  }
}

bool VirtualRadioProcess::waitForEvent(const QString& kind, int limitMs) {
  return waitFor([&](const QJsonObject& e) { return e.value(QStringLiteral("event")) == kind; },
                 limitMs);
}

QJsonObject VirtualRadioProcess::stop() {
  if (stopped_) return finalState_;
  stopped_ = true;
  process_.terminate();
  waitForEvent(QStringLiteral("state"));
  process_.waitForFinished(5000);
  readLines();
  // Only a clean end counts: a crash or a sanitizer report ends it otherwise.
  if (process_.state() != QProcess::NotRunning || process_.exitStatus() != QProcess::NormalExit ||
      process_.exitCode() != 0) {
    return finalState_;
  }
  for (auto it = events_.rbegin(); it != events_.rend(); ++it) {
    if (it->value(QStringLiteral("event")) == QLatin1String("state")) {
      finalState_ = *it;
      break;
    }
  }
  return finalState_;
}

QStringList VirtualRadioProcess::commandSummary() const {
  static const QStringList kLeftOut = {"radio", "port-open", "port-closed", "port-rate", "state"};
  QStringList out;
  for (const QJsonObject& e : events_) {
    const QString kind = e.value(QStringLiteral("event")).toString();
    if (kLeftOut.contains(kind)) continue;
    QString s = kind;
    const auto add = [&](const char* field) {
      const QJsonValue v = e.value(QLatin1String(field));
      if (v.isBool()) {
        s += v.toBool() ? QStringLiteral(" on") : QStringLiteral(" off");
      } else if (v.isDouble()) {
        s += QLatin1Char(' ') + QString::number(v.toInteger());
      } else if (v.isString()) {
        s += QLatin1Char(' ') + v.toString();
      }
    };
    if (kind == QLatin1String("tune")) {
      add("frequencyHz");
      add("mode");
      add("filter");
    } else if (kind == QLatin1String("unknown") || kind == QLatin1String("other-address")) {
      add("hex");
    } else if (kind == QLatin1String("model-query")) {
      s += e.contains(QStringLiteral("reply")) ? QLatin1Char(' ') + e.value("reply").toString()
                                               : QStringLiteral(" unanswered");
    } else {
      for (const char* field : {"mode", "level", "on", "dB", "key", "rate", "step"}) add(field);
    }
    out << s;
  }
  return out;
}

QStringList VirtualRadioProcess::flagged() const {
  QStringList out;
  for (const QJsonObject& e : events_) {
    if (e.value(QStringLiteral("flagged")).toBool() ||
        e.value(QStringLiteral("event")) == QLatin1String("not-json")) {
      out << e.value(QStringLiteral("text")).toString() + QLatin1Char(' ') +
                 e.value(QStringLiteral("hex")).toString();
    }
  }
  return out;
}
