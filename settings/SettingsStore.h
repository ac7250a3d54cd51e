#pragma once

#include <QString>
#include <memory>
#include <stdexcept>

class QSettings;

// The key path of the program's settings: "\Software\Quorvane\Corvalo", or
// that path + "\" + the profile named by the first command-line argument.
// Fixed once at start-up, before any window exists.
extern QString SettingsRoot;

inline constexpr char kSettingsBaseKey[] = "\\Software\\Quorvane\\Corvalo";

// Builds SettingsRoot from a profile name (empty: the base key itself).
void SetSettingsProfile(const QString& profile);

// A failure of the settings store itself. It ends the operation that was
// running; the main window shows its message in an error box.
class SettingsError : public std::runtime_error {
 public:
  explicit SettingsError(const QString& message);
  QString message() const { return message_; }

 private:
  QString message_;
};

// Sections of named text values under SettingsRoot, over QSettings in the
// platform's native format (the registry on Windows, an INI file under
// $XDG_CONFIG_HOME on Linux). Integers are stored as decimal text and booleans
// as "1"/"0"; every read names its own default and a missing section or value
// is never an error. The object is opened for one group of reads or writes and
// released at once; release makes what was written durable.
class SettingsStore {
 public:
  SettingsStore();
  ~SettingsStore();
  SettingsStore(const SettingsStore&) = delete;
  SettingsStore& operator=(const SettingsStore&) = delete;

  // Positions the store on a key path such as SettingsRoot. Re-opening an
  // open store first releases it.
  void open(const QString& root = SettingsRoot);
  bool isOpen() const { return settings_ != nullptr; }

  QString ReadText(const QString& section, const QString& name, const QString& defaultValue);
  int ReadNumber(const QString& section, const QString& name, int defaultValue);
  bool ReadFlag(const QString& section, const QString& name, bool defaultValue);

  void WriteText(const QString& section, const QString& name, const QString& value);
  void WriteNumber(const QString& section, const QString& name, int value);
  void WriteFlag(const QString& section, const QString& name, bool value);

  // Writes everything to permanent storage and closes the object. Throws
  // SettingsError when the store could not be written.
  void release();

  // The settings file the store uses (empty on platforms with a registry).
  static QString fileName();

  // The integer conversion of stored texts: signed decimal, or hexadecimal
  // after "0x"/"0X" when the text is longer than two characters.
  static bool ParseStoredNumber(const QString& text, int* value);

 private:
  QString keyFor(const QString& section, const QString& name) const;
  friend class SettingsSession;
  // Releases without reporting a failure (the object is being abandoned).
  void discard();

  std::unique_ptr<QSettings> settings_;
  QString group_;
  QString firstWrittenName_;
  QString firstWrittenSection_;
};

// The process-wide settings object.
extern SettingsStore Settings;

// Opens Settings for one group of reads or writes and releases it when the
// scope ends.
class SettingsSession {
 public:
  explicit SettingsSession(const QString& root = SettingsRoot);
  // Releases the store; a failure to write is thrown unless the scope is
  // being left by another exception already.
  ~SettingsSession() noexcept(false);
  SettingsSession(const SettingsSession&) = delete;
  SettingsSession& operator=(const SettingsSession&) = delete;

 private:
  int uncaught_;
};
