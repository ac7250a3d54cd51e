#include "settings/ProfileName.h"

#include <QRegularExpression>
#include <QStringList>

namespace profiles {

QString NameProblem(const QString& profile) {
  if (profile.isEmpty()) return {};
  // The group the store opens for the name: its parts between separators,
  // empty ones dropped, as the store reads them.
  static const QRegularExpression separators(QStringLiteral("[\\\\/]"));
  const QString group = profile.split(separators, Qt::SkipEmptyParts).join(QLatin1Char('\\'));
  if (group.isEmpty()) {
    return QStringLiteral(
               "the profile \"%1\" names no profile: it would open the default settings, which "
               "a start without a profile uses")
        .arg(profile);
  }
  if (group != profile) {
    return QStringLiteral(
               "the profile \"%1\" would open the settings of the profile \"%2\": start with "
               "that name for them")
        .arg(profile, group);
  }
  return {};
}

}  // namespace profiles
