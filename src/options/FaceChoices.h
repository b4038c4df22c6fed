// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>

namespace hv {

// The rules of the options dialog's face controls, apart from the widgets.

// The font styles as stored, in the order the style list shows them.
QStringList faceStyleNames();

struct FaceStyle
{
    bool bold = false;
    bool italic = false;
    friend bool operator==(const FaceStyle&, const FaceStyle&) = default;
};
// The style a stored name gives, compared exactly ("Bold" but not "bold");
// nothing for any other text, which leaves a font's style as it was.
std::optional<FaceStyle> faceStyleFromName(const QString& name);
// "BoldItalic", "Italic", "Bold" or "Regular".
QString faceStyleName(FaceStyle style);

// The bevel lists show "Raised", "Lowered", "None"; the settings store 2, 1
// and 0: the place in the list is not the stored value.
QStringList bevelNames();
// The stored value of a list entry's text; nothing for another text.
std::optional<qint32> bevelValueOfName(const QString& name);
// The list entry for a stored value; -1 for a value the list does not have.
int bevelIndexOfValue(qint32 value);

// The width fields: whole numbers from kMinWidth to kMaxWidth.
inline constexpr int kMinWidth = 0;
inline constexpr int kMaxWidth = 100;
// Whether `c` may be typed into a width field: digits and signs.
bool isWidthCharacter(QChar c);
// What a width field holds once left: a readable number clamped to the range,
// 0 for unreadable text.
int widthOnLeaving(const QString& text);
// Up and Down: one more or one less, never beyond the range. Unreadable text
// steps from 0.
int steppedWidth(const QString& text, int step);

// The intervals of the interval list, in minutes.
QList<qint32> intervalChoices();

} // namespace hv
