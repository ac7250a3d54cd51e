#include "settings/SettingsStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>
#include <QStringList>
#include <QTemporaryFile>
#include <QVariant>
#include <algorithm>
#include <cctype>
#include <chrono>
#include <climits>
#include <exception>
#include <thread>

namespace {

constexpr char kOrganisation[] = "Quorvane";
constexpr char kApplication[] = "Corvalo";

// The group below the application's own key that a root path names: the base
// key itself is the empty group; every "\" deeper in the path nests a group.
QString groupForRoot(const QString& root) {
  QString path = root;
  const QString base = QString::fromLatin1(kSettingsBaseKey);
  if (path.startsWith(base, Qt::CaseInsensitive)) {
    path = path.mid(base.size());
  }
  path.replace(QLatin1Char('\\'), QLatin1Char('/'));
  return path;
}

std::unique_ptr<QSettings> makeSettings() {
  return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                     QString::fromLatin1(kOrganisation),
                                     QString::fromLatin1(kApplication));
}

#ifdef Q_OS_WIN
constexpr bool kStoreIsFile = false;  // the registry
#else
constexpr bool kStoreIsFile = true;
#endif

// How old a lock without a process id must be to be taken for abandoned.
constexpr int kAbandonedLockMs = 1000;

QString unusableMessage(const QString& file, const QString& reason) {
  return QStringLiteral(
             "The settings file %1 cannot be read: %2. Defaults are used, and settings "
             "are not saved.")
      .arg(file, reason);
}

QString notSavedMessage(const QString& file, const QString& reason) {
  return QStringLiteral("The settings could not be saved to %1: %2.").arg(file, reason);
}

QString wrongTypeMessage(const QString& name) {
  return QStringLiteral("Invalid data type for '%1'").arg(name);
}

// Why the settings file cannot be read at all, or empty. A missing file is
// no problem: it reads as empty.
QString unreadableReason(const QString& file) {
  const QFileInfo info(file);
  if (info.isDir()) return QStringLiteral("it is a folder");
  if (!info.exists()) return {};
  QFile reader(file);
  return reader.open(QIODevice::ReadOnly) ? QString() : reader.errorString();
}

// The message for a write of the settings file that would fail, checked the
// way QSettings goes about it (folder, file opened for reading and writing,
// a new file beside it to replace it with), or empty.
QString writeProblem(const QString& file) {
  if (const QString reason = unreadableReason(file); !reason.isEmpty()) {
    return unusableMessage(file, reason);
  }
  const QString folder = QFileInfo(file).absolutePath();
  if (!QDir().mkpath(folder)) {
    return notSavedMessage(file, QStringLiteral("its folder %1 cannot be created").arg(folder));
  }
  QFile existing(file);
  if (existing.exists() && !existing.open(QIODevice::ReadWrite)) {
    return notSavedMessage(file, existing.errorString());
  }
  QTemporaryFile replacement(file);
  if (!replacement.open()) return notSavedMessage(file, replacement.errorString());
  return {};
}

// Copies a settings file that could not be parsed beside it, under a name
// not in use, before a save replaces it; returns the message telling so.
QString keepGarbledFile(const QString& file) {
  QString copy = file + QStringLiteral(".unreadable");
  for (int n = 2; QFileInfo::exists(copy); ++n) {
    copy = file + QStringLiteral(".unreadable-%1").arg(n);
  }
  QFile original(file);
  if (!original.copy(copy)) {
    return QStringLiteral(
               "settings file could not be read; defaults used; the old file could not be kept: "
               "%1")
        .arg(original.errorString());
  }
  return QStringLiteral(
             "settings file could not be read; defaults used; the old file was kept as %1")
      .arg(copy);
}

}  // namespace

SettingsError::SettingsError(const QString& message)
    : std::runtime_error(message.toStdString()), message_(message) {}

SettingsStore::SettingsStore(const QString& profile)
    : profile_(profile), root_(QString::fromLatin1(kSettingsBaseKey)) {
  if (!profile_.isEmpty()) root_ += QLatin1Char('\\') + profile_;
}

SettingsStore::~SettingsStore() = default;

