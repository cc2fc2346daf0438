#include "database/DatabaseSettings.h"

#include "settings/ProgramDir.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QSettings>
#include <QStringList>

namespace {

const QString kGroup = QStringLiteral("database");

[[noreturn]] void Refuse(const QString& filePath, const QString& problem) {
  throw DatabaseSettingsError(QStringLiteral("Файл настроек базы данных %1 содержит ошибку: %2")
                                  .arg(QDir::toNativeSeparators(filePath), problem)
                                  .toStdString());
}

// libpq reads a value up to the first blank unless it is quoted; the values
// here are single words, so a blank or quote is a typing error.
void RequireSingleWord(const QString& filePath, const QString& key, const QString& value) {
  for (const QChar c : value)
    if (c.isSpace() || c == QLatin1Char('\'') || c == QLatin1Char('\\') || c == QLatin1Char(';'))
      Refuse(filePath, QStringLiteral("значение %1 содержит недопустимый символ.").arg(key));
}

}  // namespace

QString DatabaseSettings::serverText() const {
  if (host.isEmpty() && !service.isEmpty()) return QStringLiteral("service=%1").arg(service);
  const QString shownHost = host.isEmpty() ? QStringLiteral("localhost") : host;
  return port > 0 ? QStringLiteral("%1:%2").arg(shownHost).arg(port) : shownHost;
}

QString DatabaseSettings::connectOptions() const {
  QStringList options;
  if (!sslmode.isEmpty()) options << QStringLiteral("sslmode=") + sslmode;
  if (!service.isEmpty()) options << QStringLiteral("service=") + service;
  // An unreachable server is reported after a while instead of hanging the start.
  options << QStringLiteral("connect_timeout=10");
  return options.join(QLatin1Char(';'));
}

QString DatabaseSettingsPath() { return ProgramPath(QStringLiteral("sources/database.ini")); }

DatabaseSettings ReadDatabaseSettings(const QString& filePath) {
  DatabaseSettings settings;
  if (!QFileInfo::exists(filePath)) return settings;
  settings.sourceFile = filePath;
  QSettings file(filePath, QSettings::IniFormat);
  if (file.status() != QSettings::NoError) Refuse(filePath, QStringLiteral("файл не читается как INI."));
  if (!file.childGroups().contains(kGroup, Qt::CaseInsensitive))
    Refuse(filePath, QStringLiteral("нет раздела [database]."));
  QString group = kGroup;
  for (const QString& name : file.childGroups())
    if (name.compare(kGroup, Qt::CaseInsensitive) == 0) group = name;
  file.beginGroup(group);

  static const QSet<QString> known{"driver", "host", "port", "name", "user", "password", "sslmode", "service"};
  QHash<QString, QString> values;
  QString passwordAsWritten;
  for (const QString& key : file.childKeys()) {
    const QString lower = key.toLower();
    if (!known.contains(lower)) Refuse(filePath, QStringLiteral("неизвестный параметр %1.").arg(key));
    // A value with a comma comes back as a list; it is never a valid setting.
    const QVariant value = file.value(key);
    if (value.typeId() == QMetaType::QStringList)
      Refuse(filePath, QStringLiteral("значение %1 содержит недопустимый символ.").arg(key));
    if (lower == QLatin1String("password")) passwordAsWritten = value.toString();  // blanks may belong to it
    values.insert(lower, value.toString().trimmed());
  }

  const QString driver = values.value("driver").toLower();
  if (driver.isEmpty() || driver == QLatin1String("sqlite")) {
    settings.engine = DatabaseSettings::Engine::Sqlite;
    return settings;
  }
  if (driver != QLatin1String("postgresql") && driver != QLatin1String("postgres"))
    Refuse(filePath, QStringLiteral("неизвестный driver=%1 (допустимы sqlite и postgresql).").arg(driver));

  settings.engine = DatabaseSettings::Engine::Postgresql;
  settings.host = values.value("host");
  settings.name = values.value("name");
  settings.user = values.value("user");
  settings.password = passwordAsWritten;
  settings.sslmode = values.value("sslmode");
  settings.service = values.value("service");
  if (const QString port = values.value("port"); !port.isEmpty()) {
    bool ok = false;
    settings.port = port.toInt(&ok);
    if (!ok || settings.port <= 0 || settings.port > 65535)
      Refuse(filePath, QStringLiteral("port=%1 не является номером порта.").arg(port));
  }
  for (const char* key : {"host", "name", "user", "sslmode", "service"})
    RequireSingleWord(filePath, QString::fromLatin1(key), values.value(QString::fromLatin1(key)));
  if (settings.name.isEmpty() && settings.service.isEmpty())
    Refuse(filePath, QStringLiteral("не указано имя базы данных (name)."));
  return settings;
}
