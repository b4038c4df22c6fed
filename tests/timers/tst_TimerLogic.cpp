// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/Error.h"
#include "timers/CountUp.h"
#include "timers/Countdown.h"

#include <QLocale>
#include <QTest>

using namespace hv;
using namespace Qt::StringLiterals;

using Field = DurationFields::Field;
Q_DECLARE_METATYPE(DurationFields::Field)

class TimerLogicTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void changeRule_data()
    {
        QTest::addColumn<QStringList>("before"); // hours, minutes, seconds
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("action"); // "+1", "-1" (arrow or spin), or text typed
        QTest::addColumn<int>("focused");    // -1 for none
        QTest::addColumn<QStringList>("after");

        const QStringList zero{u"00"_s, u"00"_s, u"00"_s};
        QTest::newRow("59 seconds up")
            << QStringList{u"00"_s, u"00"_s, u"59"_s} << int(Field::Seconds) << u"+1"_s << int(Field::Seconds)
            << QStringList{u"00"_s, u"01"_s, u"00"_s};
        QTest::newRow("23:59:59 up") << QStringList{u"23"_s, u"59"_s, u"59"_s} << int(Field::Seconds)
                                     << u"+1"_s << int(Field::Seconds) << zero;
        QTest::newRow("00:00:00 down") << zero << int(Field::Seconds) << u"-1"_s << int(Field::Seconds)
                                       << QStringList{u"23"_s, u"59"_s, u"59"_s};
        QTest::newRow("hours do not carry out") << QStringList{u"23"_s, u"00"_s, u"00"_s} << int(Field::Hours)
                                                << u"+1"_s << int(Field::Hours) << zero;
        QTest::newRow("a step pads the field")
            << zero << int(Field::Minutes) << u"+1"_s << int(Field::Minutes)
            << QStringList{u"00"_s, u"01"_s, u"00"_s};
        QTest::newRow("75 typed into the seconds")
            << zero << int(Field::Seconds) << u"75"_s << int(Field::Seconds)
            << QStringList{u"00"_s, u"01"_s, u"00"_s};
        QTest::newRow("30 typed into the hours")
            << zero << int(Field::Hours) << u"30"_s << int(Field::Hours) << zero;
        QTest::newRow("a typed digit stays unpadded while focused")
            << zero << int(Field::Minutes) << u"7"_s << int(Field::Minutes)
            << QStringList{u"00"_s, u"7"_s, u"00"_s};
        QTest::newRow("a carry pads the unfocused minutes")
            << QStringList{u"00"_s, u"4"_s, u"59"_s} << int(Field::Seconds) << u"60"_s << int(Field::Seconds)
            << QStringList{u"00"_s, u"05"_s, u"00"_s};
        QTest::newRow("minus one typed borrows")
            << QStringList{u"01"_s, u"00"_s, u"00"_s} << int(Field::Minutes) << u"-1"_s << int(Field::Minutes)
            << QStringList{u"00"_s, u"59"_s, u"00"_s};
    }

    void changeRule()
    {
        QFETCH(QStringList, before);
        QFETCH(int, field);
        QFETCH(QString, action);
        QFETCH(int, focused);
        QFETCH(QStringList, after);

        DurationFields fields;
        for (int f = 0; f < DurationFields::kFields; ++f)
            fields.setText(Field(f), before[f]);
        fields.setFocused(focused < 0 ? std::nullopt : std::optional<Field>(Field(focused)));
        if (action == QLatin1String("+1") || action == QLatin1String("-1"))
            fields.step(Field(field), action.toInt());
        else
            fields.setText(Field(field), action);
        const QStringList shown{fields.text(Field::Hours), fields.text(Field::Minutes),
                                fields.text(Field::Seconds)};
        QCOMPARE(shown, after);
    }

    // Leaving pads every field and brings the hours into range; an unreadable
    // field reports the error, stays as typed and the duration stays the last
    // good one, so that a running countdown keeps counting.
    void leavingAndUnreadableText()
    {
        DurationFields fields;
        fields.setFocused(Field::Hours);
        fields.setText(Field::Hours, QStringLiteral("9"));
        fields.setText(Field::Seconds, QStringLiteral("5"));
        fields.setFocused(std::nullopt);
        fields.leave();
        QCOMPARE(fields.text(Field::Hours), QStringLiteral("09"));
        QCOMPARE(fields.text(Field::Seconds), QStringLiteral("05"));
        QCOMPARE(fields.seconds(), 9 * 3600 + 5);

        try {
            fields.setText(Field::Minutes, QString());
            QFAIL("an empty field was read");
        } catch (const Error& error) {
            QCOMPARE(error.message(), QStringLiteral("'' is not a valid integer value"));
        }
        QCOMPARE(fields.text(Field::Minutes), QString());
        QCOMPARE(fields.seconds(), 9 * 3600 + 5);
        fields.leave(); // an unreadable field is padded like any other short one
        QCOMPARE(fields.text(Field::Minutes), QStringLiteral("00"));
    }

    void money_data()
    {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("rate");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("shown");

        const QLocale us(QLocale::English, QLocale::UnitedStates);
        const QLocale de(QLocale::German, QLocale::Germany);
        QTest::newRow("30 for 1:30:00") << qint64(5400) << u"30"_s << us << u"$45.00"_s;
        QTest::newRow("99.99 for 0:00:36") << qint64(36) << u"99.99"_s << us << u"$1.00"_s;
        QTest::newRow("1000 for 0:59:59") << qint64(3599) << u"1000"_s << us << u"$999.74"_s;
        QTest::newRow("no grouping") << qint64(36000) << u"1000"_s << us << u"$10000.00"_s;
        QTest::newRow("de_DE 30 for 1:30:00") << qint64(5400) << u"30"_s << de << u"$45,00"_s;
        QTest::newRow("de_DE 12,50 for 2:00:00") << qint64(7200) << u"12,50"_s << de << u"$25,00"_s;
        QTest::newRow("more than a day") << qint64(25 * 3600) << u"1"_s << us << u"$25.00"_s;
    }

    void money()
    {
        QFETCH(qint64, seconds);
        QFETCH(QString, rate);
        QFETCH(QLocale, locale);
        QFETCH(QString, shown);

        const QChar separator = locale.decimalPoint().front();
        const std::optional<double> value = readRate(rate, separator);
        QVERIFY(value);
        QCOMPARE(moneyText(seconds, *value, separator), shown);
    }

    void unreadableRates_data()
    {
        QTest::addColumn<QString>("rate");
        QTest::addColumn<QChar>("separator");
        QTest::newRow("letters") << u"abc"_s << QChar(u'.');
        QTest::newRow("currency sign") << u"$12"_s << QChar(u'.');
        QTest::newRow("grouping") << u"1,000"_s << QChar(u'.');
        QTest::newRow("point under a comma locale") << u"12.50"_s << QChar(u',');
        QTest::newRow("empty") << u""_s << QChar(u'.');
    }

    void unreadableRates()
    {
        QFETCH(QString, rate);
        QFETCH(QChar, separator);
        QVERIFY(!readRate(rate, separator));
    }
};

QTEST_GUILESS_MAIN(TimerLogicTest)
#include "tst_TimerLogic.moc"
