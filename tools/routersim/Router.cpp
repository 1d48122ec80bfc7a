#include "Router.h"

#include "ShiftJis.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QTimer>

namespace mg::routersim {

namespace {

QStringList wordsOf(const QString &line)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    return line.split(blanks, Qt::SkipEmptyParts);
}

bool isUpperHex(const QString &text)
{
    for (QChar c : text) {
        if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('A') && c <= QLatin1Char('F'))))
            return false;
    }
    return true;
}

} // namespace

Router::Router(const SimulatorOptions &options, QObject *parent) : QObject(parent), m_options(options)
{
    resetAccounts();
    m_accounts.insert(QLatin1String(Manager), options.managerPassword);
    for (const QString &name : options.existing)
        m_files.insert(name, QString());
    if (!options.configured.isEmpty()) {
        // What an earlier installation leaves: its own file, with the
        // manager password it set, as the boot configuration.
        m_files.insert(options.configured, QStringLiteral("set user=%1 pass=%2\r\nset system name=\"before\"\r\n")
                                               .arg(QLatin1String(Manager), encodePassword(options.managerPassword)));
        m_bootConfig = options.configured;
    }
}

void Router::resetAccounts()
{
    m_accounts.clear();
    m_accounts.insert(QLatin1String(Manager), QLatin1String(FactoryPassword));
    for (const auto &[name, password] : m_options.users)
        m_accounts.insert(name, password);
}

bool Router::passwordMatches(const QString &user, const QString &password) const
{
    const auto it = m_accounts.constFind(user);
    return it != m_accounts.constEnd() && *it == password;
}

void Router::setManagerPassword(const QString &password)
{
    m_accounts.insert(QLatin1String(Manager), password);
    markDirty();
}

void Router::noteLoginFailure()
{
    ++m_loginFailures;
    markDirty();
}

void Router::noteReceivedLine(const QString &line)
{
    m_received += line + QLatin1String("\r\n");
    m_commands.append(line);
    markDirty();
}

void Router::storeFile(const QString &name, const QString &text)
{
    m_files.insert(name, text);
    markDirty();
}

bool Router::deleteFile(const QString &name)
{
    const bool present = m_files.remove(name) > 0;
    markDirty();
    return present;
}

void Router::renameFile(const QString &from, const QString &to)
{
    if (!m_files.contains(from) || from == to)
        return;
    m_files.insert(to, m_files.take(from));
    markDirty();
}

bool Router::setBootConfig(const QString &name)
{
    if (!m_files.contains(name))
        return false;
    m_bootConfig = name;
    markDirty();
    return true;
}

QString Router::decodePassword(const QString &encoded)
{
    const QString prefix = QStringLiteral("$0$");
    if (!encoded.startsWith(prefix))
        return encoded;
    const QString hex = encoded.mid(prefix.size());
    if (hex.size() % 2 != 0 || !isUpperHex(hex))
        return encoded;
    return ShiftJis::decode(QByteArray::fromHex(hex.toLatin1()));
}

QString Router::encodePassword(const QString &password)
{
    const QByteArray bytes = ShiftJis::encode(password).value_or(password.toUtf8());
    return QStringLiteral("$0$") + QString::fromLatin1(bytes.toHex().toUpper());
}

std::optional<QPair<QString, QString>> Router::accountOf(const QString &line)
{
    const QStringList words = wordsOf(line);
    if (words.size() < 3 || words.at(0) != QLatin1String("set") || !words.at(1).startsWith(QLatin1String("user=")))
        return std::nullopt;
    const QString name = words.at(1).mid(5);
    if (name.isEmpty())
        return std::nullopt;
    for (qsizetype i = 2; i < words.size(); ++i) {
        if (words.at(i).startsWith(QLatin1String("pass=")))
            return QPair<QString, QString>(name, decodePassword(words.at(i).mid(5)));
    }
    return std::nullopt;
}

void Router::applyConfigurationLine(const QString &line)
{
    if (line.trimmed().isEmpty())
        return;
    m_running.append(line);
    if (const auto account = accountOf(line))
        m_accounts.insert(account->first, account->second);
    markDirty();
}

QString Router::runningConfigurationFile() const
{
    const QString current = managerPassword();
    const QString managerLine = QStringLiteral("set user=%1 pass=%2\r\n").arg(QLatin1String(Manager), encodePassword(current));
    QString text = managerLine;
    std::optional<QString> typed;
    for (const QString &line : m_running) {
        text += line + QLatin1String("\r\n");
        if (const auto account = accountOf(line); account && account->first == QLatin1String(Manager))
            typed = account->second;
    }
    // A typed manager line replays after the first line; when "set password"
    // changed the password since, the file must end with the current one.
    if (typed && *typed != current)
        text += managerLine;
    return text;
}

void Router::restart()
{
    ++m_restarts;
    m_running.clear();
    resetAccounts();
    if (m_files.contains(m_bootConfig)) {
        static const QRegularExpression lineEnd(QStringLiteral("\r?\n"));
        bool first = true;
        for (const QString &line : m_files.value(m_bootConfig).split(lineEnd)) {
            if (line.trimmed().isEmpty())
                continue;
            // The manager line a saved configuration starts with is state, not
            // something typed: keep it out of the running configuration so
            // that saving again does not pile such lines up.
            const auto account = accountOf(line);
            if (first && account && account->first == QLatin1String(Manager)) {
                m_accounts.insert(account->first, account->second);
            } else {
                applyConfigurationLine(line);
            }
            first = false;
        }
    }
    markDirty();
    commit();
    emit restarted();
}

void Router::noteTftpRequest()
{
    ++m_tftpRequests;
    markDirty();
}

bool Router::noteTftpData()
{
    ++m_tftpData;
    markDirty();
    return m_tftpData != m_options.dropTftp;
}

void Router::noteTftpUnknownTid()
{
    ++m_tftpUnknownTid;
    markDirty();
}

QJsonObject Router::toJson() const
{
    QJsonObject files;
    for (auto it = m_files.constBegin(); it != m_files.constEnd(); ++it)
        files.insert(it.key(), it.value());
    const auto boot = m_files.constFind(m_bootConfig);
    return QJsonObject{
        {QStringLiteral("received"), m_received},
        {QStringLiteral("commands"), QJsonArray::fromStringList(m_commands)},
        {QStringLiteral("bootConfig"), m_bootConfig},
        {QStringLiteral("bootConfigText"), boot == m_files.constEnd() ? QJsonValue(QJsonValue::Null) : QJsonValue(*boot)},
        {QStringLiteral("managerPassword"), managerPassword()},
        {QStringLiteral("files"), files},
        {QStringLiteral("restarts"), m_restarts},
        {QStringLiteral("loginFailures"), m_loginFailures},
        {QStringLiteral("tftpRequests"), m_tftpRequests},
        {QStringLiteral("tftpDataReceived"), m_tftpData},
        {QStringLiteral("tftpUnknownTid"), m_tftpUnknownTid},
    };
}

void Router::markDirty()
{
    m_dirty = true;
    // A change that no answer follows (a silent router, a TFTP packet) still
    // reaches the file as soon as the event loop is back.
    if (!m_commitPosted) {
        m_commitPosted = true;
        QTimer::singleShot(0, this, [this] {
            m_commitPosted = false;
            commit();
        });
    }
}

void Router::commit()
{
    if (!m_dirty)
        return;
    m_dirty = false;
    emit changed();
}

} // namespace mg::routersim