void SettingsStore::open() {
  if (settings_) {
    discard();
  }
  settings_ = makeSettings();
  group_ = groupForRoot(root_);
  written_ = false;
  writeFailure_.clear();
  // Every section is parsed now, so that a garbled one is found before a
  // write replaces the file.
  static_cast<void>(settings_->allKeys());
  const QSettings::Status status = settings_->status();
  tellUnreadable(status, settings_->fileName());
  if (status != QSettings::NoError) {
    // A settings object keeps its first error for good, which would hide
    // whether a later write worked. A fresh one, made while this one still
    // holds what was read, shares that and starts without the error.
    settings_ = makeSettings();
  }
}

void SettingsStore::tellUnreadable(int status, const QString& file) {
  if (!kStoreIsFile) return;
  if (status == QSettings::NoError) {
    // The file reads well again: a problem it has again is news.
    forget(&readProblems_);
    garbledKept_ = false;
  } else if (status == QSettings::AccessError) {
    const QString reason = unreadableReason(file);
    if (!reason.isEmpty()) tell(unusableMessage(file, reason), &readProblems_);
  } else if (status == QSettings::FormatError && !garbledKept_) {
    garbledKept_ = true;
    tell(keepGarbledFile(file), &readProblems_);
  }
}

void SettingsStore::tell(const QString& message, QStringList* group) {
  if (told_.contains(message)) return;
  told_.insert(message);
  untold_.append(message);
  if (group) group->append(message);
}

void SettingsStore::forget(QStringList* group) {
  for (const QString& message : *group) told_.remove(message);
  group->clear();
}

QStringList SettingsStore::takeMessages(const QStringList& failures) {
  for (const QString& failure : failures) tell(failure, &saveProblems_);
  QStringList messages;
  messages.swap(untold_);
  return messages;
}

QString SettingsStore::keyFor(const QString& section, const QString& name) const {
  QString key = group_;
  if (!key.isEmpty() && !key.endsWith(QLatin1Char('/'))) key += QLatin1Char('/');
  // A "/" inside a section or value name must not nest a group of its own.
  QString s = section;
  QString n = name;
  s.replace(QLatin1Char('/'), QLatin1Char('\\'));
  n.replace(QLatin1Char('/'), QLatin1Char('\\'));
  return key + s + QLatin1Char('/') + n;
}

QString SettingsStore::ReadText(const QString& section, const QString& name,
                                const QString& defaultValue) {
  if (!settings_) open();
  const QString key = keyFor(section, name);
  const QVariant value = settings_->contains(key) ? settings_->value(key) : QVariant();
  // Only plain text is a valid stored value: a list (an unquoted comma in a
  // hand-edited file), a byte array or any other typed value is not, and
  // reads as a missing one.
  const bool wrongType = value.isValid() && value.typeId() != QMetaType::QString;
  if (wrongType) {
    const QString message = wrongTypeMessage(name);
    wrongTyped_.insert(key, message);
    tell(message, nullptr);
  } else if (const auto it = wrongTyped_.constFind(key); it != wrongTyped_.cend()) {
    // Put right: told again if it comes back, unless the same name is still
    // wrong in another section (the message names the value only).
    const QString message = it.value();
    wrongTyped_.erase(it);
    if (std::find(wrongTyped_.cbegin(), wrongTyped_.cend(), message) == wrongTyped_.cend()) {
      told_.remove(message);
    }
  }
  if (!value.isValid() || wrongType) return defaultValue;
  QString text = value.toString();
  const qsizetype nul = text.indexOf(QChar(0));
  if (nul >= 0) text.truncate(nul);
  return text;
}

bool SettingsStore::ParseStoredNumber(const QString& text, int* value) {
  bool ok = false;
  qlonglong result = 0;
  if (text.size() > 2 && text[0] == QLatin1Char('0') &&
      (text[1] == QLatin1Char('x') || text[1] == QLatin1Char('X'))) {
    const QString digits = text.mid(2);
    // toLongLong would also take a sign or blanks; hexadecimal digits only.
    for (QChar c : digits) {
      if (!isxdigit(c.unicode() < 128 ? c.toLatin1() : 'g')) return false;
    }
    result = digits.toLongLong(&ok, 16);
  } else {
    qsizetype i = 0;
    while (i < text.size() && text[i] == QLatin1Char(' ')) ++i;
    QString body = text.mid(i);
    if (body.isEmpty()) return false;
    qsizetype start = (body[0] == QLatin1Char('-') || body[0] == QLatin1Char('+')) ? 1 : 0;
    if (start == body.size()) return false;
    for (qsizetype k = start; k < body.size(); ++k) {
      if (body[k] < QLatin1Char('0') || body[k] > QLatin1Char('9')) return false;
    }
    result = body.toLongLong(&ok, 10);
  }
  if (!ok || result < INT_MIN || result > INT_MAX) return false;
  *value = static_cast<int>(result);
  return true;
}

