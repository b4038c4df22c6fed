// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the seed corpus of fuzz_compound_text into the folder named by its
// argument: titles in every character set the decoder knows, UTF-8 and extended
// segments, direction controls, and sequences cut short.

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <cstdio>
#include <utility>
#include <vector>

namespace {

QByteArray esc(const char* sequence)
{
    return QByteArray("\x1b") + sequence;
}

QByteArray extendedSegment(const QByteArray& name, const QByteArray& text)
{
    const auto length = name.size() + 1 + text.size();
    QByteArray out = esc("%/1");
    out.append(char(0x80 | (length / 128 % 128))).append(char(0x80 | (length % 128)));
    return out + name + '\x02' + text;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: seeds_compound_text FOLDER\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral(".")))
        return 1;

    const QByteArray high("\xa0\xb1\xc4\xd5\xe6\xf7\xff");
    std::vector<std::pair<const char*, QByteArray>> seeds{
        {"latin1", QByteArray("Caf\xe9 - Editor")},
        {"latin2", esc("-B") +
                       "\xa3\xf3"
                       "d\xbc " +
                       high},
        {"cyrillic", esc("-L") + "\xbf\xe0\xd8\xd2\xd5\xe2" + esc("-A") + "\xe9"},
        {"greek-hebrew-arabic", esc("-F") + high + esc("-H") + high + esc("-G") + high},
        {"latin-more", esc("-C") + high + esc("-D") + high + esc("-M") + high + esc("-b") + high},
        {"japanese",
         esc("$(B") + "\x46\x7c\x4b\x5c" + esc("(B") + "x" + esc("$)B") + "\xc6\xfc" + esc(")I") + "\xb1"},
        {"chinese-korean", esc("$)A") + "\xc4\xe3\xba\xc3" + esc("$(C") + "\x47\x51" + esc("(J") + "a"},
        {"utf8", esc("%G") + "\xe2\x82\xac \xf0\x9f\x94\x94 \xc3" + esc("%@") + "\xe9"},
        {"extended", extendedSegment("ISO-8859-2", "\xb1") + extendedSegment("UTF-8", "\xc3\xa9") +
                         extendedSegment("EUC-JP", "\xc6\xfc") + extendedSegment("Big5", "\xa4\xa4")},
        {"extended-wide", extendedSegment("UTF-16", QByteArray("\x3d\xd8\x14\xdd\x41", 5)) +
                              extendedSegment("UTF-32", QByteArray("\x14\xf5\x01\x00", 4)) +
                              extendedSegment("SCSU", QByteArray("\x0b\x20\x00\x90\x91\x92", 6))},
        {"direction", '\x9b' + QByteArray("1]abc") + '\x9b' + "2]def" + '\x9b' + ']'},
        {"cut", "abc" + esc("$(") + '\x9b' + "12" + esc("%/1") + "\x80"},
    };
    for (const auto& [name, bytes] : seeds) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return 1;
    }
    return 0;
}
