#include "database/DatabaseSettings.h"

#include "settings/IniFile.h"
#include "settings/ProgramDir.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStringList>

namespace {

const QString kGroup = QStringLiteral("database");

[[noreturn]] void refuse(const QString& filePath, const QString& problem) {
  throw DatabaseSettingsError(QStringLiteral("Файл настроек базы данных %1 содержит ошибку: %2")
                                  .arg(QDir::toNativeSeparators(filePath), problem)
                                  .toStdString());
}

// libpq reads a value up to the first blank unless it is quoted; the values
// here are single words, so a blank, quote or list separator is a typing error.
void requireSingleWord(const QString& filePath, const QString& key, const QString& value) {
  for (const QChar c : value)
    if (c.isSpace() || c == QLatin1Char('\'') || c == QLatin1Char('\\') || c == QLatin1Char(';') ||
        c == QLatin1Char(','))
      refuse(filePath, QStringLiteral("значение %1 содержит недопустимый символ.").arg(key));
}

// A control character (a NUL byte, a tab, an escape) would reach libpq cut or
// changed; the value is never shown, only its key.
void refuseControlCharacters(const QString& filePath, const QString& key, const QString& value) {
  for (const QChar c : value)
    if (c.unicode() < 0x20 || c.unicode() == 0x7f)
      refuse(filePath, QStringLiteral("значение %1 содержит управляющий символ.").arg(key));
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
  // An unreachable server is reported after a while instead of hanging the start;
  // a connection whose server has gone is noticed by the keepalives, and a
  // statement the server does not finish in time is given up by the server.
  options << QStringLiteral("connect_timeout=10") << QStringLiteral("keepalives=1")
          << QStringLiteral("keepalives_idle=10") << QStringLiteral("keepalives_interval=5")
          << QStringLiteral("keepalives_count=3")
          << QStringLiteral("tcp_user_timeout=%1").arg(timeoutSeconds * 1000)
          << QStringLiteral("options='-c statement_timeout=%1'").arg(timeoutSeconds * 1000);
  return options.join(QLatin1Char(';'));
}

QString databaseSettingsPath() { return programPath(QStringLiteral("sources/database.ini")); }

DatabaseSettings readDatabaseSettings(const QString& filePath) {
  DatabaseSettings settings;
  if (!QFileInfo::exists(filePath)) return settings;
  settings.sourceFile = filePath;
  // Read afresh each time: a file rewritten a moment ago must be seen as it is now.
  const IniFile file = IniFile::read(filePath);
  if (file.status() == IniFile::Status::TooLarge)
    throw DatabaseSettingsError(file.readProblem().toStdString());
  if (file.status() == IniFile::Status::Unreadable) refuse(filePath, QStringLiteral("файл не читается."));
  if (file.status() == IniFile::Status::Malformed)
    refuse(filePath, QStringLiteral("строка %1 не читается как INI.").arg(file.malformedLine()));
  if (!file.hasSection(kGroup)) refuse(filePath, QStringLiteral("нет раздела [database]."));

  static const QSet<QString> known{"driver",   "host",    "port",    "name",   "user",
                                   "password", "sslmode", "service", "timeout"};
  QHash<QString, QString> values;
  QString passwordAsWritten;
  for (const auto& [key, value] : file.entries(kGroup)) {
    const QString lower = key.toLower();
    if (!known.contains(lower)) refuse(filePath, QStringLiteral("неизвестный параметр %1.").arg(key));
    refuseControlCharacters(filePath, lower, value);
    if (lower == QLatin1String("password")) passwordAsWritten = value;  // blanks may belong to it
    values.insert(lower, value.trimmed());
  }

  const QString driver = values.value("driver").toLower();
  if (driver.isEmpty() || driver == QLatin1String("sqlite")) {
    settings.engine = DatabaseSettings::Engine::Sqlite;
    return settings;
  }
  if (driver != QLatin1String("postgresql") && driver != QLatin1String("postgres"))
    refuse(filePath, QStringLiteral("неизвестный driver=%1 (допустимы sqlite и postgresql).").arg(driver));

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
      refuse(filePath, QStringLiteral("port=%1 не является номером порта.").arg(port));
  }
  if (const QString timeout = values.value("timeout"); !timeout.isEmpty()) {
    bool ok = false;
    settings.timeoutSeconds = timeout.toInt(&ok);
    if (!ok || settings.timeoutSeconds < 1 || settings.timeoutSeconds > 3600)
      refuse(filePath, QStringLiteral("timeout=%1 не является числом секунд от 1 до 3600.").arg(timeout));
  }
  for (const char* key : {"host", "name", "user", "sslmode", "service"})
    requireSingleWord(filePath, QString::fromLatin1(key), values.value(QString::fromLatin1(key)));
  if (settings.name.isEmpty() && settings.service.isEmpty())
    refuse(filePath, QStringLiteral("не указано имя базы данных (name)."));
  return settings;
}
