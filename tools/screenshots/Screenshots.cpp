// SPDX-License-Identifier: GPL-3.0-or-later
// Renders every window of the program on the current display, frames and all,
// into PNG files, so that anyone can look at them: `make screenshots`.
#include "ClockWindowRig.h"
#include "alarms/MessageAlarmWindow.h"
#include "alarms/Recurrence.h"
#include "alarms/RecurrenceDialog.h"
#include "app/AboutDialog.h"
#include "app/AlarmEditor.h"
#include "app/StartupReminderDialog.h"
#include "controls/CalendarPopup.h"
#include "controls/DateEdit.h"
#include "controls/TrayIcon.h"
#include "media/CdPlayerWindow.h"
#include "media/DiscCatalogue.h"
#include "media/NameEditor.h"
#include "media/PlayListEditor.h"
#include "media/RecorderDialog.h"
#include "options/OptionsDialog.h"
#include "platform/fake/FakeWaveDevice.h"
#include "timers/CountUpWindow.h"
#include "timers/CountdownWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <cstdio>

using namespace hv;

namespace {

QString outputDir;

// The window as the screen shows it: with its frame, taken from the screen;
// without (a menu, the clock without its speedbar), by its own contents, which
// does not depend on where the window manager put it.
void capture(QWidget* window, const QString& name, bool framed = true)
{
    QTest::qWait(800); // let the window manager map and decorate it
    const QRect area = window->frameGeometry();
    const QPixmap shot =
        framed ? window->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height())
               : window->screen()->grabWindow(window->winId());
    const QString path = QDir(outputDir).filePath(name + QStringLiteral(".png"));
    if (!shot.save(path))
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
    else
        std::printf("%s\n", qPrintable(path));
}

// A part of the screen: windows side by side or over one another.
void captureArea(QScreen* screen, const QRect& area, const QString& name)
{
    QTest::qWait(800);
    const QPixmap shot = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    const QString path = QDir(outputDir).filePath(name + QStringLiteral(".png"));
    if (!shot.save(path))
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
    else
        std::printf("%s\n", qPrintable(path));
}

