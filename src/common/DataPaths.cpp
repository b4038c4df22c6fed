// SPDX-License-Identifier: GPL-3.0-or-later
#include "DataPaths.h"

#include <QDir>

namespace hv {

namespace {

QString xdgFolder(const QProcessEnvironment& env, const QString& variable, const QString& fallbackBelowHome)
{
    const QString set = env.value(variable);
    // The XDG rules ignore relative paths.
    if (!set.isEmpty() && QDir::isAbsolutePath(set))
        return set;
    const QString home = env.value(QStringLiteral("HOME"), QDir::homePath());
    return QDir(home).filePath(fallbackBelowHome);
}

} // namespace

DataPaths::DataPaths(QString configDir, QString dataDir)
    : m_configDir(QDir::cleanPath(configDir))
    , m_dataDir(QDir::cleanPath(dataDir))
{}

DataPaths DataPaths::fromEnvironment(const QProcessEnvironment& env)
{
    const QString home = env.value(QStringLiteral("HORAVOX_HOME"));
    if (!home.isEmpty()) {
        const QString absolute = QDir(home).absolutePath();
        return {absolute, absolute};
    }
    const QString app = QStringLiteral("horavox");
    return {
        QDir(xdgFolder(env, QStringLiteral("XDG_CONFIG_HOME"), QStringLiteral(".config"))).filePath(app),
        QDir(xdgFolder(env, QStringLiteral("XDG_DATA_HOME"), QStringLiteral(".local/share"))).filePath(app)};
}

QString DataPaths::settingsFile() const
{
    return QDir(m_configDir).filePath(QStringLiteral("horavox.ini"));
}

QString DataPaths::alarmFile() const
{
    return QDir(m_dataDir).filePath(QStringLiteral("alarms32.rec"));
}

QString DataPaths::discCatalogue() const
{
    return QDir(m_dataDir).filePath(QStringLiteral("CDNAME32.REC"));
}

QString DataPaths::rateList() const
{
    return QDir(m_dataDir).filePath(QStringLiteral("Timeup.Rec"));
}

QString DataPaths::customColours() const
{
    return QDir(m_dataDir).filePath(QStringLiteral("CstmCol.Str"));
}

QString DataPaths::wavesDir() const
{
    return QDir(m_dataDir).filePath(QStringLiteral("waves"));
}

QString DataPaths::voiceDir() const
{
    return QDir(m_dataDir).filePath(QStringLiteral("voice"));
}

} // namespace hv
