// SPDX-License-Identifier: GPL-3.0-or-later
#include "AlarmTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <numeric>

namespace hv {

namespace {

QStringList recordedFiles(const QStringList& storedPaths, const QString& programDir)
{
    QStringList files;
    for (const QString& stored : storedPaths) {
        if (const auto file = recordedWaveFile(stored, programDir))
            files.append(*file);
    }
    return files;
}

QStringList recordedFiles(const AlarmRecord& record, const QString& programDir)
{
    return recordedFiles(storedWavePaths(record), programDir);
}

} // namespace

AlarmRecord& AlarmTable::slot(int n)
{
    return m_records.at(index(n));
}

const AlarmRecord& AlarmTable::slot(int n) const
{
    return m_records.at(index(n));
}

AlarmId AlarmTable::idOf(int n) const
{
    return m_ids.at(index(n));
}

std::optional<int> AlarmTable::slotOf(AlarmId id) const
{
    const auto found = std::ranges::find(m_ids, id);
    if (id == 0 || found == m_ids.end())
        return std::nullopt;
    return static_cast<int>(found - m_ids.begin()) + 1;
}

AlarmId AlarmTable::nextId()
{
    static AlarmId last = 0; // one program, one thread: identities never repeat in a run
    return ++last;
}

std::array<AlarmId, AlarmTable::kSlots> AlarmTable::freshIds()
{
    std::array<AlarmId, kSlots> ids{};
    std::ranges::generate(ids, &AlarmTable::nextId);
    return ids;
}

int AlarmTable::usedCount() const
{
    return static_cast<int>(std::ranges::count_if(m_records, &AlarmRecord::isUsed));
}

std::optional<int> AlarmTable::findFreeSlot() const
{
    const auto free = std::ranges::find_if_not(m_records, &AlarmRecord::isUsed);
    if (free == m_records.end())
        return std::nullopt;
    return static_cast<int>(free - m_records.begin()) + 1;
}

SlotMoves AlarmTable::sort()
{
    return rearrange(sortedOrder(identityOrder()));
}

void AlarmTable::clearSlot(int n)
{
    slot(n).clear();
    m_ids[index(n)] = nextId();
}

SlotMoves AlarmTable::removeSlot(int n, const QString& programDir)
{
    discardRecordedFiles(n, programDir);
    clearSlot(n);
    Order order = identityOrder();
    // The cleared record goes to slot 50 as the ones after it move down.
    std::rotate(order.begin() + (n - 1), order.begin() + n, order.end());
    return rearrange(sortedOrder(order));
}

void AlarmTable::autoDelete(int n, const QString& programDir)
{
    discardRecordedFiles(n, programDir);
    clearSlot(n);
}

SlotMoves AlarmTable::closeGaps()
{
    Order order = identityOrder();
    // The iterator form: clang 14 cannot instantiate the subrange that the
    // ranges form returns with the standard library of GCC 12.
    std::stable_partition(order.begin(), order.end(),
                          [this](std::size_t i) { return m_records[i].isUsed(); });
    return rearrange(order);
}

std::size_t AlarmTable::index(int n)
{
    Q_ASSERT_X(n >= 1 && n <= kSlots, "AlarmTable", "slot numbers run from 1 to 50");
    return static_cast<std::size_t>(n - 1);
}

AlarmTable::Order AlarmTable::identityOrder()
{
    Order order;
    std::iota(order.begin(), order.end(), std::size_t{0});
    return order;
}

// Sorts the records that `order` arranges, comparing them where they now are,
// so that a shift and the sort after it become one rearrangement.
AlarmTable::Order AlarmTable::sortedOrder(Order order) const
{
    const auto mustSwap = [&](std::size_t earlier, std::size_t later) {
        const AlarmRecord& a = m_records[order[earlier]];
        const AlarmRecord& b = m_records[order[later]];
        return a.StartTime > b.StartTime && b.isUsed();
    };
    for (std::size_t gap = order.size() / 2; gap > 0; gap /= 2) {
        for (std::size_t i = gap; i < order.size(); ++i) {
            for (std::size_t j = i; j >= gap && mustSwap(j - gap, j); j -= gap)
                std::swap(order[j - gap], order[j]);
        }
    }
    return order;
}

SlotMoves AlarmTable::rearrange(const Order& order)
{
    if (std::ranges::is_sorted(order)) // the identity: nothing moves
        return {};
    const Records before = m_records;
    const std::array<AlarmId, kSlots> idsBefore = m_ids;
    SlotMoves moves;
    for (std::size_t i = 0; i < order.size(); ++i) {
        m_records[i] = before[order[i]];
        m_ids[i] = idsBefore[order[i]];
        if (order[i] != i && m_records[i].isUsed())
            moves.push_back({static_cast<int>(order[i]) + 1, static_cast<int>(i) + 1});
    }
    return moves;
}

// A recording that another alarm or a live setting still plays is kept:
// deleting it would leave that one without its sound.
void AlarmTable::discardRecordedFiles(int n, const QString& programDir) const
{
    QStringList stillUsed;
    if (m_wavesNamedElsewhere)
        stillUsed += recordedFiles(m_wavesNamedElsewhere(), programDir);
    for (int other = 1; other <= kSlots; ++other) {
        if (other != n && slot(other).isUsed())
            stillUsed += recordedFiles(slot(other), programDir);
    }
    for (const QString& file : recordedFiles(slot(n), programDir)) {
        if (!stillUsed.contains(file))
            QFile::remove(file);
    }
}

QString alarmLimitMessage()
{
    // Three pieces joined as they stand; the first ends in its period, so the
    // number follows it directly.
    return QStringLiteral("Alarm could not be saved.  You only can have up to .") +
           QString::number(AlarmTable::kSlots) +
           QStringLiteral(" alarms at a time.  Delete some alarms to make room for more.");
}

QStringList storedWavePaths(const AlarmRecord& record)
{
    QStringList paths{record.WaveA.text(), record.WaveB.text()};
    // Only a Wave File alarm's Target is a wave; other kinds hold text or a command line there.
    if (record.AlarmKind == KindWaveFile)
        paths.append(record.Target.text());
    return paths;
}

std::optional<QString> recordedWaveFile(const QString& storedPath, const QString& programDir)
{
    const qsizetype lastSeparator = std::max(storedPath.lastIndexOf(u'/'), storedPath.lastIndexOf(u'\\'));
    const QString name = storedPath.mid(lastSeparator + 1);
    if (!name.startsWith(QLatin1String("Horavox-")) || !name.endsWith(QLatin1String(".wav")))
        return std::nullopt;
    const QString waves = QDir::cleanPath(QDir(programDir).absoluteFilePath(QStringLiteral("waves")));
    const QFileInfo local(storedPath);
    QString file;
    // On this system "C:\..." is a relative name and a '\' belongs to the file
    // name, which then differs from `name`: such a path goes by name.
    if (local.isAbsolute() && local.fileName() == name && local.exists())
        file = QDir::cleanPath(local.absoluteFilePath());
    else
        file = waves + u'/' + name;
    // The alarm plays this file; unless the recorder could have made it, it is
    // the user's and stays.
    const QFileInfo found(file);
    if (QDir::cleanPath(found.absolutePath()) != waves || found.isDir())
        return std::nullopt;
    return file;
}

} // namespace hv
