// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/CommandLineSplit.h"

#include <utility>

namespace hv {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

// The characters that a backslash escapes inside double quotes.
bool escapableInDoubleQuotes(QChar c)
{
    return c == u'$' || c == u'`' || c == u'"' || c == u'\\' || c == u'\n';
}

} // namespace

std::optional<QStringList> splitCommandLine(QStringView commandLine)
{
    QStringList words;
    QString word;
    // A word can be empty ('' or "") and still be a word, so its presence is
    // tracked apart from its text.
    bool inWord = false;
    const qsizetype length = commandLine.size();

    for (qsizetype i = 0; i < length; ++i) {
        const QChar c = commandLine[i];
        if (isBlank(c)) {
            if (inWord)
                words.append(std::exchange(word, QString()));
            inWord = false;
            continue;
        }
        if (c == u'\\' && i + 1 < length && commandLine[i + 1] == u'\n') {
            ++i; // a line continuation: gone, and it starts no word
            continue;
        }
        inWord = true;
        if (c == u'\\') {
            // The next character as it stands; a backslash that ends the line stays.
            word += i + 1 < length ? commandLine[++i] : c;
        } else if (c == u'\'') {
            const qsizetype close = commandLine.indexOf(u'\'', i + 1);
            if (close < 0)
                return std::nullopt;
            word += commandLine.sliced(i + 1, close - i - 1);
            i = close;
        } else if (c == u'"') {
            bool closed = false;
            for (++i; i < length; ++i) {
                const QChar d = commandLine[i];
                if (d == u'"') {
                    closed = true;
                    break;
                }
                if (d == u'\\' && i + 1 < length && escapableInDoubleQuotes(commandLine[i + 1])) {
                    ++i;
                    if (commandLine[i] != u'\n')
                        word += commandLine[i];
                } else {
                    word += d;
                }
            }
            if (!closed)
                return std::nullopt;
        } else {
            word += c;
        }
    }
    if (inWord)
        words.append(word);
    return words;
}

} // namespace hv
