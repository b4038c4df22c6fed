// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowPlacement.h"

#include <QScreen>
#include <QWidget>

namespace hv {

void centreOnScreen(QWidget& window)
{
    const QScreen* shown = window.screen();
    if (!shown)
        return;
    const QRect frame = window.frameGeometry();
    window.move(shown->availableGeometry().center() -
                QPoint((frame.width() - 1) / 2, (frame.height() - 1) / 2));
}

} // namespace hv
