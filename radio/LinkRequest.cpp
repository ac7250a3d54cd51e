#include "radio/LinkRequest.h"

QString LinkRequest::supersedeKey() const {
  switch (kind) {
    case Kind::Tune:
      return QStringLiteral("tune");
    case Kind::Filter:
      return QStringLiteral("filter");
    case Kind::Level:
      return QStringLiteral("level %1").arg(which);
    case Kind::Switch:
      return QStringLiteral("switch %1").arg(which);
    case Kind::Mute:
      return QStringLiteral("mute");
    default:
      return {};
  }
}

bool LinkRequest::isBarrier() const {
  return kind == Kind::Open || kind == Kind::Retake || kind == Kind::Release || kind == Kind::Close;
}

bool LinkRequest::retunes() const {
  return kind == Kind::Open || kind == Kind::Retake || kind == Kind::Tune || kind == Kind::Filter ||
         kind == Kind::ScanStep;
}

std::vector<LinkRequest> LinkQueue::push(LinkRequest& request) {
  std::lock_guard lock(mutex_);
  request.id = nextId_++;
  std::vector<LinkRequest> dropped;
  const QString key = request.supersedeKey();
  if (!key.isEmpty()) {
    for (auto it = queue_.end(); it != queue_.begin();) {
      --it;
      if (it->isBarrier()) break;
      if (it->supersedeKey() == key) {
        dropped.push_back(*it);
        it = queue_.erase(it);
      }
    }
  }
  queue_.push_back(request);
  return dropped;
}

std::optional<LinkRequest> LinkQueue::take() {
  std::lock_guard lock(mutex_);
  if (queue_.empty()) return std::nullopt;
  LinkRequest request = std::move(queue_.front());
  queue_.pop_front();
  return request;
}

bool LinkQueue::empty() const {
  std::lock_guard lock(mutex_);
  return queue_.empty();
}

std::size_t LinkQueue::size() const {
  std::lock_guard lock(mutex_);
  return queue_.size();
}
