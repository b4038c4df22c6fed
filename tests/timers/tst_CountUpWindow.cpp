// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestFiles.h"
#include "TimersRig.h"
#include "controls/MessageBox.h"
#include "timers/CountUpWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

using namespace hv;
using namespace Qt::StringLiterals;
using namespace hv::test;

namespace {

struct CountUp
{
    CountUpWindow window;

    explicit CountUp(TimersRig& rig)
        : window(rig.context())
    {}

    template <typename T = QWidget>
    T* child(const char* name)
    {
        return window.findChild<T*>(QLatin1String(name));
    }
    QComboBox* rateBox() { return child<QComboBox>("rateBox"); }
    QToolButton* moneyButton() { return child<QToolButton>("moneyButton"); }
    QToolButton* runButton() { return child<QToolButton>("runPauseButton"); }
    QString shown() { return child<QLabel>("elapsed")->text(); }
    void setRate(const QString& rate)
    {
        rateBox()->lineEdit()->selectAll();
        rateBox()->lineEdit()->del();
        QTest::keyClicks(rateBox()->lineEdit(), rate);
    }
};

QByteArray lines(const QStringList& entries)
{
    QByteArray content;
    for (const QString& entry : entries)
        content += entry.toLatin1() + "\r\n";
    return content;
}

QStringList numbered(int count)
{
    QStringList entries;
    for (int n = 1; n <= count; ++n)
        entries << QStringLiteral("%1.00").arg(n);
    return entries;
}

} // namespace

class CountUpWindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { MessageBox::takeShown(); }

    // The money button adds a new rate first and writes the list whole: a
    // first use writes the new rate and "00.00"; the tenth entry goes; a
    // longer list loses only its tenth; a known rate stays where it is; an
    // empty rate shows $0.00 and touches nothing.
    void rateList_data()
    {
        QTest::addColumn<std::optional<QStringList>>("file"); // nothing: no file
        QTest::addColumn<QString>("rate");
        QTest::addColumn<std::optional<QStringList>>("written");
        QTest::addColumn<QString>("shown");

        using Lines = std::optional<QStringList>;
        QTest::newRow("first use") << Lines() << u"25"_s << Lines({u"25"_s, u"00.00"_s}) << u"$0.00"_s;
        QStringList ten = numbered(10);
        QStringList tenAfter = numbered(9);
        tenAfter.prepend(QStringLiteral("25"));
        QTest::newRow("10 entries stay 10") << Lines(ten) << u"25"_s << Lines(tenAfter) << u"$0.00"_s;
        QStringList twelve = numbered(12);
        QStringList twelveAfter = twelve;
        twelveAfter.removeAt(9);
        twelveAfter.prepend(QStringLiteral("25"));
        QTest::newRow("12 lines read stay 12")
            << Lines(twelve) << u"25"_s << Lines(twelveAfter) << u"$0.00"_s;
        QTest::newRow("a known rate stays in place")
            << Lines({u"7.00"_s, u"12.5E0"_s, u"00.00"_s}) << u"12.5e0"_s
            << Lines({u"7.00"_s, u"12.5E0"_s, u"00.00"_s}) << u"$0.00"_s;
        QTest::newRow("an empty rate") << Lines() << u""_s << Lines() << u"$0.00"_s;
        QTest::newRow("an empty line is an entry")
            << Lines({u"7.00"_s, u""_s, u"00.00"_s}) << u"8"_s
            << Lines({u"8"_s, u"7.00"_s, u""_s, u"00.00"_s}) << u"$0.00"_s;
    }

    void rateList()
    {
        QFETCH(std::optional<QStringList>, file);
        QFETCH(QString, rate);
        QFETCH(std::optional<QStringList>, written);
        QFETCH(QString, shown);

        TimersRig rig(at(9, 0, 0));
        const QString path = QDir(rig.dataDir.path()).filePath(QStringLiteral("Timeup.Rec"));
        if (file)
            putFile(path, lines(*file));
        CountUp up(rig);
        QCOMPARE(up.rateBox()->currentText(), file ? file->first() : QStringLiteral("00.00"));
        up.setRate(rate);
        up.moneyButton()->click();
        QCOMPARE(up.shown(), shown);
        QVERIFY(!up.rateBox()->isEnabled());
        if (written)
            QCOMPARE(contentOf(path), lines(*written));
        else
            QVERIFY(!QFile::exists(path));
        QVERIFY(MessageBox::takeShown().isEmpty());
    }

    // A rate added in one window is kept when another adds its own: the list
    // is read again before each addition.
    void twoWindowsShareTheList()
    {
        TimersRig rig(at(9, 0, 0));
        CountUp first(rig);
        CountUp second(rig);
        first.setRate(QStringLiteral("25"));
        first.moneyButton()->click();
        second.setRate(QStringLiteral("30"));
        second.moneyButton()->click();
        QCOMPARE(contentOf(QDir(rig.dataDir.path()).filePath(QStringLiteral("Timeup.Rec"))),
                 lines({u"30"_s, u"25"_s, u"00.00"_s}));
        QCOMPARE(second.rateBox()->count(), 3);
    }

    // Run, pause and resume on whole seconds; money at the rate; an
    // unreadable rate is reported once by the button and the ticks show the
    // time.
    void runPauseAndMoney()
    {
        TimersRig rig(at(9, 0, 0, 400));
        CountUp up(rig);
        QCOMPARE(up.runButton()->toolTip(), QStringLiteral("Start timer"));
        QCOMPARE(up.moneyButton()->toolTip(), QStringLiteral("Use dollar amount"));
        up.runButton()->click();
        QCOMPARE(up.runButton()->toolTip(), QStringLiteral("Pause Timer"));
        rig.clock.advanceSeconds(600);
        up.window.tick();
        QCOMPARE(up.shown(), QStringLiteral("00:10:00"));
        up.runButton()->click();
        QCOMPARE(up.runButton()->toolTip(), QStringLiteral("Start Timer"));
        rig.clock.advanceSeconds(60);
        up.runButton()->click();
        rig.clock.advanceSeconds(1);
        up.window.tick();
        QCOMPARE(up.shown(), QStringLiteral("00:10:01"));

        up.setRate(QStringLiteral("30"));
        rig.clock.advanceSeconds(4799); // 1:30:00 in all
        up.window.tick();
        up.moneyButton()->click();
        QCOMPARE(up.moneyButton()->toolTip(), QStringLiteral("See Elapsed Time"));
        QCOMPARE(up.shown(), QStringLiteral("$45.00"));
        up.moneyButton()->click();
        QCOMPARE(up.moneyButton()->toolTip(), QStringLiteral("Use Dollar Amount"));
        QCOMPARE(up.shown(), QStringLiteral("01:30:00"));

        up.setRate(QStringLiteral("abc"));
        MessageBox::setNextAnswer(QMessageBox::Ok);
        up.moneyButton()->click();
        const QList<MessageBox::Shown> errors = MessageBox::takeShown();
        QCOMPARE(errors.size(), 1);
        QCOMPARE(errors.first().text, QStringLiteral("'abc' is not a valid floating point value"));
        QVERIFY(up.moneyButton()->isChecked());
        rig.clock.advanceSeconds(1);
        up.window.tick();
        QCOMPARE(up.shown(), QStringLiteral("01:30:01"));
        QVERIFY(MessageBox::takeShown().isEmpty());
    }

    void helpTopics_data()
    {
        QTest::addColumn<QString>("focused");
        QTest::addColumn<int>("topic");
        QTest::newRow("rate") << u"rateBox"_s << 43;
        QTest::newRow("description") << u"description"_s << 44;
        QTest::newRow("run button") << u"runPauseButton"_s << 42;
    }

    void helpTopics()
    {
        QFETCH(QString, focused);
        QFETCH(int, topic);
        TimersRig rig(at(9, 0, 0));
        CountUp up(rig);
        up.window.show();
        QApplication::setActiveWindow(&up.window);
        up.child(focused.toLatin1().constData())->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
        up.child<QToolButton>("helpButton")->click();
        QCOMPARE(rig.helpTopics, (QList<int>{topic, 42}));
    }
};

QTEST_MAIN(CountUpWindowTest)
#include "tst_CountUpWindow.moc"
