// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/FaceLayout.h"

#include <QTest>

using namespace hv;

class TestFaceLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void faceGeometry();
    void usableRoom_data();
    void usableRoom();
    void fontFitAlwaysEnds();
};

void TestFaceLayout::faceGeometry()
{
    // Scaling: 131 - 31 = 100 pixels of face for a stored width of 2, given for 66 pixels.
    QCOMPARE(scaleToFace(100, 2, 66, Scaling::Truncated), 3);
    QCOMPARE(scaleToFace(100, 2, 66, Scaling::Rounded), 3);
    QCOMPARE(scaleToFace(83, 2, 66, Scaling::Truncated), 2); // 2.51
    QCOMPARE(scaleToFace(83, 2, 66, Scaling::Rounded), 3);
    QCOMPARE(scaleToFace(16, 2, 66, Scaling::Rounded), 0); // 0.48
    QCOMPARE(scaleToFace(100, 2, 0, Scaling::Rounded), 0); // no reference height: no bevel
}

void TestFaceLayout::usableRoom_data()
{
    QTest::addColumn<int>("outer");
    QTest::addColumn<int>("inner");
    QTest::addColumn<int>("bevelWidth");
    QTest::addColumn<int>("borderWidth");
    QTest::addColumn<QSize>("expected");

    QTest::newRow("raised") << 2 << 0 << 3 << 1 << QSize(204, 92);
    QTest::newRow("both bevels") << 2 << 1 << 3 << 1 << QSize(198, 86);
    QTest::newRow("no bevel") << 0 << 0 << 3 << 1 << QSize(204, 92);
    // Out of range: the room never goes below one pixel, and never wraps.
    QTest::newRow("bevels wider than the face") << 2 << 1 << 30 << 0 << QSize(92, 1);
    QTest::newRow("widths in the millions") << 2 << 1 << 5000000 << 5000000 << QSize(1, 1);
    QTest::newRow("largest widths") << 2 << 1 << INT_MAX << INT_MAX << QSize(1, 1);
    QTest::newRow("negative widths") << 2 << 1 << -40 << INT_MIN << QSize(212, 100);
}

void TestFaceLayout::usableRoom()
{
    QFETCH(int, outer);
    QFETCH(int, inner);
    QFETCH(int, bevelWidth);
    QFETCH(int, borderWidth);
    QFETCH(QSize, expected);
    const FaceBevels bevels{static_cast<Bevel>(outer), static_cast<Bevel>(inner), bevelWidth, borderWidth};
    QCOMPARE(usableFaceSize({212, 100}, bevels), expected);
}

void TestFaceLayout::fontFitAlwaysEnds()
{
    // A text four pixels wide per pixel of height.
    const auto widthAt = [](int height) { return 4 * height; };
    QCOMPARE(fitFontHeight(92, 400, widthAt), 92);
    QCOMPARE(fitFontHeight(92, 200, widthAt), 47); // 92, 87, ... in steps of 5
    QCOMPARE(fitFontHeight(92, 0, widthAt), 1);    // no room at all: the smallest font
    QCOMPARE(fitFontHeight(-20, 100, widthAt), 1); // a face smaller than its bevels
}

QTEST_GUILESS_MAIN(TestFaceLayout)
#include "tst_FaceLayout.moc"
