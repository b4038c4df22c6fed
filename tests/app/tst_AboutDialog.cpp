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
