// SPDX-License-Identifier: GPL-3.0-or-later
// The X11 window service on a real desktop (Xvfb + openbox), and the title-bar
// clock driven by it. The windows are the test's own Qt windows and bare X
// windows: both are foreign to the backend, which has a connection of its own.

#include "app/TitleBarClock.h"
#include "desktop/DesktopWindows.h"
#include "desktop/RequireDesktop.h"
#include "platform/PlatformServices.h"
#include "platform/Unavailable.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <memory>
#include <xcb/xcb.h>

using namespace hv;

namespace {

const QString kTime = QStringLiteral("7:05 AM");
const TitleBarClock::Options kAllWindows{true, false, false};
const TitleBarClock::Options kParentOnly{true, false, true};

// The clock decorates within a second on an idle desktop; the tests wait
// longer, in ms, so that a loaded machine (parallel tests on two cores) does not
// fail them. How fast it is belongs to the benchmarks.
constexpr int kPromptly = 5000;
constexpr int kSettle = 5000;
constexpr int kFocusHolds = 150;

WindowId idOf(const QWidget& widget)
{
    return widget.winId();
}

void showTitled(QWidget& widget, const QString& title)
{
    widget.setWindowTitle(title);
    widget.resize(240, 80);
    widget.show();
}

QString xprop(WindowId window)
{
    QProcess process;
    process.start(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window),
                                            QStringLiteral("_NET_WM_NAME"), QStringLiteral("WM_NAME")});
    process.waitForFinished(kSettle);
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString xpropExpected(const QString& title)
{
    return QStringLiteral("_NET_WM_NAME(UTF8_STRING) = \"%1\"\nWM_NAME(STRING) = \"%1\"\n").arg(title);
}

// A title as QCOMPARE can show it, also when the window has gone.
QString shown(const std::optional<QString>& title)
{
    return title.value_or(QStringLiteral("<gone>"));
}

QStringList both(const QString& title)
{
    return {title, title};
}

// The title-bar clock as the main window runs it, ticked by the service's
// signals alone: whatever it does in these tests, the signals made it happen.
class ClockRig
{
public:
    ClockRig(WindowTitles& titles, TitleBarClock::Options options)
        : clock(titles)
        , m_options(options)
    {
        QObject::connect(&titles, &WindowTitles::activeWindowChanged, &m_context, [this] { tick(); });
        QObject::connect(&titles, &WindowTitles::titleChanged, &m_context, [this] { tick(); });
        tick();
    }
    ~ClockRig() { clock.restore(); }

    void tick() { clock.update(kTime, m_options); }

    TitleBarClock clock;

private:
    TitleBarClock::Options m_options;
    QObject m_context;
};

} // namespace

