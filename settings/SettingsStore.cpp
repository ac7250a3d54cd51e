#include "settings/SettingsStore.h"

#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QVariant>
#include <cctype>
#include <climits>
#include <exception>

QString SettingsRoot = QString::fromLatin1(kSettingsBaseKey);
SettingsStore Settings;

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

}  // namespace

void SetSettingsProfile(const QString& profile) {
  SettingsRoot = QString::fromLatin1(kSettingsBaseKey);
  if (!profile.isEmpty()) {
    SettingsRoot += QLatin1Char('\\') + profile;
  }
}

SettingsError::SettingsError(const QString& message)
    : std::runtime_error(message.toStdString()), message_(message) {}

SettingsStore::SettingsStore() = default;
SettingsStore::~SettingsStore() = default;

void SettingsStore::open(const QString& root) {
  if (settings_) {
    discard();
  }
  settings_ = makeSettings();
  group_ = groupForRoot(root);
  firstWrittenName_.clear();
  firstWrittenSection_.clear();
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
  if (settings_->status() == QSettings::AccessError) {
    throw SettingsError(QStringLiteral("Failed to get data for '%1'").arg(name));
  }
  const QString key = keyFor(section, name);
  if (!settings_->contains(key)) return defaultValue;
  const QVariant value = settings_->value(key);
  // Only plain text is a valid stored value: a list (an unquoted comma in a
  // hand-edited file), a byte array or any other typed value is not.
  if (value.typeId() != QMetaType::QString) {
    throw SettingsError(QStringLiteral("Invalid data type for '%1'").arg(name));
  }
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
  if (firstWrittenName_.isEmpty()) {
    firstWrittenName_ = name;
    firstWrittenSection_ = section;
  }
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
  const bool wrote = !firstWrittenName_.isEmpty();
  settings->sync();
  const QSettings::Status status = settings->status();
  if (wrote && status != QSettings::NoError) {
    const QString file = settings->fileName();
    const QString name = firstWrittenName_;
    const QString section = firstWrittenSection_;
    firstWrittenName_.clear();
    firstWrittenSection_.clear();
    if (status == QSettings::AccessError && !file.isEmpty() && !QFileInfo::exists(file)) {
      throw SettingsError(QStringLiteral("Failed to create key %1").arg(section));
    }
    throw SettingsError(QStringLiteral("Failed to set data for '%1'").arg(name));
  }
  firstWrittenName_.clear();
  firstWrittenSection_.clear();
}

void SettingsStore::discard() {
  try {
    release();
  } catch (const SettingsError&) {
    // Re-opening an object that could not be written: the caller that
    // re-opens has no use for the old object's failure.
  }
}

QString SettingsStore::fileName() { return makeSettings()->fileName(); }

SettingsSession::SettingsSession(const QString& root) : uncaught_(std::uncaught_exceptions()) {
  Settings.open(root);
}

SettingsSession::~SettingsSession() noexcept(false) {
  if (std::uncaught_exceptions() > uncaught_) {
    Settings.discard();
  } else {
    Settings.release();
  }
}
