// SPDX-License-Identifier: GPL-3.0-or-later
#include "FaceLayout.h"

#include <algorithm>
#include <cmath>

namespace hv {

int scaleToFace(int faceHeight, int storedWidth, int referenceHeight, Scaling scaling)
{
    if (referenceHeight <= 0)
        return 0;
    const double exact = static_cast<double>(faceHeight) * storedWidth / referenceHeight;
    return static_cast<int>(scaling == Scaling::Rounded ? std::lround(exact) : std::trunc(exact));
}

QSize usableFaceSize(QSize face, const FaceBevels& bevels)
{
    // In 64 bits, so that widths far out of range cannot wrap; negative widths
    // add nothing. At least one pixel is left either way, so the text is never
    // laid out in a negative room.
    const qint64 k = bevels.outer != Bevel::None && bevels.inner != Bevel::None ? 4 : 2;
    const qint64 inset =
        k * std::max(bevels.bevelWidth, 0) + 2 * static_cast<qint64>(std::max(bevels.borderWidth, 0));
    const auto room = [inset](int length) {
        return static_cast<int>(std::max<qint64>(qint64{length} - inset, 1));
    };
    return {room(face.width()), room(face.height())};
}

int fitFontHeight(int startHeight, int usableWidth, const std::function<int(int height)>& widthAt)
{
    constexpr int kStep = 5;
    int height = std::max(startHeight, 1);
    while (height > 1 && widthAt(height) > usableWidth)
        height = std::max(height - kStep, 1);
    return height;
}

} // namespace hv
