// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcessEnvironment>
#include <QString>

namespace hv {

// Where the program's files live. The settings file goes to the user's
// configuration folder; the files that once sat beside the program (alarms,
// disc catalogue, rate list, custom colours, recordings) go to the user's data
// folder, since a program's own folder cannot be written on Linux. With
// HORAVOX_HOME set, everything lives in that one folder.
class DataPaths
{
public:
    DataPaths(QString configDir, QString dataDir);

    // HORAVOX_HOME, else $XDG_CONFIG_HOME/horavox and $XDG_DATA_HOME/horavox,
    // with the XDG defaults ~/.config and ~/.local/share.
    static DataPaths
    fromEnvironment(const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment());

    const QString& configDir() const { return m_configDir; }
    // The program directory of the stored files.
    const QString& dataDir() const { return m_dataDir; }

    QString settingsFile() const;  // horavox.ini
    QString alarmFile() const;     // alarms32.rec
    QString discCatalogue() const; // CDNAME32.REC
    QString rateList() const;      // Timeup.Rec
    QString customColours() const; // CstmCol.Str
    QString wavesDir() const;      // waves/
    QString voiceDir() const;      // voice/, the user's own word sounds

private:
    QString m_configDir;
    QString m_dataDir;
};

} // namespace hv
