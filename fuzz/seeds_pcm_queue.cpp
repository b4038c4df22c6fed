// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the seed corpus of fuzz_pcm_queue into the folder named by its
// argument: the ways the sound service uses the queue (a sequence with sounds
// asked for during it, a beep over a sound, a stop), in mono and stereo.

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <cstdio>
#include <initializer_list>
#include <utility>
#include <vector>

namespace {

// The opcodes of fuzz_pcm_queue.
enum Op : char
{
    AppendSamples = 0, // count, seed
    AppendSound = 1,   // flags (bit 0: in sequence), frames, piece, extra
    Read = 2,          // bytes, little-endian 16-bit
    MixIn = 3,         // count, seed, margin
    SetTail = 4,       // frames
    DropPendingSingles = 5,
    Clear = 6,
};

QByteArray ops(char channelsBit, std::initializer_list<int> bytes)
{
    QByteArray out(1, channelsBit);
    for (const int b : bytes)
        out.append(char(b));
    return out;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: seeds_pcm_queue FOLDER\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral(".")))
        return 1;

    const std::vector<std::pair<const char*, QByteArray>> seeds{
        {"sequence-stereo", ops(1, {AppendSound,
                                    1,
                                    200,
                                    16,
                                    0,
                                    AppendSound,
                                    3,
                                    120,
                                    64,
                                    0,
                                    AppendSound,
                                    1,
                                    90,
                                    7,
                                    0,
                                    SetTail,
                                    50,
                                    Read,
                                    0x00,
                                    0x04,
                                    Read,
                                    0x03,
                                    0x02,
                                    AppendSound,
                                    0,
                                    40,
                                    5,
                                    0,
                                    DropPendingSingles,
                                    AppendSound,
                                    0,
                                    30,
                                    9,
                                    0,
                                    Read,
                                    0xff,
                                    0x0f,
                                    Read,
                                    0xff,
                                    0x0f})},
        {"beep-over-sound-mono",
         ops(0, {AppendSound, 0,  250,  33,   0,    SetTail, 20,   Read, 0x40, 0x00, MixIn, 200,
                 99,          20, Read, 0x01, 0x01, Read,    0xff, 0x0f, Read, 0xff, 0x0f})},
        {"damaged-sound", ops(1, {AppendSound, 0, 10, 3, 7, AppendSamples, 33, 5, SetTail, 4, Read, 0x29,
                                  0x00, Read, 0x28, 0x00, Read, 0x00, 0x01})},
        {"stop-and-again",
         ops(0, {AppendSamples, 200, 1, Read, 0x10, 0x00, Clear, Read, 0x10, 0x00, AppendSound, 1, 20, 2, 0,
                 MixIn,         7,   3, 0,    Read, 0x80, 0x00})},
    };
    for (const auto& [name, bytes] : seeds) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return 1;
    }
    return 0;
}
