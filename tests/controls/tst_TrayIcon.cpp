// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/TrayIcon.h"

#include <QApplication>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>

using namespace hv;

namespace {

// Counts what would reach the desktop, then lets the real icon do its part.
class CountingTrayIcon : public TrayIcon
{
public:
    int adds = 0;
    int removes = 0;
    int modifies = 0;

protected:
    void addIcon() override
    {
        ++adds;
        TrayIcon::addIcon();
    }
    void removeIcon() override
    {
        ++removes;
        TrayIcon::removeIcon();
    }
    void modifyIcon() override
    {
        ++modifies;
        TrayIcon::modifyIcon();
    }
};

QIcon someIcon()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::darkBlue);
    return QIcon(pixmap);
}

} // namespace

class TestTrayIcon : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void toolTipIsCut_data();
    void toolTipIsCut();
    void activeChangesOnlyOnChange();
    void iconAndTipReachOnlyAShownIcon();
    void activationReasonsMapToEvents_data();
    void activationReasonsMapToEvents();
    void noMenuIsAttached();
};

void TestTrayIcon::toolTipIsCut_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("kept");

    const QString seventy = QString(QStringLiteral("0123456789")).repeated(7);
    QTest::newRow("70 characters keep the first 62") << seventy << seventy.left(62);
    QTest::newRow("exactly 62 stay whole") << seventy.left(62) << seventy.left(62);
    QTest::newRow("short stays whole") << QStringLiteral("Horavox 32") << QStringLiteral("Horavox 32");
    QTest::newRow("empty") << QString() << QString();
    // U+1F552 (a clock face) is two UTF-16 units; one of them alone is no character.
    const QString clock = QString::fromUcs4(U"\U0001F552");
    QTest::newRow("no half surrogate pair at the cut")
        << seventy.left(61) + clock + QStringLiteral("xyz") << seventy.left(61);
}

void TestTrayIcon::toolTipIsCut()
{
    QFETCH(QString, given);
    QFETCH(QString, kept);

    TrayIcon tray;
    tray.setToolTip(given);
    QCOMPARE(tray.toolTip(), kept);
    QCOMPARE(tray.property("toolTip").toString(), kept);
}

void TestTrayIcon::activeChangesOnlyOnChange()
{
    CountingTrayIcon tray;
    tray.setIcon(someIcon());

    tray.setActive(false);
    QCOMPARE(tray.adds + tray.removes + tray.modifies, 0);

    tray.setActive(true);
    tray.setActive(true);
    QVERIFY(tray.isActive());
    QCOMPARE(tray.adds, 1);

    tray.setProperty("active", false);
    tray.setProperty("active", false);
    QVERIFY(!tray.isActive());
    QCOMPARE(tray.removes, 1);
    QCOMPARE(tray.adds, 1);
    QCOMPARE(tray.modifies, 0);
}

void TestTrayIcon::iconAndTipReachOnlyAShownIcon()
{
    CountingTrayIcon tray;
    tray.setToolTip(QStringLiteral("before"));
    tray.setIcon(someIcon());
    QCOMPARE(tray.modifies, 0);

    tray.setActive(true);
    tray.setToolTip(QStringLiteral("Horavox 32 - Monday, March 4, 2024,  7:05 AM"));
    tray.setIcon(someIcon());
    QCOMPARE(tray.modifies, 2);

    // The tip given while hidden is what the shown icon carries.
    auto* platformIcon = tray.findChild<QSystemTrayIcon*>();
    QVERIFY(platformIcon);
    QCOMPARE(platformIcon->toolTip(), QStringLiteral("Horavox 32 - Monday, March 4, 2024,  7:05 AM"));
}

void TestTrayIcon::activationReasonsMapToEvents_data()
{
    QTest::addColumn<int>("reason");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<int>("doubleClicks");
    QTest::addColumn<int>("rightClicks");

    QTest::newRow("left click") << int(QSystemTrayIcon::Trigger) << 1 << 0 << 0;
    QTest::newRow("double click") << int(QSystemTrayIcon::DoubleClick) << 0 << 1 << 0;
    QTest::newRow("right click") << int(QSystemTrayIcon::Context) << 0 << 0 << 1;
    QTest::newRow("middle click") << int(QSystemTrayIcon::MiddleClick) << 0 << 0 << 0;
    QTest::newRow("unknown") << int(QSystemTrayIcon::Unknown) << 0 << 0 << 0;
}

void TestTrayIcon::activationReasonsMapToEvents()
{
    QFETCH(int, reason);
    QFETCH(int, clicks);
    QFETCH(int, doubleClicks);
    QFETCH(int, rightClicks);

    TrayIcon tray;
    QSignalSpy click(&tray, &TrayIcon::clicked);
    QSignalSpy doubleClick(&tray, &TrayIcon::doubleClicked);
    QSignalSpy rightClick(&tray, &TrayIcon::contextMenuRequested);

    auto* platformIcon = tray.findChild<QSystemTrayIcon*>();
    QVERIFY(platformIcon);
    QCursor::setPos(QPoint(123, 45));
    Q_EMIT platformIcon->activated(QSystemTrayIcon::ActivationReason(reason));

    QCOMPARE(click.count(), clicks);
    QCOMPARE(doubleClick.count(), doubleClicks);
    QCOMPARE(rightClick.count(), rightClicks);
    if (rightClicks)
        QCOMPARE(rightClick.first().first().toPoint(), QCursor::pos());
}

void TestTrayIcon::noMenuIsAttached()
{
    TrayIcon tray;
    tray.setIcon(someIcon());
    tray.setActive(true);
    auto* platformIcon = tray.findChild<QSystemTrayIcon*>();
    QVERIFY(platformIcon);
    QVERIFY(!platformIcon->contextMenu());
}

QTEST_MAIN(TestTrayIcon)
#include "tst_TrayIcon.moc"
