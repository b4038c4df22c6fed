// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

namespace hv {

// Moves a window about to be shown so that its frame is centred on the
// available area of its screen. The frame is known before the window is
// mapped only where the platform reports it early; elsewhere the window
// itself is centred.
void centreOnScreen(QWidget& window);

} // namespace hv
