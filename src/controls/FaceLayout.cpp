// SPDX-License-Identifier: GPL-3.0-or-later
#include "FaceLayout.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace hv {

namespace {

std::optional<Bevel> storedBevel(int value)
{
    switch (value) {
    case int(Bevel::None):
        return Bevel::None;
    case int(Bevel::Lowered):
        return Bevel::Lowered;
    case int(Bevel::Raised):
        return Bevel::Raised;
    default:
        return std::nullopt;
    }
}

} // namespace

FaceBevels withStoredBevels(FaceBevels bevels, int outer, int inner)
{
    bevels.outer = storedBevel(outer).value_or(bevels.outer);
    bevels.inner = storedBevel(inner).value_or(bevels.inner);
    return bevels;
}

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
    // The classic rule tries start, start - 5, start - 10, ... down to 1 and
    // takes the first height that fits. Every trial loads a font, so instead of
    // walking down from the top this guesses the step from one measurement (a
    // text's width grows nearly in proportion to its height) and walks from
    // there, up or down, to the same first fit. That is the classic answer as
    // long as the width never shrinks as the height grows.
    constexpr int kStep = 5;
    const int start = std::max(startHeight, 1);
    // Heights by step number: step `last` is the first to reach 1.
    const int last = (start - 1 + kStep - 1) / kStep;
    const auto heightAt = [start](int step) { return std::max(start - step * kStep, 1); };
    const auto fits = [&](int step) { return heightAt(step) == 1 || widthAt(heightAt(step)) <= usableWidth; };

    const int startWidth = start == 1 ? 0 : widthAt(start);
    if (start == 1 || startWidth <= usableWidth)
        return start;
    // startWidth > usableWidth here, so startWidth > 0 unless the room is negative.
    const double guessHeight = usableWidth <= 0 ? 0.0 : static_cast<double>(start) * usableWidth / startWidth;
    int step = std::clamp(static_cast<int>(std::ceil((start - guessHeight) / kStep)), 1, last);
    if (fits(step)) {
        while (step > 1 && fits(step - 1))
            --step;
    } else {
        do
            ++step;
        while (!fits(step));
    }
    return heightAt(step);
}

} // namespace hv
