// SPDX-License-Identifier: GPL-3.0-or-later
// A program for the launcher's desktop tests to start:
//   hv-testwindow TITLE RECORD [ARGUMENTS...]
// It writes every argument it was given, TITLE and RECORD included, as a JSON
// array on the first line of the file RECORD, shows one window titled TITLE,
// and ends when that window is closed, writing "exited" as the last line.

#include <QApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>

#include <cstdio>

namespace {

bool appendLine(const QString& path, const QByteArray& line)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    file.write(line + '\n');
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    // Taken before QApplication, which removes the arguments that it knows.
    QJsonArray arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    if (arguments.size() < 2) {
        std::fputs("usage: hv-testwindow TITLE RECORD [ARGUMENTS...]\n", stderr);
        return 2;
    }
    const QString title = arguments.at(0).toString();
    const QString record = arguments.at(1).toString();
    if (!appendLine(record, QJsonDocument(arguments).toJson(QJsonDocument::Compact)))
        return 1;

    QApplication app(argc, argv);
    QLabel window(title);
    window.setWindowTitle(title);
    window.setAlignment(Qt::AlignCenter);
    window.resize(240, 100);
    window.show();
    const int status = QApplication::exec();
    appendLine(record, "exited");
    return status;
}
