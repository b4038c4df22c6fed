// SPDX-License-Identifier: GPL-3.0-or-later
// The yardstick for bench_app: the least a Qt program that shows the time can
// be. One label, updated by a one-second timer, in a window of the clock's
// default size. bench_app starts it beside the clock in the same run and
// measures it the same way, so that the load of a shared machine cancels out
// of the clock/bare ratio.
//
// The text is drawn in the clock face's default colour (0x000080), which is
// what bench_app looks for on screen to call a window painted.

#include <QApplication>
#include <QLabel>
#include <QTime>
#include <QTimer>

int main(int argc, char* argv[])
{
    const QApplication app(argc, argv);
    QLabel label;
    label.setAlignment(Qt::AlignCenter);
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, QColor(0x00, 0x00, 0x80));
    label.setPalette(palette);
    QFont font = label.font();
    font.setPixelSize(40); // pixels: digits with solid strokes, as the face has
    label.setFont(font);
    const auto showTime = [&label] {
        label.setText(QTime::currentTime().toString(QStringLiteral("hh:mm:ss")));
    };
    showTime();
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &label, showTime);
    timer.start(1000);      // ms
    label.resize(212, 131); // the clock's default client size, in pixels
    label.show();
    return QApplication::exec();
}