class TestWindowTitles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            HV_DESKTOP_MISSING("needs the xcb platform on an X11 desktop");
        QVERIFY(m_display.isOpen());
        m_titles = createWindowTitles(QGuiApplication::platformName());
        QVERIFY(m_titles->isAvailable());
    }

    void factoryAnswersByPlatform_data()
    {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<bool>("available");
        QTest::newRow("xcb") << QStringLiteral("xcb") << true;
        QTest::newRow("wayland") << QStringLiteral("wayland") << false;
        QTest::newRow("offscreen") << QStringLiteral("offscreen") << false;
    }

    void factoryAnswersByPlatform()
    {
        QFETCH(QString, platform);
        QFETCH(bool, available);
        const auto titles = createWindowTitles(platform);
        QCOMPARE(titles->isAvailable(), available);
        if (available)
            return;
        const WindowId window = m_display.createWindow();
        QCOMPARE(titles->activeWindow(), WindowId(0));
        QCOMPARE(titles->ownerOf(window), WindowId(0));
        QCOMPARE(shown(titles->title(window)), QStringLiteral("<gone>"));
        QVERIFY(!titles->setTitle(window, QStringLiteral("x")));
        titles->watch(window);
        m_display.destroyWindow(static_cast<xcb_window_t>(window));
    }

    void activeWindowFollowsTheFocus()
    {
        QWidget first;
        QWidget second;
        showTitled(first, QStringLiteral("First"));
        showTitled(second, QStringLiteral("Second"));
        QVERIFY(QTest::qWaitForWindowExposed(&second));
        QVERIFY(activate(first));
        QSignalSpy changed(m_titles.get(), &WindowTitles::activeWindowChanged);

        for (QWidget* widget : {&second, &first}) {
            changed.clear();
            QVERIFY(activate(*widget));
            QTRY_VERIFY_WITH_TIMEOUT(!changed.isEmpty(), kPromptly);
        }
    }

    void ownerOfQtWindows()
    {
        QWidget owner;
        showTitled(owner, QStringLiteral("Owner"));
        QDialog child(&owner);
        showTitled(child, QStringLiteral("Child"));
        QDialog orphan;
        showTitled(orphan, QStringLiteral("Orphan"));
        QVERIFY(QTest::qWaitForWindowExposed(&child));
        QVERIFY(QTest::qWaitForWindowExposed(&orphan));

        QCOMPARE(m_titles->ownerOf(idOf(child)), idOf(owner));
        QCOMPARE(m_titles->ownerOf(idOf(owner)), WindowId(0));
        // Qt makes a dialog without a parent transient for its hidden leader window.
        QVERIFY(!m_display.property(idOf(orphan), "WM_TRANSIENT_FOR").bytes.isEmpty());
        QCOMPARE(m_titles->ownerOf(idOf(orphan)), WindowId(0));
    }

    void ownerOfIgnoresFalseOwners_data()
    {
        QTest::addColumn<QString>("owner");
        QTest::newRow("itself") << QStringLiteral("itself");
        QTest::newRow("the root") << QStringLiteral("root");
        QTest::newRow("an unmapped window") << QStringLiteral("unmapped");
        QTest::newRow("a window that has gone") << QStringLiteral("gone");
    }

    void ownerOfIgnoresFalseOwners()
    {
        QFETCH(QString, owner);
        const xcb_window_t dialog = m_display.createWindow();
        const xcb_window_t other = m_display.createWindow();
        if (owner == QLatin1String("gone"))
            m_display.destroyWindow(other);
        const xcb_window_t target = owner == QLatin1String("itself") ? dialog
                                    : owner == QLatin1String("root") ? m_display.root()
                                                                     : other;
        m_display.setValue(dialog, "WM_TRANSIENT_FOR", XCB_ATOM_WINDOW, target);

        QCOMPARE(m_titles->ownerOf(dialog), WindowId(0));

        m_display.destroyWindow(dialog);
        if (owner != QLatin1String("gone"))
            m_display.destroyWindow(other);
    }

    void readsTitlesInEveryEncoding_data()
    {
        QTest::addColumn<QByteArray>("netType");
        QTest::addColumn<QByteArray>("netName");
        QTest::addColumn<QByteArray>("wmType");
        QTest::addColumn<QByteArray>("wmName");
        QTest::addColumn<QString>("expected");

        const QByteArray none;
        QTest::newRow("_NET_WM_NAME before WM_NAME")
            << QByteArray("UTF8_STRING")
            << QByteArray("Fa\xc3\xa7"
                          "ade \xe2\x9c\x93")
            << QByteArray("STRING") << QByteArray("old") << QStringLiteral(u"Façade ✓");
        QTest::newRow("_NET_WM_NAME of another type is UTF-8 too")
            << QByteArray("STRING") << QByteArray("\xce\xb1\xce\xb2") << none << none
            << QStringLiteral(u"αβ");
        QTest::newRow("WM_NAME STRING is Latin-1")
            << none << none << QByteArray("STRING") << QByteArray("Caf\xe9") << QStringLiteral(u"Café");
        QTest::newRow("WM_NAME UTF8_STRING") << none << none << QByteArray("UTF8_STRING")
                                             << QByteArray("Caf\xc3\xa9") << QStringLiteral(u"Café");
        QTest::newRow("compound text, Latin-1 by default")
            << none << none << QByteArray("COMPOUND_TEXT") << QByteArray("Caf\xe9")
            << QStringLiteral(u"Café");
        QTest::newRow("compound text, Latin-2 right half")
            << none << none << QByteArray("COMPOUND_TEXT") << QByteArray("\x1b-BGda\xf1sk")
            << QStringLiteral(u"Gdańsk");
        QTest::newRow("compound text, JIS X 0208 in GR")
            << none << none << QByteArray("COMPOUND_TEXT") << QByteArray("\x1b$)B\xc6\xfc\xcb\xdc")
            << QStringLiteral(u"日本");
        QTest::newRow("compound text, UTF-8 segment")
            << none << none << QByteArray("COMPOUND_TEXT") << QByteArray("A \x1b%G\xe2\x9c\x93\x1b%@ \xe9")
            << QStringLiteral(u"A ✓ é");
        QTest::newRow("compound text, unknown set")
            << none << none << QByteArray("COMPOUND_TEXT") << QByteArray("\x1b-Z\xe0x")
            << QStringLiteral(u"\ufffdx");
        QTest::newRow("no name at all") << none << none << none << none << QString();
    }

    void readsTitlesInEveryEncoding()
    {
        QFETCH(QByteArray, netType);
        QFETCH(QByteArray, netName);
        QFETCH(QByteArray, wmType);
        QFETCH(QByteArray, wmName);
        QFETCH(QString, expected);
        const xcb_window_t window = m_display.createWindow();
        if (!netType.isEmpty())
            m_display.setProperty(window, "_NET_WM_NAME", netType.constData(), netName);
        if (!wmType.isEmpty())
            m_display.setProperty(window, "WM_NAME", wmType.constData(), wmName);

        QCOMPARE(shown(m_titles->title(window)), expected);
        m_display.destroyWindow(window);
    }

    void writesBothNames_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QByteArray>("wmType");
        QTest::addColumn<QByteArray>("wmBytes");
        QTest::newRow("ASCII") << QStringLiteral("Notes - 7:05 AM") << QByteArray("STRING")
                               << QByteArray("Notes - 7:05 AM");
        QTest::newRow("Latin-1 as STRING")
            << QStringLiteral(u"Café - 7:05 AM") << QByteArray("STRING") << QByteArray("Caf\xe9 - 7:05 AM");
        QTest::newRow("beyond Latin-1 as UTF8_STRING")
            << QStringLiteral(u"Ελληνικά ✓") << QByteArray("UTF8_STRING")
            << QByteArray("\xce\x95\xce\xbb\xce\xbb\xce\xb7\xce\xbd\xce\xb9\xce\xba\xce\xac \xe2\x9c\x93");
        QTest::newRow("empty") << QString() << QByteArray("STRING") << QByteArray();
    }

    void writesBothNames()
    {
        QFETCH(QString, title);
        QFETCH(QByteArray, wmType);
        QFETCH(QByteArray, wmBytes);
        const xcb_window_t window = m_display.createWindow();

        QVERIFY(m_titles->setTitle(window, title));
        const hv::test::DesktopWindows::Property netName = m_display.property(window, "_NET_WM_NAME");
        QCOMPARE(netName.type, QByteArray("UTF8_STRING"));
        QCOMPARE(netName.bytes, title.toUtf8());
        const hv::test::DesktopWindows::Property wmName = m_display.property(window, "WM_NAME");
        QCOMPARE(wmName.type, wmType);
        QCOMPARE(wmName.bytes, wmBytes);
        QCOMPARE(shown(m_titles->title(window)), title);
        m_display.destroyWindow(window);
    }

    void ownWmNameWinsOverTheWrittenNetName()
    {
        // A program that knows only WM_NAME, decorated, then retitling itself: the
        // _NET_WM_NAME written for it must not hide its new title.
        const xcb_window_t window = m_display.createWindow();
        m_display.setProperty(window, "WM_NAME", "STRING", "report.txt");
        QVERIFY(m_titles->setTitle(window, QStringLiteral("report.txt - 7:05 AM")));
        QCOMPARE(shown(m_titles->title(window)), QStringLiteral("report.txt - 7:05 AM"));

        m_display.setProperty(window, "WM_NAME", "STRING", "summary.txt");
        QCOMPARE(shown(m_titles->title(window)), QStringLiteral("summary.txt"));
        m_display.destroyWindow(window);
    }

    void goneWindowsFailQuietly()
    {
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
        const xcb_window_t window = m_display.createWindow();
        m_display.destroyWindow(window);

        for (const WindowId gone : {WindowId(window), WindowId(1) << 40}) {
            QCOMPARE(shown(m_titles->title(gone)), QStringLiteral("<gone>"));
            QVERIFY(!m_titles->setTitle(gone, QStringLiteral("x")));
            QCOMPARE(m_titles->ownerOf(gone), WindowId(0));
            m_titles->watch(gone);
        }
        m_titles->watch(0);
        // The connection has survived the errors.
        QVERIFY(m_titles->isAvailable());
        const xcb_window_t alive = m_display.createWindow();
        QVERIFY(m_titles->setTitle(alive, QStringLiteral("alive")));
        QCOMPARE(shown(m_titles->title(alive)), QStringLiteral("alive"));
        m_display.destroyWindow(alive);
    }

    void titleChangedComesForTheWatchedWindowOnly()
    {
        const xcb_window_t first = m_display.createWindow();
        const xcb_window_t second = m_display.createWindow();
        QSignalSpy changed(m_titles.get(), &WindowTitles::titleChanged);

        // Events of one connection arrive in order: once the watched window's
        // signal is in, one for the other window would have been too.
        for (const auto& [watched, other] : {std::pair{first, second}, std::pair{second, first}}) {
            for (const char* name : {"_NET_WM_NAME", "WM_NAME"}) {
                m_titles->watch(watched);
                changed.clear();
                m_display.setProperty(other, name, "UTF8_STRING", "other");
                m_display.setProperty(watched, name, "UTF8_STRING", "watched");
                QTRY_COMPARE_WITH_TIMEOUT(changed.size(), 1, kPromptly);
                QCOMPARE(changed.at(0).at(0).value<WindowId>(), WindowId(watched));
            }
        }
        m_titles->watch(0);
        changed.clear();
        m_display.setProperty(first, "WM_NAME", "UTF8_STRING", "unwatched");
        m_display.setProperty(first, "_NET_WM_NAME", "UTF8_STRING", "unwatched");
        // Then the other window is watched and retitled once: one signal, for
        // it, since one for the changes above would have come first.
        m_titles->watch(second);
        m_display.setProperty(second, "_NET_WM_NAME", "UTF8_STRING", "retitled");
        QTRY_COMPARE_WITH_TIMEOUT(changed.size(), 1, kPromptly);
        QCOMPARE(changed.at(0).at(0).value<WindowId>(), WindowId(second));
        m_display.destroyWindow(first);
        m_display.destroyWindow(second);
    }

    void clockDecoratesTheForegroundAndRestoresOnSwitch()
    {
        QWidget first;
        QWidget second;
        showTitled(first, QStringLiteral("Alpha"));
        showTitled(second, QStringLiteral("Beta"));
        QVERIFY(activate(first));
        ClockRig rig(*m_titles, kAllWindows);

        QTRY_COMPARE_WITH_TIMEOUT(names(idOf(first)), both(QStringLiteral("Alpha - 7:05 AM")), kPromptly);
        QCOMPARE(xprop(idOf(first)), xpropExpected(QStringLiteral("Alpha - 7:05 AM")));

        QVERIFY(activate(second));
        QTRY_COMPARE_WITH_TIMEOUT(names(idOf(second)), both(QStringLiteral("Beta - 7:05 AM")), kPromptly);
        QCOMPARE(names(idOf(first)), both(QStringLiteral("Alpha")));
        QCOMPARE(xprop(idOf(first)), xpropExpected(QStringLiteral("Alpha")));
    }

    void clockDecoratesAWindowThatRetitlesItself()
    {
        QWidget window;
        showTitled(window, QStringLiteral("notes.txt - Editor"));
        QVERIFY(activate(window));
        ClockRig rig(*m_titles, kAllWindows);
        QTRY_COMPARE_WITH_TIMEOUT(names(idOf(window)), both(QStringLiteral("notes.txt - Editor - 7:05 AM")),
                                  kPromptly);
        QSignalSpy changed(m_titles.get(), &WindowTitles::titleChanged);

        window.setWindowTitle(QStringLiteral("todo.txt - Editor"));
        QTRY_COMPARE_WITH_TIMEOUT(names(idOf(window)), both(QStringLiteral("todo.txt - Editor - 7:05 AM")),
                                  kPromptly);
        QVERIFY(!changed.isEmpty());
        QCOMPARE(changed.first().first().value<WindowId>(), idOf(window));
        QCOMPARE(rig.clock.savedTitle(), QStringLiteral("todo.txt - Editor"));
    }

    void clockWithParentOnlyDecoratesTheOwner()
    {
        QWidget owner;
        showTitled(owner, QStringLiteral("Editor"));
        QVERIFY(QTest::qWaitForWindowExposed(&owner));
        QDialog dialog(&owner);
        showTitled(dialog, QStringLiteral("Find"));
        QVERIFY(activate(dialog));
        ClockRig rig(*m_titles, kParentOnly);

        QTRY_COMPARE_WITH_TIMEOUT(names(idOf(owner)), both(QStringLiteral("Editor - 7:05 AM")), kPromptly);
        QCOMPARE(names(idOf(dialog)), both(QStringLiteral("Find")));
    }

    void clockKeepsALongTitleWhole()
    {
        QString longTitle;
        while (longTitle.size() < 150)
            longTitle += QStringLiteral("chapter %1, ").arg(longTitle.size());
        longTitle.truncate(150);
        QWidget window;
        QWidget other;
        showTitled(window, longTitle);
        showTitled(other, QStringLiteral("Other"));
        QVERIFY(activate(window));
        ClockRig rig(*m_titles, kAllWindows);

        QTRY_COMPARE_WITH_TIMEOUT(names(idOf(window)), both(longTitle + QStringLiteral(" - 7:05 AM")),
                                  kPromptly);
        for (int tick = 0; tick < 3; ++tick)
            rig.tick();
        QCOMPARE(names(idOf(window)), both(longTitle + QStringLiteral(" - 7:05 AM")));

        QVERIFY(activate(other));
        QTRY_COMPARE_WITH_TIMEOUT(names(idOf(window)), both(longTitle), kPromptly);
    }

    // A clock killed while a window was decorated (its backend gone without a
    // restore, as after kill -9) leaves the mark on the window; the next clock
    // finds it, restores the remembered title and decorates once, not on top of
    // the old time. The window's own title ends in a time: nothing is stripped.
    void markOutlivesAKilledClock()
    {
        const QString own = QStringLiteral("Meeting - 4:00 PM");
        QWidget window;
        showTitled(window, own);
        QVERIFY(activate(window));
        const WindowId id = idOf(window);
        {
            const auto killed = createWindowTitles(QGuiApplication::platformName());
            TitleBarClock clock(*killed);
            clock.update(QStringLiteral("4:24 AM"), kAllWindows);
            QCOMPARE(names(id), both(own + QStringLiteral(" - 4:24 AM")));
            const hv::test::DesktopWindows::Property mark = m_display.property(id, "_HORAVOX_ORIGINAL_TITLE");
            QCOMPARE(mark.type, QByteArray("UTF8_STRING"));
            QCOMPARE(mark.bytes, own.toUtf8());
        }
        QCOMPARE(names(id), both(own + QStringLiteral(" - 4:24 AM")));

        const auto next = createWindowTitles(QGuiApplication::platformName());
        QVERIFY(next->markedWindows().contains(MarkedWindow{id, own}));
        TitleBarClock clock(*next);
        QCOMPARE(clock.restoreMarked(), 1);
        QCOMPARE(names(id), both(own));
        QCOMPARE(m_display.property(id, "_HORAVOX_ORIGINAL_TITLE").type, QByteArray());
        clock.update(kTime, kAllWindows);
        QCOMPARE(names(id), both(own + QStringLiteral(" - 7:05 AM")));
        clock.restore();
        QCOMPARE(names(id), both(own));
        QVERIFY(next->markedWindows().isEmpty());
    }

    void clockForgetsADestroyedWindow()
    {
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
        QWidget other;
        showTitled(other, QStringLiteral("Other"));
        auto window = std::make_unique<QWidget>();
        showTitled(*window, QStringLiteral("Short-lived"));
        QVERIFY(activate(*window));
        ClockRig rig(*m_titles, kAllWindows);
        const WindowId gone = idOf(*window);
        QTRY_COMPARE_WITH_TIMEOUT(rig.clock.decoratedWindow(), gone, kPromptly);

        window.reset();
        QTRY_COMPARE_WITH_TIMEOUT(shown(m_titles->title(gone)), QStringLiteral("<gone>"), kSettle);
        rig.tick();
        QVERIFY(rig.clock.decoratedWindow() != gone);
        QVERIFY(!m_titles->setTitle(gone, QStringLiteral("x")));
    }

