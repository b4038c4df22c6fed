// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSize>

#include <functional>

namespace hv {

// The geometry of the clock face: how much room the bevels leave for the text,
// how the bevels scale with the face, and how large the text may be.

enum class Bevel
{
    None = 0,
    Lowered = 1,
    Raised = 2
};

struct FaceBevels
{
    Bevel outer = Bevel::Raised;
    Bevel inner = Bevel::None;
    int bevelWidth = 2;  // pixels, already scaled to the face
    int borderWidth = 0; // pixels, already scaled to the face
};

// `bevels` with the outer and inner bevels as the settings file stores them,
// which are the values of Bevel; a value that names no bevel leaves that bevel
// as it was.
FaceBevels withStoredBevels(FaceBevels bevels, int outer, int inner);

// Resizing rounds the scaled width to the nearest pixel; applying the settings
// at start and after the options dialog truncates it.
enum class Scaling
{
    Rounded,
    Truncated
};
// A stored width given for a face `referenceHeight` pixels high, scaled to a
// face `faceHeight` pixels high.
int scaleToFace(int faceHeight, int storedWidth, int referenceHeight, Scaling scaling);

// The room inside the bevels (GetTotalDims): each bevel takes its width on
// every side, the border twice its width. With either bevel off only one
// bevel is counted, as if both sat in the same place. Never less than 1 by 1.
QSize usableFaceSize(QSize face, const FaceBevels& bevels);

// The font size for the face text: start with the usable height and shrink in
// steps of 5 while the text is wider than the usable width. `widthAt` measures
// the text at a given height. Never goes below 1, so a face too small for any
// text still ends (with the smallest font) instead of looping. Measures only a
// few heights near where the width says the answer lies, which gives the same
// height as trying every step provided the width never falls as the height rises.
int fitFontHeight(int startHeight, int usableWidth, const std::function<int(int height)>& widthAt);

} // namespace hv
