// SPDX-License-Identifier: GPL-3.0-or-later
#include "Help.h"

#include "Notices.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace hv {

namespace {

const QString kIndexPage = QStringLiteral("index.html");

// Many openers pass a file URL on to the browser as a plain path and lose its
// "#context-<n>" (xdg-open outside the large desktops does), so the browser
// would show the top of the page. A small page that forwards to the anchor
// keeps the topic. Returns its URL, or an empty one when it cannot be written.
QUrl forwardingPage(const QUrl& target)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return {};
    const QString path = QDir(folder).filePath(QStringLiteral("help-topic.html"));
    const QString href = QString::fromUtf8(target.toEncoded()).toHtmlEscaped();
    const QString page = QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\" />"
                                        "<meta http-equiv=\"refresh\" content=\"0; url=%1\" />"
                                        "<title>Horavox Help</title></head>\n"
                                        "<body><p><a href=\"%1\">Horavox Help</a></p></body></html>\n")
                             .arg(href);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(page.toUtf8()) < 0 || !file.commit())
        return {};
    return QUrl::fromLocalFile(path);
}

} // namespace

QStringList helpFolderCandidates()
{
    QStringList candidates;
    if (QCoreApplication::instance())
        candidates << QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                      QStringLiteral("/../share/horavox/help"));
#ifdef HORAVOX_SOURCE_HELP_DIR
    candidates << QStringLiteral(HORAVOX_SOURCE_HELP_DIR);
#endif
#ifdef HORAVOX_HELP_DIR
    candidates << QStringLiteral(HORAVOX_HELP_DIR);
#endif
    return candidates;
}

QString helpFolder()
{
    for (const QString& folder : helpFolderCandidates()) {
        if (QFileInfo(QDir(folder).filePath(kIndexPage)).isFile())
            return folder;
    }
    return {};
}

QUrl helpUrl(int contextNumber)
{
    const QString folder = helpFolder();
    if (folder.isEmpty())
        return {};
    QUrl url = QUrl::fromLocalFile(QDir(folder).absoluteFilePath(kIndexPage));
    if (contextNumber > 0)
        url.setFragment(QStringLiteral("context-%1").arg(contextNumber));
    return url;
}

bool openHelp(int contextNumber)
{
    const QUrl url = helpUrl(contextNumber);
    if (url.isEmpty())
        return false;
    if (url.hasFragment()) {
        const QUrl forward = forwardingPage(url);
        if (!forward.isEmpty())
            return QDesktopServices::openUrl(forward);
    }
    return QDesktopServices::openUrl(url);
}

QString helpNotOpenedText()
{
    const QString folder = helpFolder();
    if (folder.isEmpty())
        return QStringLiteral("The help pages could not be found. They are looked for in: %1.")
            .arg(helpFolderCandidates().join(QStringLiteral(", ")));
    return QStringLiteral("Help could not be opened: no web browser is set up to open it. The help pages are "
                          "in %1; open %2 in any browser.")
        .arg(QDir::toNativeSeparators(QDir(folder).absolutePath()), kIndexPage);
}

void showHelp(int contextNumber, Notices& notices)
{
    if (!openHelp(contextNumber))
        notices.tell(QStringLiteral("help"), QStringLiteral("Horavox: Help"), helpNotOpenedText());
}

} // namespace hv
