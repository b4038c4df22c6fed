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
    const int k = bevels.outer != Bevel::None && bevels.inner != Bevel::None ? 4 : 2;
    const int inset = k * bevels.bevelWidth + 2 * bevels.borderWidth;
    return {face.width() - inset, face.height() - inset};
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