int SettingsStore::ReadNumber(const QString& section, const QString& name, int defaultValue) {
  const QString text = ReadText(section, name, QString());
  int value = 0;
  return ParseStoredNumber(text, &value) ? value : defaultValue;
}

bool SettingsStore::ReadFlag(const QString& section, const QString& name, bool defaultValue) {
  return ReadNumber(section, name, defaultValue ? 1 : 0) != 0;
}

void SettingsStore::WriteText(const QString& section, const QString& name, const QString& value) {
  if (!settings_) open();
  if (!written_) {
    written_ = true;
    writeFailure_ = kStoreIsFile ? writeProblem(settings_->fileName()) : QString();
  }
  // A value that cannot be saved is not handed to QSettings: it would keep
  // it, give it to every later reader as if it had been saved and fail
  // every later save of the file with it.
  if (!writeFailure_.isEmpty()) return;
  settings_->setValue(keyFor(section, name), value);
}

void SettingsStore::WriteNumber(const QString& section, const QString& name, int value) {
  WriteText(section, name, QString::number(value));
}

void SettingsStore::WriteFlag(const QString& section, const QString& name, bool value) {
  WriteText(section, name, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void SettingsStore::release() {
  if (!settings_) return;
  std::unique_ptr<QSettings> settings = std::move(settings_);
  const bool wrote = written_;
  QString failure = writeFailure_;
  written_ = false;
  writeFailure_.clear();
  if (!wrote) return;  // what was read needs nothing written
  if (!failure.isEmpty()) throw SettingsError(failure);
  const QString file = settings->fileName();
  if (kStoreIsFile) clearAbandonedLock(file);
  settings->sync();
  if (settings->status() == QSettings::NoError) {
    forget(&saveProblems_);
    return;
  }
  if (kStoreIsFile) failure = writeProblem(file);
  if (failure.isEmpty()) failure = notSavedMessage(file, QStringLiteral("writing it failed"));
  throw SettingsError(failure);
}

void SettingsStore::discard() {
  try {
    release();
  } catch (const SettingsError& error) {
    // Re-opening an object that could not be written, or leaving a scope by
    // another exception: the operator still hears of it.
    tell(error.message(), &saveProblems_);
  }
}

void SettingsStore::clearAbandonedLock(const QString& settingsFile) {
  const QString lockFile = settingsFile + QStringLiteral(".lock");
  const QFileInfo info(lockFile);
  if (!info.exists()) return;
  QLockFile lock(lockFile);
  qint64 pid = 0;
  QString host;
  QString application;
  if (lock.getLockInfo(&pid, &host, &application)) return;
  // The process that creates a lock writes its id into it straight away: one
  // still without an id a second later belongs to a process that ended in
  // between. A process that does hold it keeps its native lock on the file,
  // which QLockFile will not remove.
  const qint64 age = info.lastModified().msecsTo(QDateTime::currentDateTime());
  if (age >= 0 && age <= kAbandonedLockMs) {
    std::this_thread::sleep_for(std::chrono::milliseconds(kAbandonedLockMs - age + 1));
  }
  lock.setStaleLockTime(std::chrono::milliseconds(kAbandonedLockMs));
  if (lock.tryLock(0)) lock.unlock();
}

QString SettingsStore::fileName() { return makeSettings()->fileName(); }

SettingsSession::SettingsSession(SettingsStore& store)
    : store_(store), uncaught_(std::uncaught_exceptions()) {
  store_.open();
}

SettingsSession::~SettingsSession() noexcept(false) {
  if (std::uncaught_exceptions() > uncaught_) {
    store_.discard();
  } else {
    store_.release();
  }
}
