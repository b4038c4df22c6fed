// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/HotKey.h"
#include "platform/x11/X11HotKeyKeys.h"

#include <QByteArray>

#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace hv {

namespace xcb {
class Connection;
}

// The hot key on an X11 desktop: a passive grab of the key with its modifiers
// on the root window, once for each state of CapsLock and NumLock, since X
// matches modifiers exactly.
//
// It talks to the X server over a connection of its own (xcb::Connection):
// grabs belong to the connection that made them, so a grab another program holds is
// told apart by the server's BadAccess, which here is an answer to check, not an
// error in Qt's log; and the key events the grab brings never pass through Qt.
//
// The grabs follow the keyboard: when the server's keyboard or modifier mapping
// changes (another layout, a remapped key), the combination is grabbed afresh on
// the keys that now carry it.
class X11HotKey final : public HotKey
{
    Q_OBJECT

public:
    // Connects to displayName, or to $DISPLAY when it is empty; isAvailable()
    // says whether that worked.
    explicit X11HotKey(const QByteArray& displayName = {}, QObject* parent = nullptr);
    // Releases the grabs.
    ~X11HotKey() override;

    // False when the connection could not be made or the server went away.
    bool isAvailable() const override;
    // Grabs all or nothing: when another program holds the combination in any
    // lock state, none of it is kept. A refused combination is still tried again
    // after a change of the keyboard mapping, until unregisterKey().
    RegisterResult registerKey(quint16 virtualKey, qint32 modifierFlags) override;
    void unregisterKey() override;
    QString lastProblem() const override;

private:
    struct Combination
    {
        quint16 virtualKey = 0;
        qint32 modifierFlags = 0;
    };
    // One passive grab: a keycode with the exact modifiers it needs.
    using Grab = std::pair<x11::KeyCode, x11::ModifierMask>;

    void readKeyboardMap();
    // Grabs m_wanted on the keys that carry it now, after releasing what is
    // grabbed when that differs; records the outcome as the last problem.
    RegisterResult applyGrabs();
    void releaseGrabs();
    void setProblem(RegisterResult result, const QString& problem);
    // Records a press of a grabbed combination; `state` is the event's modifiers
    // and buttons, `time` the server's timestamp in ms.
    void takeKeyPress(x11::KeyCode keycode, std::uint16_t state, std::uint32_t time);
    // Acted on from the event loop (xcb::Connection), never from inside registerKey().
    void actOnEvents();

    std::unique_ptr<xcb::Connection> m_x;

    x11::KeyboardMap m_map;
    bool m_mapChanged = false;
    std::optional<Combination> m_wanted;
    std::vector<Grab> m_grabs;
    RegisterResult m_result = RegisterResult::Registered;
    QString m_problem;
    QString m_loggedProblem; // each problem is logged once, not at every retry

    x11::KeyRepeatFilter m_repeats;
    int m_presses = 0; // taken from the server, not yet signalled
};

} // namespace hv
