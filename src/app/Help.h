// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

namespace hv {

// The help pages: HTML in a folder, opened in the user's browser. Each help
// context number n of the windows is an anchor "context-<n>" in index.html;
// context 0 is the contents at the top of the page.

// Places where the pages may be, in the order they are tried:
//  1. <program folder>/../share/horavox/help, an installation found from the
//     running program, so that a moved installation still finds its own pages;
//  2. HORAVOX_SOURCE_HELP_DIR, the source tree's resources/help, for a program
//     run from its build folder;
//  3. HORAVOX_HELP_DIR, the folder the build installs to.
// Those that were not compiled in are left out.
QStringList helpFolderCandidates();

// The first candidate that holds index.html; empty when there is none.
QString helpFolder();

// The page for a context number; an empty URL when there are no pages.
QUrl helpUrl(int contextNumber = 0);

// Opens the page for a context number in the browser. A topic goes through a
// small forwarding page in the user's cache folder, since many openers drop
// the anchor of a file URL. False when there are no pages or the desktop could
// not open them.
bool openHelp(int contextNumber = 0);

// What to tell the user when openHelp() failed: that no web browser is set up
// to open the pages and where they are on disk, or, when there are no pages,
// where they were looked for.
QString helpNotOpenedText();

class Notices;
// Opens the page for a context number; when that fails, tells the user once,
// through `notices`, why and where the pages are.
void showHelp(int contextNumber, Notices& notices);

} // namespace hv
