#pragma once

#include <QIcon>
#include <QObject>
#include <QString>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>

// What the component hands to the notification area for one entry.
struct TrayEntry {
  int id = 0;
  QIcon icon;
  QString tip;  // already cut to what the shell shows
};

// The notification area's side: add, modify and remove one entry. Each call
// returns whether the shell accepted it. The component reports the shell's
// mouse notifications through the callback it hands to the shell.
class TrayShell {
 public:
  virtual ~TrayShell() = default;
  virtual bool Add(const TrayEntry& entry) = 0;
  virtual bool Modify(const TrayEntry& entry) = 0;
  virtual bool Delete(const TrayEntry& entry) = 0;
  // Set by the component: the shell calls it for every mouse notification.
  std::function<void(QSystemTrayIcon::ActivationReason)> activated;
};

// The shell of the desktop the program runs on, over QSystemTrayIcon. A
// desktop without a notification area refuses the add, so the program runs
// without an icon.
class SystemTrayShell : public TrayShell {
 public:
  SystemTrayShell();
  ~SystemTrayShell() override;
  bool Add(const TrayEntry& entry) override;
  bool Modify(const TrayEntry& entry) override;
  bool Delete(const TrayEntry& entry) override;
  QSystemTrayIcon* trayIcon() const { return tray_.get(); }

 private:
  std::unique_ptr<QSystemTrayIcon> tray_;
};

// One icon in the notification area for as long as the component exists.
// Mouse actions over the icon come back as the events OnClick (each release
// of the left button), OnDblClick and OnRightClick (with the cursor position
// at that moment). An event without a handler is skipped.
class TTaskIcon : public QObject {
  Q_OBJECT

 public:
  // The tooltip the shell shows holds at most this many characters.
  static constexpr int kMaxHintLength = 63;

  // Uses the desktop's notification area unless another shell is given.
  explicit TTaskIcon(QObject* parent = nullptr, std::unique_ptr<TrayShell> shell = nullptr);
  ~TTaskIcon() override;

  // True while the icon is in the notification area. Setting it adds or
  // removes the icon; it changes only when the shell accepts, and setting the
  // value it already has does nothing.
  bool Enabled() const { return registered_; }
  void SetEnabled(bool enabled);

  // The picture; a registered icon is updated at once.
  QIcon Icon() const { return icon_; }
  void SetIcon(const QIcon& icon);

  // The identifier towards the shell.
  int TaskIconID() const { return id_; }
  void SetTaskIconID(int id);

  // The tooltip. Changing it alone does not reach the shell: UpdateIcon does.
  QString Hint() const { return hint_; }
  void SetHint(const QString& hint) { hint_ = hint; }

  // Tells the shell the current picture and tooltip.
  void UpdateIcon();

  // The shell's report of a mouse action over the icon.
  void HandleActivation(QSystemTrayIcon::ActivationReason reason);

  std::function<void(QObject* sender)> OnClick;
  std::function<void(QObject* sender)> OnDblClick;
  std::function<void(QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x,
                     int y)>
      OnRightClick;

 private:
  TrayEntry entry() const;

  std::unique_ptr<TrayShell> shell_;
  bool registered_ = false;
  QIcon icon_;
  int id_ = 0;
  QString hint_;
};
