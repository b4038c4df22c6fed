// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AboutDialog.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace hv;

class TestAboutDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void showsNameVersionAndIcon_data();
    void showsNameVersionAndIcon();
    void okCloses();
};

void TestAboutDialog::showsNameVersionAndIcon_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("shown");

    QTest::newRow("version given") << QStringLiteral("2.5.1") << QStringLiteral("Version 2.5.1");
    QTest::newRow("application version") << QString() << QStringLiteral("Version 9.8.7");
}

void TestAboutDialog::showsNameVersionAndIcon()
{
    QFETCH(QString, given);
    QFETCH(QString, shown);

    QCoreApplication::setApplicationVersion(QStringLiteral("9.8.7"));
    AboutDialog box(nullptr, given);
    QCOMPARE(box.windowTitle(), QStringLiteral("About Horavox"));
    QVERIFY(box.isModal());

    const auto label = [&box](const char* name) {
        auto* found = box.findChild<QLabel*>(QString::fromLatin1(name));
        return found ? found->text() : QStringLiteral("<missing %1>").arg(QString::fromLatin1(name));
    };
    QCOMPARE(label("productName"), QStringLiteral("Horavox"));
    QCOMPARE(label("versionLabel"), shown);
    QCOMPARE(label("commentsLabel"),
             QStringLiteral("A talking desktop clock with alarms, timers and a CD player."));
    // The licence, and the notice the voice's licence asks to be kept.
    for (const char* words :
         {"GNU General Public License, version 3 or (at your option) any later version", "LICENSE"})
        QVERIFY2(label("licenceLabel").contains(QLatin1String(words)), words);
    for (const char* words :
         {"Copyright 2003 Carnegie Mellon University", "HTS working group",
          "/usr/share/doc/festvox-us-slt-hts/copyright", "trimmed, levelled and resampled"})
        QVERIFY2(label("voiceCreditLabel").contains(QLatin1String(words)), words);

    auto* icon = box.findChild<QLabel*>(QStringLiteral("programIcon"));
    QVERIFY(icon);
    QVERIFY(!icon->pixmap().isNull());
}

void TestAboutDialog::okCloses()
{
    AboutDialog box;
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    auto* ok = box.findChild<QPushButton*>(QStringLiteral("okButton"));
    QVERIFY(ok);
    QVERIFY(ok->isDefault());
    QTest::mouseClick(ok, Qt::LeftButton);
    QCOMPARE(box.result(), int(QDialog::Accepted));
    QVERIFY(!box.isVisible());
}

QTEST_MAIN(TestAboutDialog)
#include "tst_AboutDialog.moc"
