// SPDX-License-Identifier: GPL-3.0-or-later
#include "FaceChoices.h"

#include "common/Conversions.h"

#include <algorithm>

namespace hv {

QStringList faceStyleNames()
{
    return {QStringLiteral("Regular"), QStringLiteral("Bold"), QStringLiteral("Italic"),
            QStringLiteral("BoldItalic")};
}

std::optional<FaceStyle> faceStyleFromName(const QString& name)
{
    if (name == QLatin1String("Regular"))
        return FaceStyle{false, false};
    if (name == QLatin1String("Bold"))
        return FaceStyle{true, false};
    if (name == QLatin1String("Italic"))
        return FaceStyle{false, true};
    if (name == QLatin1String("BoldItalic"))
        return FaceStyle{true, true};
    return std::nullopt;
}

QString faceStyleName(FaceStyle style)
{
    if (style.bold && style.italic)
        return QStringLiteral("BoldItalic");
    if (style.italic)
        return QStringLiteral("Italic");
    if (style.bold)
        return QStringLiteral("Bold");
    return QStringLiteral("Regular");
}

QStringList bevelNames()
{
    return {QStringLiteral("Raised"), QStringLiteral("Lowered"), QStringLiteral("None")};
}

std::optional<qint32> bevelValueOfName(const QString& name)
{
    if (name == QLatin1String("Raised"))
        return 2;
    if (name == QLatin1String("Lowered"))
        return 1;
    if (name == QLatin1String("None"))
        return 0;
    return std::nullopt;
}

int bevelIndexOfValue(qint32 value)
{
    const QStringList names = bevelNames();
    for (int index = 0; index < names.size(); ++index) {
        if (bevelValueOfName(names.at(index)) == value)
            return index;
    }
    return -1;
}

bool isWidthCharacter(QChar c)
{
    return (c >= u'0' && c <= u'9') || c == u'-' || c == u'+';
}

int widthOnLeaving(const QString& text)
{
    return std::clamp(tryStrToInt(text).value_or(0), kMinWidth, kMaxWidth);
}

int steppedWidth(const QString& text, int step)
{
    const int now = std::clamp(tryStrToInt(text).value_or(0), kMinWidth, kMaxWidth);
    return std::clamp(now + step, kMinWidth, kMaxWidth);
}

QList<qint32> intervalChoices()
{
    return {1, 5, 10, 15, 30, 60};
}

} // namespace hv
