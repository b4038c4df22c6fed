// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecorderFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace hv {

QString temporaryRecording(const QString& wavesDir)
{
    return QDir(wavesDir).filePath(QStringLiteral("temp.wav"));
}

QString numberedRecording(const QString& wavesDir, int n)
{
    return QDir(wavesDir).filePath(QStringLiteral("Horavox-%1.wav").arg(n));
}

std::optional<QString> freeRecordingName(const QString& wavesDir)
{
    for (int n = 1; n <= kRecordingNumbers; ++n) {
        const QString name = numberedRecording(wavesDir, n);
        // A dangling link or a folder of that name also holds the number.
        if (!QFileInfo(name).exists() && !QFileInfo(name).isSymLink())
            return name;
    }
    return std::nullopt;
}

QString lengthText(qint64 ms)
{
    ms = std::max<qint64>(ms, 0);
    return QStringLiteral("%1:%2.%3")
        .arg(ms / 60000)
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms / 100 % 10);
}

QList<ClockWord> clockWords()
{
    static const QStringList spoken = {
        QStringLiteral("oh"),       QStringLiteral("one"),      QStringLiteral("two"),
        QStringLiteral("three"),    QStringLiteral("four"),     QStringLiteral("five"),
        QStringLiteral("six"),      QStringLiteral("seven"),    QStringLiteral("eight"),
        QStringLiteral("nine"),     QStringLiteral("ten"),      QStringLiteral("eleven"),
        QStringLiteral("twelve"),   QStringLiteral("thirteen"), QStringLiteral("fourteen"),
        QStringLiteral("fifteen"),  QStringLiteral("sixteen"),  QStringLiteral("seventeen"),
        QStringLiteral("eighteen"), QStringLiteral("nineteen"), QStringLiteral("twenty"),
    };
    QList<ClockWord> words;
    for (int n = 0; n < spoken.size(); ++n)
        words.append({spoken.at(n), QStringLiteral("wavefile_%1.wav").arg(n)});
    words.append({QStringLiteral("thirty"), QStringLiteral("wavefile_30.wav")});
    words.append({QStringLiteral("forty"), QStringLiteral("wavefile_40.wav")});
    words.append({QStringLiteral("fifty"), QStringLiteral("wavefile_50.wav")});
    words.append({QStringLiteral("o'clock"), QStringLiteral("wavefile_oclock.wav")});
    return words;
}

} // namespace hv
