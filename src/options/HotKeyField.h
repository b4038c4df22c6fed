// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "options/HotKeyChoice.h"

#include <QLineEdit>

namespace hv {

// A field that captures one key combination: the key pressed with its
// modifiers, shown as text ("Ctrl+Alt+T"). A key pressed alone gets Alt. Tab,
// Escape and Enter pressed alone keep their usual meaning in the dialog, and
// while the field has the focus the dialog's accelerators give way to it.
class HotKeyField : public QLineEdit
{
    Q_OBJECT

public:
    explicit HotKeyField(QWidget* parent = nullptr);

    const HotKeyCombination& combination() const { return m_combination; }
    // Shows `combination`; emits nothing.
    void setCombination(const HotKeyCombination& combination);

Q_SIGNALS:
    // The user pressed a new combination.
    void combinationChanged(const hv::HotKeyCombination& combination);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    HotKeyCombination m_combination;
};

} // namespace hv
