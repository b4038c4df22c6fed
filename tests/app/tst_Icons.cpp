// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTest>

// The pictures that the windows take from the resources: PNGs drawn from the
// SVGs in resources/icons by scripts/render-icons. A PNG that is missing,
// empty, of the wrong size or left behind by a changed SVG fails here.
class TestIcons : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pngMatchesItsSvg_data();
    void pngMatchesItsSvg();
};

namespace {

// The share of a picture's pixels that is more than half opaque.
QImage coverage(const QImage& picture)
{
    QImage mask(picture.size(), QImage::Format_Grayscale8);
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x)
            mask.setPixel(x, y, qAlpha(argb.pixel(x, y)) > 128 ? 0xffffffff : 0xff000000);
    return mask;
}

int countSet(const QImage& mask)
{
    int set = 0;
    for (int y = 0; y < mask.height(); ++y)
        for (int x = 0; x < mask.width(); ++x)
            set += qGray(mask.pixel(x, y)) > 128 ? 1 : 0;
    return set;
}

} // namespace

void TestIcons::pngMatchesItsSvg_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("size");
    for (const char* name : {"options", "alarms", "cdplayer", "timers", "about", "help", "help-down", "exit"})
        for (int size : {19, 38})
            QTest::addRow("%s %d", name, size) << QString::fromLatin1(name) << size;
    for (int size : {16, 22, 32, 48, 64, 128})
        QTest::addRow("horavox %d", size) << QStringLiteral("horavox") << size;
}

void TestIcons::pngMatchesItsSvg()
{
    QFETCH(QString, name);
    QFETCH(int, size);

    const QImage png(QStringLiteral(":/icons/png/%1-%2.png").arg(name).arg(size));
    QCOMPARE(png.size(), QSize(size, size));
    QSvgRenderer svg(QDir(QStringLiteral(HORAVOX_SOURCE_ICON_DIR)).filePath(name + QStringLiteral(".svg")));
    QVERIFY(svg.isValid());
    QCOMPARE(svg.defaultSize().width(), svg.defaultSize().height()); // drawn square, so not stretched

    QImage drawn(size, size, QImage::Format_ARGB32_Premultiplied);
    drawn.fill(Qt::transparent);
    QPainter painter(&drawn);
    svg.render(&painter);
    painter.end();

    // A glyph covers a fair part of its square, and never all of it.
    const QImage fromPng = coverage(png);
    const int opaque = countSet(fromPng);
    QVERIFY2(opaque > size * size / 8 && opaque < size * size, qPrintable(QString::number(opaque)));
    // The two renderers smooth the edges their own ways; a picture drawn from
    // another SVG differs in far more pixels than that.
    QImage differ = fromPng;
    const QImage fromSvg = coverage(drawn);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            differ.setPixel(x, y, fromPng.pixel(x, y) != fromSvg.pixel(x, y) ? 0xffffffff : 0xff000000);
    const int different = countSet(differ);
    QVERIFY2(different * 100 <= size * size * 5,
             qPrintable(QStringLiteral("%1 of %2 pixels differ").arg(different).arg(size * size)));
}

QTEST_MAIN(TestIcons)
#include "tst_Icons.moc"
