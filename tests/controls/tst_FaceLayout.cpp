#include "controls/FaceLayout.h"

#include <QTest>

using namespace hv;

class TestFaceLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void faceGeometry();
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

    const FaceBevels raised{Bevel::Raised, Bevel::None, 3, 1};
    QCOMPARE(usableFaceSize({212, 100}, raised), QSize(204, 92));
    const FaceBevels both{Bevel::Raised, Bevel::Lowered, 3, 1};
    QCOMPARE(usableFaceSize({212, 100}, both), QSize(198, 86));
    const FaceBevels none{Bevel::None, Bevel::None, 3, 1};
    QCOMPARE(usableFaceSize({212, 100}, none), QSize(204, 92));
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
