// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/CompoundText.h"

#include <QByteArray>
#include <QStringDecoder>

#include <algorithm>
#include <cstdint>

namespace hv::x11 {

namespace {

constexpr std::uint8_t kEscape = 0x1b;
constexpr std::uint8_t kControlSequenceIntroducer = 0x9b;
constexpr std::uint8_t kStartOfText = 0x02;

// Surrogates without their partner, which some decoders (UTF-16, UTF-32) pass
// on as they found them, become U+FFFD: the text is handed on as UTF-16.
void replaceLoneSurrogates(QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
}

// Each run is decoded on its own, stateless, so that a character cut short at
// its end becomes U+FFFD instead of vanishing.
QString decode(const char* encoding, QByteArrayView bytes)
{
    if (encoding == nullptr)
        return QString(bytes.size(), QChar::ReplacementCharacter);
    QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
    if (!decoder.isValid())
        return QString(bytes.size(), QChar::ReplacementCharacter);
    QString text = decoder.decode(bytes);
    replaceLoneSurrogates(text);
    // One UTF-16 unit per byte at most, whatever an encoding named in the text
    // makes of it (SCSU gives two per byte in a window of the supplementary
    // planes): a title read from another program never outgrows its property.
    if (text.size() > bytes.size()) {
        const qsizetype keep = bytes.size();
        text.truncate(keep > 0 && text.at(keep - 1).isHighSurrogate() ? keep - 1 : keep);
    }
    return text;
}

// One half of the compound-text code table: the encoding that decodes its bytes
// (nullptr: a character set we cannot decode), and whether bytes of the left half
// need their high bit set first, as the EUC encodings of the 94x94 sets expect.
struct Charset
{
    const char* encoding = nullptr;
    bool raiseGl = false;
};

constexpr Charset kAscii{"ISO-8859-1", false};

// The character set an escape sequence designates; intermediates are the bytes
// between ESC and the final byte.
Charset designated(QByteArrayView intermediates, char final)
{
    if (intermediates == "(" && (final == 'B' || final == 'J')) // ASCII, JIS-Roman
        return kAscii;
    if (intermediates == ")" && final == 'I') // JIS X 0201 katakana in GR
        return {"Shift_JIS", false};
    if (intermediates == "-") { // 96-character sets in GR: the right halves of ISO 8859
        switch (final) {
        case 'A':
            return {"ISO-8859-1", false};
        case 'B':
            return {"ISO-8859-2", false};
        case 'C':
            return {"ISO-8859-3", false};
        case 'D':
            return {"ISO-8859-4", false};
        case 'F':
            return {"ISO-8859-7", false};
        case 'G':
            return {"ISO-8859-6", false};
        case 'H':
            return {"ISO-8859-8", false};
        case 'L':
            return {"ISO-8859-5", false};
        case 'M':
            return {"ISO-8859-9", false};
        case 'b':
            return {"ISO-8859-15", false};
        default:
            return {};
        }
    }
    if (intermediates == "$(" || intermediates == "$)") { // 94x94 sets, in GL or GR
        const bool gl = intermediates == "$(";
        switch (final) {
        case 'A':
            return {"GB2312", gl};
        case 'B':
            return {"EUC-JP", gl};
        case 'C':
            return {"EUC-KR", gl};
        default:
            return {};
        }
    }
    return {};
}

} // namespace

QString decodeCompoundText(QByteArrayView text)
{
    QString out;
    QByteArray run; // bytes waiting for one decoder
    const char* runEncoding = kAscii.encoding;
    const auto flush = [&] {
        if (!run.isEmpty())
            out += decode(runEncoding, run);
        run.clear();
    };
    const auto append = [&](const char* encoding, char byte) {
        if (encoding != runEncoding) {
            flush();
            runEncoding = encoding;
        }
        run += byte;
    };

    Charset gl = kAscii;
    Charset gr{"ISO-8859-1", false};
    bool utf8 = false;
    qsizetype i = 0;
    const auto byteAt = [&](qsizetype at) { return static_cast<std::uint8_t>(text[at]); };
    while (i < text.size()) {
        const std::uint8_t byte = byteAt(i);
        if (byte == kEscape) {
            qsizetype end = i + 1;
            while (end < text.size() && byteAt(end) >= 0x20 && byteAt(end) <= 0x2f)
                ++end;
            if (end >= text.size())
                break; // a sequence cut short ends the text
            const QByteArrayView intermediates = text.sliced(i + 1, end - i - 1);
            const char final = text[end];
            i = end + 1;
            if (intermediates == "%") {
                utf8 = final == 'G';
            } else if (intermediates == "%/") {
                // Extended segment: a two-byte length, the encoding's name up to STX, the text.
                if (i + 2 > text.size())
                    break;
                const qsizetype length = (byteAt(i) & 0x7f) * 128 + (byteAt(i + 1) & 0x7f);
                const QByteArrayView segment = text.sliced(i + 2, std::min(length, text.size() - i - 2));
                const qsizetype nameEnd = segment.indexOf(static_cast<char>(kStartOfText));
                if (nameEnd >= 0) {
                    flush();
                    const QByteArray name = segment.first(nameEnd).toByteArray();
                    out += decode(name.constData(), segment.sliced(nameEnd + 1));
                }
                i += 2 + segment.size();
            } else if (intermediates.startsWith("(") || intermediates.startsWith("$(")) {
                gl = designated(intermediates, final);
            } else {
                gr = designated(intermediates, final);
            }
            continue;
        }
        if (byte == kControlSequenceIntroducer && !utf8) {
            // Direction changes: parameters and intermediates, then a final byte.
            ++i;
            while (i < text.size() && (byteAt(i) < 0x40 || byteAt(i) > 0x7e))
                ++i;
            ++i;
            continue;
        }
        if (utf8)
            append("UTF-8", static_cast<char>(byte));
        else if (byte <= 0x20 || byte == 0x7f || (byte < 0x80 && gl.encoding == kAscii.encoding))
            append(kAscii.encoding, static_cast<char>(byte));
        else if (byte < 0x80)
            append(gl.encoding, static_cast<char>(gl.raiseGl ? byte | 0x80 : byte));
        else
            append(gr.encoding, static_cast<char>(byte));
        ++i;
    }
    flush();
    return out;
}

} // namespace hv::x11