private:
    // Brings a window to the front as a user would, through the window manager.
    // Every window shown before is on screen first: the window manager gives a
    // new window the focus when it maps it, which would take it away again.
    bool activate(QWidget& widget)
    {
        const QWidgetList shown = QApplication::topLevelWidgets();
        for (QWidget* other : shown) {
            if (other->isVisible() && !QTest::qWaitForWindowExposed(other))
                return false;
        }
        // The window manager may still be focusing a window that has just
        // been mapped: activation counts once it has held for a moment.
        const WindowId window = idOf(widget);
        QDeadlineTimer deadline(kSettle);
        while (!deadline.hasExpired()) {
            m_display.activate(static_cast<xcb_window_t>(window));
            if (QTest::qWaitFor([&] { return m_titles->activeWindow() == window; },
                                int(deadline.remainingTime())) &&
                !QTest::qWaitFor([&] { return m_titles->activeWindow() != window; }, kFocusHolds))
                return true;
        }
        return false;
    }

    // Both names as a window manager would show them: {_NET_WM_NAME, WM_NAME}.
    QStringList names(WindowId window)
    {
        const auto id = static_cast<xcb_window_t>(window);
        const hv::test::DesktopWindows::Property wmName = m_display.property(id, "WM_NAME");
        return {QString::fromUtf8(m_display.property(id, "_NET_WM_NAME").bytes),
                wmName.type == "STRING" ? QString::fromLatin1(wmName.bytes)
                                        : QString::fromUtf8(wmName.bytes)};
    }

    hv::test::DesktopWindows m_display;
    std::unique_ptr<WindowTitles> m_titles;
};

QTEST_MAIN(TestWindowTitles)
#include "desktop_WindowTitles.moc"
