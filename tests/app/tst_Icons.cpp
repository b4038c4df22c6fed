// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QTest>

// The pictures that the windows take from the resources, drawn as the
// speedbar and the tray draw them.
class TestIcons : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void drawsEveryIcon_data();
    void drawsEveryIcon();
};

void TestIcons::drawsEveryIcon_data()
{
    QTest::addColumn<QString>("name");
    for (const char* name :
         {"horavox", "options", "alarms", "cdplayer", "timers", "about", "help", "help-down", "exit"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestIcons::drawsEveryIcon()
{
    QFETCH(QString, name);

    const QIcon icon(QStringLiteral(":/icons/%1.svg").arg(name));
    for (int size : {16, 25, 64}) {
        const QImage image = icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(image.size(), QSize(size, size));
        int opaque = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                opaque += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
        // A glyph covers a fair part of its square, and never all of it.
        QVERIFY2(opaque > size * size / 8 && opaque < size * size,
                 qPrintable(QStringLiteral("%1 px: %2 opaque pixels").arg(size).arg(opaque)));
    }
}

QTEST_MAIN(TestIcons)
#include "tst_Icons.moc"
