#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <memory>
#include <stdexcept>

class QSettings;

// The key path of the program's settings; a profile's settings lie below it.
inline constexpr char kSettingsBaseKey[] = "\\Software\\Quorvane\\Corvalo";

// A save the settings store could not make. It ends the operation that was
// running; the main window shows its message in an error box.
class SettingsError : public std::runtime_error {
 public:
  explicit SettingsError(const QString& message);
  QString message() const { return message_; }

 private:
  QString message_;
};

// Sections of named text values of one profile, over QSettings in the
// platform's native format (the registry on Windows, an INI file under
// $XDG_CONFIG_HOME on Linux). Integers are stored as decimal text and booleans
// as "1"/"0"; every read names its own default and a missing section or value
// is never an error. The object is opened for one group of reads or writes and
// released at once; release makes what was written durable.
//
// Reads never fail: a settings file that cannot be read, a garbled one or a
// value of the wrong type gives the reader its default, and the problem is
// kept for the operator (takeMessages). Writes are checked before anything is
// handed to QSettings: one that cannot be saved is not kept in memory either,
// so later reads still give what the file holds.
//
// The program entry makes one store, for the profile of the command line,
// and hands it to everything that reads or writes settings.
class SettingsStore {
 public:
  // The store of `profile`: its settings lie under the key path
  // kSettingsBaseKey + "\" + profile, where every "\" nests a group; the
  // empty profile is the base key itself (the default settings).
  explicit SettingsStore(const QString& profile = QString());
  ~SettingsStore();
  SettingsStore(const SettingsStore&) = delete;
  SettingsStore& operator=(const SettingsStore&) = delete;

  // The profile's name as given (empty for the default settings), and its
  // key path.
  const QString& profile() const { return profile_; }
  const QString& root() const { return root_; }

  // Positions the store on the profile's key path. Re-opening an open store
  // first releases it.
  void open();
  bool isOpen() const { return settings_ != nullptr; }

  QString ReadText(const QString& section, const QString& name, const QString& defaultValue);
  int ReadNumber(const QString& section, const QString& name, int defaultValue);
  bool ReadFlag(const QString& section, const QString& name, bool defaultValue);

  void WriteText(const QString& section, const QString& name, const QString& value);
  void WriteNumber(const QString& section, const QString& name, int value);
  void WriteFlag(const QString& section, const QString& name, bool value);

  // Writes everything to permanent storage and closes the object. Throws
  // SettingsError, naming the file and the reason, when the store could not
  // be written; nothing of this group of writes is kept then.
  void release();

  // What the operator is to be told about the store now, each message once
  // in a run: the problems reads met since the last call (their readers got
  // their defaults), then `failures`, messages of SettingsErrors. A message
  // handed out before (the same problem met again) is left out.
  QStringList takeMessages(const QStringList& failures = {});

  // The settings file the store uses (empty on platforms with a registry).
  static QString fileName();

  // Removes the lock file QSettings keeps beside `settingsFile` while it
  // writes, when that lock names no process and no process holds it: what a
  // process killed between creating the lock and writing its id into it
  // leaves behind. Such a lock is only taken for abandoned once it is a
  // second old, which can make this wait up to a second. A lock naming a
  // process is left to QLockFile's own rules.
  static void clearAbandonedLock(const QString& settingsFile);

  // The integer conversion of stored texts: signed decimal, or hexadecimal
  // after "0x"/"0X" when the text is longer than two characters.
  static bool ParseStoredNumber(const QString& text, int* value);

 private:
  QString keyFor(const QString& section, const QString& name) const;
  friend class SettingsSession;
  // Releases without throwing (the object is being abandoned); a failure to
  // write is kept for takeMessages.
  void discard();
  // Keeps a message for takeMessages unless it has been told already; a
  // told message joins `group`, which forget() makes news again once the
  // problem has gone.
  void tell(const QString& message, QStringList* group);
  void forget(QStringList* group);
  // Tells what made the settings object just opened report `status`.
  void tellUnreadable(int status, const QString& file);

  QString profile_;
  QString root_;
  std::unique_ptr<QSettings> settings_;
  QString group_;
  bool written_ = false;                // a write since open
  QString writeFailure_;                // why those writes cannot be saved (then none is handed on)
  bool garbledKept_ = false;            // the garbled file has been copied aside
  QStringList untold_;                  // for the next takeMessages
  QSet<QString> told_;                  // told, and not put right since
  QHash<QString, QString> wrongTyped_;  // key of a value of the wrong type -> its message
  QStringList readProblems_;            // told of the file's reading: forgotten once it reads well
  QStringList saveProblems_;            // told of a save: forgotten once one succeeds
};

// Opens a store for one group of reads or writes and releases it when the
// scope ends.
class SettingsSession {
 public:
  explicit SettingsSession(SettingsStore& store);
  // Releases the store; a failure to write is thrown unless the scope is
  // being left by another exception already.
  ~SettingsSession() noexcept(false);
  SettingsSession(const SettingsSession&) = delete;
  SettingsSession& operator=(const SettingsSession&) = delete;

 private:
  SettingsStore& store_;
  int uncaught_;
};