// A clock window at 19:05 in the default locale, shown, over its own settings.
struct ShownClock : test::ClockWindowRig
{
    explicit ShownClock(const QByteArray& settings)
        : ClockWindowRig(
              {*tryEncodeDate(2026, 12, 10) + *tryEncodeTime(19, 5, 12), settings, false, {}, nullptr})
    {
        window->move(80, 80);
        window->show();
    }
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral(HORAVOX_VERSION));
    outputDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots");
    QDir().mkpath(outputDir);
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QLocale de(QLocale::German, QLocale::Germany);

    QLocale::setDefault(us);
    {
        ShownClock clock({});
        capture(clock.window, QStringLiteral("main-12h"));
        clock.window->contextMenu()->popup(clock.window->frameGeometry().topRight() + QPoint(10, 20));
        capture(clock.window->contextMenu(), QStringLiteral("popup-menu"), false);
        clock.window->contextMenu()->hide();
        clock.window->toggleSpeedbar();
        capture(clock.window, QStringLiteral("main-12h-no-speedbar"), false);
    }
    QLocale::setDefault(de);
    {
        ShownClock clock({});
        capture(clock.window, QStringLiteral("main-24h"));
        clock.window->toggleSpeedbar();
        capture(clock.window, QStringLiteral("main-24h-no-speedbar"), false);
    }
    QLocale::setDefault(us);
    {
        ShownClock clock(
            "[Display]\nBevelInner=1\nBorderWidth=3\nColor=0\n[Font]\nColor=65280\nStyle=Bold\n");
        clock.window->resize(320, 140);
        capture(clock.window, QStringLiteral("main-styled"));
    }
    {
        // The options dialog, page by page, over the default settings.
        ShownClock clock({});
        Platform platform;
        platform.hotKey = &clock.hotKey;
        platform.windowTitles = &clock.fakeTitles;
        OptionsDialog options(*clock.state, platform, clock.window);
        options.move(120, 120);
        options.show();
        auto* pages = options.findChild<QTabWidget*>(QStringLiteral("pages"));
        const QStringList names{QStringLiteral("options-voice"), QStringLiteral("options-display"),
                                QStringLiteral("options-control")};
        for (int page = 0; page < names.size(); ++page) {
            pages->setCurrentIndex(page);
            capture(&options, names.at(page));
        }
    }
    {
        StartupReminderDialog reminder;
        reminder.show();
        capture(&reminder, QStringLiteral("startup-reminder"));
    }
    {
        AboutDialog about;
        about.show();
        capture(&about, QStringLiteral("about"));
    }
    {
        // The compact clock, moved away from where it started, with its thin border.
        ShownClock clock({});
        clock.window->toggleSpeedbar();
        QTest::qWait(300);
        clock.window->move(420, 260);
        capture(clock.window, QStringLiteral("compact-moved"));
    }
    {
        // Notices: from the tray icon where there is a tray, else in a small window.
        ShownClock clock({});
        const QString program =
            QStringLiteral("The alarm \"7:06 AM Daily\" could not start \"mail-fetch --now\": "
                           "execvp: No such file or directory.");
        if (clock.window->tell(QStringLiteral("program"), QStringLiteral("Horavox: an alarm failed"),
                               program) &&
            TrayIcon::isSystemTrayAvailable())
            captureArea(clock.window->screen(), clock.window->screen()->geometry(),
                        QStringLiteral("notice-tray"));
        clock.window->trayIcon()->setActive(false);
        clock.window->tell(
            QStringLiteral("sound"), QStringLiteral("Horavox: no sound"),
            QStringLiteral("Sounds cannot be played: there is no audio output device. The clock goes "
                           "on without them."));
        if (auto* notice = clock.window->findChild<QMessageBox*>(QStringLiteral("noticeWindow")))
            capture(notice, QStringLiteral("notice-window"));
    }
    {
        AlarmTable alarms;
        alarms.slot(1).Rule = RuleOnce;
        FakeClock clock{*tryEncodeDate(2026, 12, 10) + *tryEncodeTime(7, 0)};
        FakeSoundOut sound;
        int snoozeTime = 10;
        const MessageAlarmContext context{alarms, sound, clock, snoozeTime, QDir::tempPath(), {}};
        MessageAlarmWindow message(context, alarms.idOf(1),
                                   QStringLiteral("Time for the ten o'clock meeting in room 4"),
                                   QStringLiteral("NONE"));
        message.show();
        capture(&message, QStringLiteral("message-alarm"));
        message.hide();

        // Three alarms of one minute: their windows cascade.
        QList<MessageAlarmWindow*> cascade;
        for (int place = 0; place < 3; ++place) {
            alarms.slot(place + 2).Rule = RuleOnce;
            auto* window = new MessageAlarmWindow(context, alarms.idOf(place + 2),
                                                  QStringLiteral("Alarm %1 of three at 7:00").arg(place + 1),
                                                  QStringLiteral("NONE"));
            window->setCascadePlace(place);
            window->show();
            cascade << window;
        }
        QTest::qWait(800);
        QRect area;
        for (MessageAlarmWindow* window : cascade)
            area |= window->frameGeometry();
        captureArea(cascade.front()->screen(), area.adjusted(-8, -8, 8, 8),
                    QStringLiteral("message-alarms-cascade"));
        qDeleteAll(cascade);
    }
    {
        // The timers: a countdown of 25 minutes running, a count-up billing.
        FakeClock clock{*tryEncodeDate(2026, 12, 10) + *tryEncodeTime(7, 0)};
        FakeSoundOut sound;
        const TimersContext context{clock, sound, u':', u'.', QDir::tempPath(), {}, {}};
        auto* countdown = new CountdownWindow(context);
        countdown->findChild<QLineEdit*>(QStringLiteral("minutesField"))->setText(QStringLiteral("25"));
        Q_EMIT countdown->findChild<QLineEdit*>(QStringLiteral("minutesField"))
            ->textEdited(QStringLiteral("25"));
        countdown->findChild<QLineEdit*>(QStringLiteral("description"))->setText(QStringLiteral("Tea"));
        countdown->show();
        countdown->setRunning(true);
        clock.advanceSeconds(61);
        countdown->tick();
        capture(countdown, QStringLiteral("countdown"));
        delete countdown;

        auto* countUp = new CountUpWindow(context);
        countUp->findChild<QLineEdit*>(QStringLiteral("description"))->setText(QStringLiteral("Client call"));
        countUp->show();
        countUp->setRunning(true);
        clock.advanceSeconds(5400);
        countUp->tick();
        capture(countUp, QStringLiteral("countup"));
        delete countUp;
    }
    {
        // The alarm editor on each of its pages, each with one alarm.
        ShownClock clock({});
        const char* const targets[] = {"Stand-up meeting in room 4",
                                       "xclock -digital",
                                       "/usr/share/sounds/bell.wav",
                                       "Shuffle",
                                       " PlayVoice On 15 min WaveFile Off After",
                                       "Morning"};
        for (int kind = KindMessage; kind <= KindPagedeck; ++kind) {
            AlarmRecord& alarm = clock.state->alarms().slot(kind + 1);
            alarm.Rule = kind == KindMessage ? RuleOnce : RuleDaily;
            alarm.AlarmKind = kind;
            alarm.Target = QString::fromLatin1(targets[kind]);
            alarm.WaveA = QStringLiteral("NONE");
            alarm.WaveB = QStringLiteral("NONE");
            alarm.StartTime = *tryEncodeTime(7, 30 + kind);
            alarm.OnceDate = *tryEncodeDate(2026, 12, 11);
            alarm.Active = true;
        }
        AlarmEditor editor(*clock.state, AlarmEditorServices{clock.clock, {}, {}, {}, {}});
        editor.show();
        const QStringList names{QStringLiteral("message"), QStringLiteral("program"),
                                QStringLiteral("wave"),    QStringLiteral("cdplayer"),
                                QStringLiteral("command"), QStringLiteral("pagedeck")};
        for (int kind = KindMessage; kind <= KindPagedeck; ++kind) {
            editor.findChild<QTabWidget*>(QStringLiteral("pages"))->setCurrentIndex(kind);
            capture(&editor, QStringLiteral("alarm-editor-") + names[kind]);
        }
    }
    {
        // The recurrence dialog for each rule, over alarms that use every list.
        FakeClock clock{*tryEncodeDate(2026, 12, 10) + *tryEncodeTime(7, 0)};
        const FormatSettings formats = FormatSettings::fromLocale(QLocale());
        const std::array<std::pair<AlarmRule, const char*>, 5> rules{{{RuleOnce, "once"},
                                                                      {RuleRecurs, "recurs"},
                                                                      {RuleEvery, "every"},
                                                                      {RuleDaily, "daily"},
                                                                      {RuleMonthly, "monthly"}}};
        for (const auto& [rule, name] : rules) {
            AlarmRecord alarm;
            alarm.Rule = rule;
            alarm.OnceDate = *tryEncodeDate(2026, 12, 24);
            alarm.RecursWhich = RecursLast;
            alarm.RecursDay = Friday;
            alarm.Count = rule == RuleMonthly ? 15 : 30;
            alarm.EveryUnit = EveryMinutes;
            alarm.EveryDays = EveryWeekdays;
            RecurrenceDialog dialog(alarm, formats, clock);
            dialog.move(80, 80);
            dialog.show();
            capture(&dialog, QStringLiteral("recurrence-%1").arg(QLatin1String(name)));
        }

        // The calendar of a date field, below the field.
        QWidget form;
        form.setWindowTitle(QStringLiteral("Date field"));
        auto* field = new DateEdit(&form);
        field->setClock(&clock);
        field->setFormats(formats);
        field->setDate(*tryEncodeDate(1996, 10, 15));
        field->setGeometry(8, 8, 160, field->sizeHint().height());
        form.resize(176, field->height() + 16);
        form.move(80, 80);
        form.show();
        QTest::qWait(300);
        CalendarPopup popup(*field);
        popup.show();
        QTest::qWait(300);
        captureArea(form.screen(), (form.frameGeometry() | popup.frameGeometry()).adjusted(-4, -4, 4, 4),
                    QStringLiteral("calendar"));
        popup.hide();

        // At the bottom of the screen it opens above the field.
        form.move(80, form.screen()->geometry().bottom() - form.frameGeometry().height() - 4);
        QTest::qWait(300);
        CalendarPopup above(*field);
        above.show();
        captureArea(form.screen(), (form.frameGeometry() | above.frameGeometry()).adjusted(-4, -4, 4, 4),
                    QStringLiteral("calendar-above"));
    }
    {
        // The play list and name editors over a named disc with a play list.
        QTemporaryDir data;
        Profile settings(data.filePath(QStringLiteral("horavox.ini")));
        DiscCatalogue catalogue(data.path());
        catalogue.findOrAdd(DiscNumbers{9, 0x00000401u, 0x00003a00u});
        DiscRecord& disc = catalogue.current();
        disc.setDiscName(QStringLiteral("Café Songs"));
        const QStringList names{QStringLiteral("Morning Light"), QStringLiteral("Blue Hour"),
                                QStringLiteral("Rain on the Window"), QStringLiteral("Coda")};
        for (int k = 0; k < names.size(); ++k)
            disc.setTrackName(k + 1, names[k]);
        const std::array<std::int32_t, 4> order{2, 0, 3, 1};
        std::copy(order.begin(), order.end(), disc.playList.begin());
        PlayListEditor playList(PlayListEditorContext{catalogue, settings, 9, nullptr});
        playList.setModal(false);
        playList.show();
        capture(&playList, QStringLiteral("play-list-editor"));

        NameEditBuffer buffer;
        buffer.count = 9;
        buffer.discName = disc.discName();
        for (int k = 0; k < 9; ++k)
            buffer.trackNames[static_cast<std::size_t>(k)] = disc.trackName(k + 1);
        buffer.index = 2;
        NameEditor names3(buffer, settings);
        names3.setModal(false);
        names3.show();
        capture(&names3, QStringLiteral("name-editor-track"));
        names3.done(QDialog::Accepted);
        buffer.index = -1;
        NameEditor discName(buffer, settings);
        discName.setModal(false);
        discName.show();
        capture(&discName, QStringLiteral("name-editor-disc"));
        discName.done(QDialog::Accepted);
        playList.done(QDialog::Accepted);
    }
    {} {
        // The recorder while it records: mode, level meter and length.
        ShownClock clock({});
        FakeWaveDevice device;
        device.recordingMs = 3400;
        RecorderDialog recorder(*clock.state, device, {});
        recorder.show();
        QTest::qWait(300);
        recorder.findChild<QPushButton*>(QStringLiteral("recordButton"))->click();
        capture(&recorder, QStringLiteral("recorder-recording"));
    }
    {
        // The CD player in each mode: a named disc, playing track 3 at 1:23.
        ShownClock clock({});
        clock.cdDevice.insertDisc(FakeCdDevice::tocOfLengths({14000, 16500, 19000, 12000, 21000}));
        clock.state->discCatalogue().findOrAdd(clock.cdDevice.discNumbers());
        DiscRecord& disc = clock.state->discCatalogue().current();
        disc.setDiscName(QStringLiteral("Evening Concert"));
        const QStringList names{QStringLiteral("Overture"), QStringLiteral("Nocturne in E flat"),
                                QStringLiteral("Moonlight Sonata, first movement"),
                                QStringLiteral("Intermezzo"), QStringLiteral("Finale")};
        for (int k = 1; k <= names.size(); ++k)
            disc.setTrackName(k, names[k - 1]);
        clock.program->alarmActions().showCdPlayer();
        CdPlayerWindow* player = clock.program->alarmActions().cdPlayerWindow();
        const QStringList modes{QStringLiteral("loop"), QStringLiteral("shuffle"), QStringLiteral("single"),
                                QStringLiteral("playlist")};
        for (int mode = 0; mode < modes.size(); ++mode) {
            if (mode > 0)
                player->findChild<QAbstractButton*>(QStringLiteral("modeButton"))->click();
            capture(player, QStringLiteral("cd-player-") + modes[mode]);
        }
        player->findChild<QAbstractButton*>(QStringLiteral("modeButton"))->click(); // Loop
        player->findChild<QAbstractButton*>(QStringLiteral("nextButton"))->click();
        player->findChild<QAbstractButton*>(QStringLiteral("nextButton"))->click();
        player->player().press(CdButton::Play);
        clock.clock.advanceSeconds(83);
        player->tick();
        capture(player, QStringLiteral("cd-player-playing"));
    }
    {}
    return 0;
}
