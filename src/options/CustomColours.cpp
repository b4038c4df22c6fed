// SPDX-License-Identifier: GPL-3.0-or-later
#include "CustomColours.h"

#include "common/AtomicFile.h"

#include <QFileInfo>
#include <QList>

namespace hv {

namespace {

// The file is a few hundred bytes; anything far larger is not ours.
constexpr qint64 kMaxFileBytes = 64 * 1024;

// 0 to 15 for "ColorA" to "ColorP" in any case; -1 for any other key.
int slotOfKey(QByteArrayView key)
{
    const QByteArray trimmed = key.trimmed().toByteArray().toUpper();
    if (trimmed.size() != 6 || !trimmed.startsWith("COLOR"))
        return -1;
    const char letter = trimmed.at(5);
    return letter >= 'A' && letter < 'A' + kCustomColourCount ? letter - 'A' : -1;
}

QByteArray keyOfSlot(int slot)
{
    return QByteArray("Color") + static_cast<char>('A' + slot);
}

QByteArray valueText(ColourValue colour)
{
    return QByteArray::number(colour, 16).toUpper().rightJustified(6, '0');
}

QList<QByteArray> linesOf(const QByteArray& content)
{
    QList<QByteArray> lines = content.split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast(); // the end of the last line, not a line of its own
    for (QByteArray& line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    return lines;
}

} // namespace

CustomColours emptyCustomColours()
{
    CustomColours colours;
    colours.fill(kColourNeverSet);
    return colours;
}

CustomColours parseCustomColours(const QByteArray& content)
{
    CustomColours colours = emptyCustomColours();
    std::array<bool, kCustomColourCount> seen{};
    for (const QByteArray& line : linesOf(content)) {
        const qsizetype equals = line.indexOf('=');
        if (equals < 0)
            continue;
        const int slot = slotOfKey(QByteArrayView(line).first(equals));
        if (slot < 0 || std::exchange(seen[static_cast<std::size_t>(slot)], true))
            continue;
        bool ok = false;
        const QByteArray value = line.mid(equals + 1).trimmed();
        const qulonglong parsed = value.toULongLong(&ok, 16);
        if (ok && !value.isEmpty() && parsed <= 0xFFFFFFFFULL)
            colours[static_cast<std::size_t>(slot)] = static_cast<ColourValue>(parsed);
    }
    return colours;
}

QByteArray formatCustomColours(const QByteArray& previous, const CustomColours& colours)
{
    std::array<bool, kCustomColourCount> written{};
    QByteArray out;
    for (const QByteArray& line : linesOf(previous)) {
        const qsizetype equals = line.indexOf('=');
        const int slot = equals < 0 ? -1 : slotOfKey(QByteArrayView(line).first(equals));
        if (slot >= 0 && !std::exchange(written[static_cast<std::size_t>(slot)], true))
            out += line.first(equals) + '=' + valueText(colours[static_cast<std::size_t>(slot)]);
        else
            out += line; // a foreign line, or a second line for a slot: kept as it was
        out += "\r\n";
    }
    for (int slot = 0; slot < kCustomColourCount; ++slot) {
        if (!written[static_cast<std::size_t>(slot)])
            out += keyOfSlot(slot) + '=' + valueText(colours[static_cast<std::size_t>(slot)]) + "\r\n";
    }
    return out;
}

std::optional<CustomColours> loadCustomColours(const QString& path)
{
    if (!QFileInfo::exists(path))
        return std::nullopt;
    const std::optional<QByteArray> content = readRegularFile(path, kMaxFileBytes);
    if (!content)
        return std::nullopt;
    return parseCustomColours(*content);
}

void saveCustomColours(const QString& path, const CustomColours& colours)
{
    const QByteArray previous =
        QFileInfo::exists(path) ? readRegularFile(path, kMaxFileBytes).value_or(QByteArray()) : QByteArray();
    writeFileAtomically(path, formatCustomColours(previous, colours));
}

} // namespace hv
