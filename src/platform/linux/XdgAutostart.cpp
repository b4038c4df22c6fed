// SPDX-License-Identifier: GPL-3.0-or-later
#include "XdgAutostart.h"

#include "common/AtomicFile.h"
#include "common/Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringList>

namespace hv {

namespace {

constexpr QStringView kProgramName = u"horavox";
constexpr QStringView kMainGroup = u"[Desktop Entry]";

// The keys of the main group of a desktop entry, values as written.
QHash<QString, QString> mainGroupOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QHash<QString, QString> keys;
    bool inMainGroup = false;
    for (const QString& raw : QString::fromUtf8(file.readAll()).split(u'\n')) {
        const QStringView line = QStringView(raw).trimmed();
        if (line.startsWith(u'['))
            inMainGroup = line == kMainGroup;
        const qsizetype equals = line.indexOf(u'=');
        if (inMainGroup && !line.startsWith(u'#') && equals > 0)
            keys.insert(line.first(equals).trimmed().toString(),
                        line.sliced(equals + 1).trimmed().toString());
    }
    return keys;
}

// Undoes the escapes of a desktop entry's string values: \s \n \t \r \\.
QString unescapedValue(QStringView value)
{
    QString text;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != u'\\' || i + 1 == value.size()) {
            text += value[i];
            continue;
        }
        const QChar escaped = value[++i];
        switch (escaped.unicode()) {
        case u's':
            text += u' ';
            break;
        case u'n':
            text += u'\n';
            break;
        case u't':
            text += u'\t';
            break;
        case u'r':
            text += u'\r';
            break;
        case u'\\':
            text += u'\\';
            break;
        default: // not an escape: both characters stay
            text += u'\\';
            text += escaped;
        }
    }
    return text;
}

// The program of an Exec command: its first argument, unquoted, with "%%"
// read as "%". Empty when the quote is not closed.
QString programOf(QStringView command)
{
    QString program;
    if (command.startsWith(u'"')) {
        qsizetype i = 1;
        for (; i < command.size() && command[i] != u'"'; ++i) {
            if (command[i] == u'\\' && i + 1 < command.size())
                ++i;
            program += command[i];
        }
        if (i == command.size())
            return {};
    } else {
        const qsizetype blank = command.indexOf(u' ');
        program = (blank < 0 ? command : command.first(blank)).toString();
    }
    return program.replace(QStringLiteral("%%"), QStringLiteral("%"));
}

// The program path as an Exec value: quoted as one argument, "%" doubled so
// that it is no field code, then escaped as a string value.
QString execValueFor(const QString& programPath)
{
    QString quoted = QStringLiteral("\"");
    for (const QChar c : programPath) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    quoted += u'"';
    return quoted.replace(u'%', QStringLiteral("%%"))
        .replace(u'\\', QStringLiteral("\\\\"))
        .replace(u'\n', QStringLiteral("\\n"))
        .replace(u'\t', QStringLiteral("\\t"))
        .replace(u'\r', QStringLiteral("\\r"));
}

QString absoluteXdgFolder(const QProcessEnvironment& env, const QString& variable)
{
    const QString value = env.value(variable);
    return QDir::isAbsolutePath(value) ? value : QString();
}

} // namespace

XdgAutostart::XdgAutostart(QString autostartDir, QString programPath)
    : m_dir(std::move(autostartDir))
    , m_programPath(std::move(programPath))
{}

QString XdgAutostart::defaultDirectory(const QProcessEnvironment& env)
{
    QString config = absoluteXdgFolder(env, QStringLiteral("XDG_CONFIG_HOME"));
    if (config.isEmpty())
        config =
            QDir(env.value(QStringLiteral("HOME"), QDir::homePath())).filePath(QStringLiteral(".config"));
    return QDir(config).filePath(QStringLiteral("autostart"));
}

QString XdgAutostart::entryPath() const
{
    return QDir(m_dir).filePath(QStringLiteral("horavox.desktop"));
}

bool XdgAutostart::isEnabled() const
{
    const QHash<QString, QString> keys = mainGroupOf(entryPath());
    if (keys.value(QStringLiteral("Hidden")) == u"true" ||
        keys.value(QStringLiteral("X-GNOME-Autostart-enabled")) == u"false")
        return false;
    const QString program = programOf(unescapedValue(keys.value(QStringLiteral("Exec"))));
    return QFileInfo(program).fileName() == kProgramName;
}

void XdgAutostart::setEnabled(bool enabled)
{
    if (enabled) {
        const QString entry =
            QStringLiteral("[Desktop Entry]\n"
                           "Type=Application\n"
                           "Name=Horavox\n"
                           "Comment=A talking desktop clock with alarms, timers and a CD player\n"
                           "Exec=%1\n"
                           "Icon=horavox\n"
                           "Terminal=false\n"
                           "X-GNOME-Autostart-enabled=true\n")
                .arg(execValueFor(m_programPath));
        writeFileAtomically(entryPath(), entry.toUtf8());
        return;
    }
    QFile entry(entryPath());
    if (entry.remove())
        return;
    const QFileInfo left(entryPath());
    if (left.exists() || left.isSymLink())
        throw Error::unableToWrite(entryPath());
}

} // namespace hv
