// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <QStringView>

#include <optional>

namespace hv {

// Splits a command line into a program and its arguments the way a POSIX shell
// splits words, so that a program can be started without a shell:
// - words are separated by runs of blanks (space, tab, newline, carriage return);
// - '...' keeps everything inside as it stands, backslashes included;
// - "..." keeps everything inside, except that a backslash before $ ` " \ gives
//   that character and a backslash before a newline removes both;
// - a backslash outside quotes gives the next character as it stands, and
//   before a newline removes both; a backslash that ends the line stays;
// - quotes inside a word join it ('a'b"c" is abc), and '' or "" alone is an
//   empty argument.
// Nothing else is special: $HOME, *, ~, #, ;, |, < and > are ordinary characters.
// Empty when a quote is left open. A line of blanks gives an empty list.
std::optional<QStringList> splitCommandLine(QStringView commandLine);

} // namespace hv
