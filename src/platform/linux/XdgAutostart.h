// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Autostart.h"

#include <QProcessEnvironment>
#include <QString>

namespace hv {

// Autostart through an entry "horavox.desktop" in the user's XDG autostart
// folder, which desktop sessions run at login.
class XdgAutostart final : public Autostart
{
public:
    // autostartDir: the folder of the user's autostart entries.
    // programPath: the clock's own executable, as an absolute path.
    XdgAutostart(QString autostartDir, QString programPath);

    // $XDG_CONFIG_HOME/autostart, else ~/.config/autostart; a relative
    // XDG_CONFIG_HOME is ignored, as the XDG rules say.
    static QString
    defaultDirectory(const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment());

    QString entryPath() const;

    // The entry exists, is neither hidden nor switched off for GNOME, and its
    // command starts a program named "horavox", wherever that lies.
    bool isEnabled() const override;
    // Enabling writes the entry, with this program's path, atomically;
    // disabling removes it, and an entry that is missing already is fine.
    void setEnabled(bool enabled) override;

private:
    QString m_dir;
    QString m_programPath;
};

} // namespace hv
