// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/FaceLayout.h"

#include <QTest>

#include <cmath>
#include <functional>

using namespace hv;

class TestFaceLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void faceGeometry();
    void usableRoom_data();
    void usableRoom();
    void fontFitAlwaysEnds();
    void fontFitMatchesTryingEveryStep_data();
    void fontFitMatchesTryingEveryStep();
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

namespace {

// The rule as it reads: every step from the top until one fits.
int fitByEveryStep(int startHeight, int usableWidth, const std::function<int(int)>& widthAt)
{
    int height = std::max(startHeight, 1);
    while (height > 1 && widthAt(height) > usableWidth)
        height = std::max(height - 5, 1);
    return height;
}

} // namespace

void TestFaceLayout::fontFitMatchesTryingEveryStep_data()
{
    // Text widths that never fall as the height rises, but are not in
    // proportion to it either. Widths close to proportional, as fonts give
    // them, must be fitted with a few measurements; the others only right.
    using Width = std::function<int(int)>;
    QTest::addColumn<Width>("widthAt");
    QTest::addColumn<bool>("nearlyProportional");
    QTest::newRow("proportional") << Width([](int h) { return 4 * h; }) << true;
    QTest::newRow("fixed margin") << Width([](int h) { return 3 * h + 10; }) << true;
    QTest::newRow("rounded advances") << Width([](int h) { return 8 * ((h * 7 + 5) / 10); }) << true;
    QTest::newRow("hinting plateaus") << Width([](int h) { return 50 * (h / 7) + 5; }) << true;
    QTest::newRow("empty text") << Width([](int) { return 0; }) << true;
    QTest::newRow("wider when large") << Width([](int h) { return h * h / 20 + h; }) << false;
    QTest::newRow("narrower when large")
        << Width([](int h) { return static_cast<int>(60 * std::sqrt(h)); }) << false;
}

void TestFaceLayout::fontFitMatchesTryingEveryStep()
{
    QFETCH(std::function<int(int)>, widthAt);
    QFETCH(bool, nearlyProportional);

    for (int start : {-3, 1, 2, 6, 7, 31, 92, 300, 1001}) {
        for (int room : {-5, 0, 1, 9, 57, 200, 413, 1000, 5000}) {
            int measured = 0;
            const auto counted = [&](int h) {
                ++measured;
                return widthAt(h);
            };
            QCOMPARE(fitFontHeight(start, room, counted), fitByEveryStep(start, room, widthAt));
            // A large face must not cost a font for every step down.
            QVERIFY2(!nearlyProportional || measured <= 4,
                     qPrintable(QStringLiteral("start %1, room %2: %3 heights measured")
                                    .arg(start)
                                    .arg(room)
                                    .arg(measured)));
        }
    }
}

QTEST_GUILESS_MAIN(TestFaceLayout)
#include "tst_FaceLayout.moc"
