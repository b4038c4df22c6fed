// SPDX-License-Identifier: GPL-3.0-or-later
// The whole program as a user meets it, on the test desktop: start-up to a
// painted clock, memory and CPU while idle, and the delay from a voice request
// to the first sound. Prints each figure beside its target; never fails on a
// figure, only when the program cannot be run or watched at all.
//
// A bare Qt window (bench/bare_window.cpp) is started in the same run and
// measured the same way: start-up is compared with it start by start, which
// cancels the load of a shared machine out of the ratio.
//
// Outside the test desktop it runs itself through scripts/with-desktop.
//
// bench_app [IDLE_MINUTES]   whole minutes of idle CPU per case, 1 unless
//                            given, up to 3; reported per 60 s

#include "TestDesktop.h"
#include "desktop/DesktopWindows.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace std::chrono_literals;
using hv::test::DesktopWindows;

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr int kStarts = 10;       // measured start-ups of each, after one that warms the caches
constexpr int kVoiceTries = 10;   // requests per way of asking
constexpr int kRate = 44100;      // Hz, mono 16-bit capture
constexpr int kSoundLevel = 64;   // sample units: the null sink's silence is exact zeros
constexpr auto kSettle = 20s;     // the bound for anything the program or the desktop does
constexpr auto kRssAfter = 5s;    // idle time before the memory is read
constexpr auto kQuietGap = 400ms; // silence between two announcements
// The face's text in its default colour (dark blue, 0xRRGGBB): this many of its
// pixels on screen make a painted clock. Its digits cover thousands.
constexpr quint32 kFaceText = 0x000080;
constexpr int kPaintedPixels = 100;
// Every clock starts at this time and runs on. It speaks every five minutes by
// default, so from here it says nothing by itself for three and a half minutes;
// an idle period of a minute sees one minute change, as any minute does. Hence
// at most three idle minutes.
constexpr int kMaxIdleMinutes = 3;
const QString kQuietMorning = QStringLiteral("2026-12-10T07:56:30");
const QByteArray kNoReminder = "[Options]\nStartupReminder=1\n";

double seconds(SteadyClock::time_point t)
{
    return std::chrono::duration<double>(t.time_since_epoch()).count();
}

double msSince(SteadyClock::time_point start)
{
    return std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
}

struct Spread
{
    double median = 0;
    double min = 0;
    double max = 0;
};

Spread spreadOf(std::vector<double> values)
{
    if (values.empty())
        return {};
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    return {median, values.front(), values.back()};
}

void printSpread(const char* what, const Spread& s, int count, const char* target)
{
    std::printf("%-58s median %7.1f ms  (min %.1f, max %.1f; %d runs)   target: %s\n", what, s.median, s.min,
                s.max, count, target);
    std::fflush(stdout);
}

// Runs the event loop until `done` or the bound passes; false then.
bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds bound = kSettle)
{
    const auto deadline = SteadyClock::now() + bound;
    while (!done()) {
        if (SteadyClock::now() > deadline)
            return false;
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// One clock's surroundings: a data folder with its settings file, a runtime
// folder for its lock and socket, and the processes started there, killed at
// the end.
class Sandbox
{
public:
    explicit Sandbox(const QByteArray& settings = kNoReminder)
    {
        QFile file(m_home.filePath(QStringLiteral("horavox.ini")));
        if (file.open(QIODevice::WriteOnly))
            file.write(settings);
    }
    ~Sandbox()
    {
        for (const auto& process : m_processes) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished(5000);
            }
        }
    }
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    QProcess* start(const QStringList& arguments = {}, const QString& time = {},
                    const char* program = HORAVOX_BINARY)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HORAVOX_HOME"), m_home.path());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        env.insert(QStringLiteral("LANG"), QStringLiteral("en_US.UTF-8"));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_US.UTF-8"));
        env.remove(QStringLiteral("HORAVOX_TIME"));
        if (!time.isEmpty())
            env.insert(QStringLiteral("HORAVOX_TIME"), time);
        auto& process = m_processes.emplace_back(std::make_unique<QProcess>());
        process->setProcessEnvironment(env);
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardErrorFile(QProcess::nullDevice());
        process->start(QString::fromLocal8Bit(program), arguments);
        return process->waitForStarted(5000) ? process.get() : nullptr;
    }

private:
    QTemporaryDir m_home;
    QTemporaryDir m_runtime;
    std::vector<std::unique_ptr<QProcess>> m_processes;
};

// Starts a clock, or the bare window, and polls the screen every millisecond
// until its window shows text. Milliseconds from asking for the process;
// nullopt when it never does.
std::optional<double> startToPaintedClock(DesktopWindows& desktop, Sandbox& box, QProcess*& clock,
                                          const QString& time = {}, const char* program = HORAVOX_BINARY)
{
    const auto begin = SteadyClock::now();
    clock = box.start({}, time, program);
    if (clock == nullptr)
        return std::nullopt;
    const qint64 pid = clock->processId();
    while (SteadyClock::now() - begin < kSettle) {
        const xcb_window_t window = desktop.managedWindowOf(pid);
        if (window != 0 && desktop.isViewable(window) &&
            desktop.countPixels(window, kFaceText) >= kPaintedPixels)
            return msSince(begin);
        std::this_thread::sleep_for(1ms);
    }
    return std::nullopt;
}

// kB from a "Name:   1234 kB" line of a /proc status file; -1 when missing.
long kilobytes(const QByteArray& text, const QByteArray& name)
{
    for (const QByteArray& line : text.split('\n')) {
        if (line.startsWith(name + ':'))
            return line.mid(name.size() + 1).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

QByteArray procFile(qint64 pid, const char* name)
{
    QFile file(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The process's CPU time in ms: its kernel clock, to the nanosecond; and
// utime + stime from /proc/<pid>/stat, in clock ticks.
struct CpuTime
{
    double ms = -1;
    long ticks = -1;
};

CpuTime cpuTimeOf(qint64 pid)
{
    CpuTime t;
    clockid_t id;
    timespec spent{};
    if (clock_getcpuclockid(static_cast<pid_t>(pid), &id) == 0 && clock_gettime(id, &spent) == 0)
        t.ms = double(spent.tv_sec) * 1e3 + double(spent.tv_nsec) / 1e6;
    // The fields after the name, which may hold anything: state is field 3,
    // utime 14, stime 15.
    const QByteArray stat = procFile(pid, "stat");
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() > 12)
        t.ticks = fields[11].toLong() + fields[12].toLong();
    return t;
}

// parecord on the null sink's monitor, kept running, with the moment each
// block arrives: sample i was heard at about origin() + i / kRate.
class Capture
{
public:
    Capture()
    {
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput, [this] { take(); });
        m_process.start(QStringLiteral("parecord"),
                        {QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                         QStringLiteral("--rate=%1").arg(kRate), QStringLiteral("--channels=1"),
                         QStringLiteral("--latency-msec=5"), QStringLiteral("-d"),
                         qEnvironmentVariable("HORAVOX_TEST_MONITOR")});
    }
    ~Capture()
    {
        m_process.terminate();
        m_process.waitForFinished(5000);
    }
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    bool flowing()
    {
        return waitUntil([this] { return frames() > kRate / 10; });
    }
    qint64 frames() const { return m_data.size() / 2; }

    // When sample 0 was heard, in steady-clock seconds: the earliest that every
    // block's arrival allows, so it is late only by the quickest delivery.
    double origin() const { return m_origin; }

    std::optional<qint64> firstSound(qint64 from) const
    {
        for (qint64 i = from; i < frames(); ++i) {
            if (std::abs(sample(i)) > kSoundLevel)
                return i;
        }
        return std::nullopt;
    }
    // Frames of silence at the end of what has been recorded.
    qint64 quietTail() const
    {
        qint64 i = frames();
        while (i > 0 && std::abs(sample(i - 1)) <= kSoundLevel)
            --i;
        return frames() - i;
    }

private:
    void take()
    {
        m_data += m_process.readAllStandardOutput();
        m_origin = std::min(m_origin, seconds(SteadyClock::now()) - double(frames()) / kRate);
    }
    int sample(qint64 i) const
    {
        qint16 s = 0;
        std::memcpy(&s, m_data.constData() + 2 * i, sizeof s);
        return s;
    }

    QProcess m_process;
    QByteArray m_data;
    double m_origin = std::numeric_limits<double>::infinity();
};

bool waitForQuiet(Capture& capture)
{
    const qint64 gap =
        kRate * std::chrono::duration_cast<std::chrono::milliseconds>(kQuietGap).count() / 1000;
    return waitUntil([&] { return capture.quietTail() >= gap; });
}

void benchStartUp(DesktopWindows& desktop)
{
    std::vector<double> clockTimes;
    std::vector<double> bareTimes;
    std::vector<double> ratios;
    int pixels = 0;
    const auto startOne = [&desktop](const char* program, const char* what, int& painted) {
        Sandbox box;
        QProcess* process = nullptr;
        const std::optional<double> ms = startToPaintedClock(desktop, box, process, kQuietMorning, program);
        if (!ms) {
            std::printf("start-up: the %s did not show its text within %lld s\n", what,
                        static_cast<long long>(kSettle.count()));
            std::exit(1);
        }
        painted = desktop.countPixels(desktop.managedWindowOf(process->processId()), kFaceText);
        return *ms;
    };
    for (int run = 0; run <= kStarts; ++run) {
        // In turns, each first every other time, so that neither gains from the
        // other having just warmed the caches.
        int barePixels = 0;
        double clockMs = 0;
        double bareMs = 0;
        if (run % 2 == 0) {
            clockMs = startOne(HORAVOX_BINARY, "clock", pixels);
            bareMs = startOne(HORAVOX_BARE_WINDOW, "bare window", barePixels);
        } else {
            bareMs = startOne(HORAVOX_BARE_WINDOW, "bare window", barePixels);
            clockMs = startOne(HORAVOX_BINARY, "clock", pixels);
        }
        if (run == 0) // the first of each warms the caches
            continue;
        clockTimes.push_back(clockMs);
        bareTimes.push_back(bareMs);
        ratios.push_back(clockMs / bareMs);
    }
    printSpread("start-up to a painted clock, warm", spreadOf(clockTimes), kStarts, "80 ms or less");
    printSpread("start-up to a painted bare Qt window, warm", spreadOf(bareTimes), kStarts,
                "(the yardstick)");
    const Spread ratio = spreadOf(ratios);
    std::printf("%-58s median %7.2f     (min %.2f, max %.2f; %d pairs)      target: 1.1 or less\n",
                "start-up ratio, clock / bare window", ratio.median, ratio.min, ratio.max, kStarts);
    std::printf("    (from starting the process until %d or more pixels of the face's text colour are on\n"
                "     screen, the window polled every 1 ms over X11; a finished face shows %d; the ratio\n"
                "     is taken pair by pair, the two started one after the other)\n",
                kPaintedPixels, pixels);
    std::fflush(stdout);
}

void printIdleMemory(const char* what, qint64 pid, const char* target)
{
    const QByteArray status = procFile(pid, "status");
    const QByteArray rollup = procFile(pid, "smaps_rollup");
    const auto mib = [](long kb) { return double(kb) / 1024; };
    std::printf("%-58s %7.1f MiB                                target: %s\n", what,
                mib(kilobytes(status, "VmRSS")), target);
    std::printf("    (VmRSS of /proc/<pid>/status: anonymous %.1f, file %.1f, shared memory %.1f MiB;\n"
                "     PSS %.1f MiB)\n",
                mib(kilobytes(status, "RssAnon")), mib(kilobytes(status, "RssFile")),
                mib(kilobytes(status, "RssShmem")), mib(kilobytes(rollup, "Pss")));
    std::fflush(stdout);
}

void benchIdleMemory(DesktopWindows& desktop)
{
    Sandbox box;
    QProcess* clock = nullptr;
    QProcess* bare = nullptr;
    if (!startToPaintedClock(desktop, box, clock, kQuietMorning) ||
        !startToPaintedClock(desktop, box, bare, {}, HORAVOX_BARE_WINDOW))
        std::exit(1);
    std::this_thread::sleep_for(kRssAfter);
    printIdleMemory("idle RSS, 5 s after the clock is painted", clock->processId(), "30 MiB or less");
    printIdleMemory("idle RSS of the bare Qt window, 5 s after it is painted", bare->processId(),
                    "(the yardstick)");
}

// Each thread's time on the CPU and how often it was put on it, from
// /proc/<pid>/task/<tid>/schedstat: ns on the CPU, ns waiting, timeslices.
// Every timeslice of an idle thread begins with a wake-up.
struct ThreadTime
{
    QByteArray name;
    double ns = 0;
    long slices = 0;
};

std::map<QByteArray, ThreadTime> threadTimesOf(qint64 pid)
{
    std::map<QByteArray, ThreadTime> threads;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile schedstat(tasks.filePath(tid + QStringLiteral("/schedstat")));
        QFile comm(tasks.filePath(tid + QStringLiteral("/comm")));
        if (!schedstat.open(QIODevice::ReadOnly) || !comm.open(QIODevice::ReadOnly))
            continue; // ended meanwhile
        const QList<QByteArray> fields = schedstat.readAll().simplified().split(' ');
        if (fields.size() < 3)
            continue;
        threads[tid.toLatin1()] = {comm.readAll().trimmed(), fields[0].toDouble(), fields[2].toLong()};
    }
    return threads;
}

// What each thread, by name, spent between the two readings: "name ms/wake-ups".
// A thread that ended in between is missing here, though not from the process's
// CPU clock.
struct IdleWork
{
    long wakeUps = 0;
    QByteArray byThread;
};

IdleWork idleWork(const std::map<QByteArray, ThreadTime>& before,
                  const std::map<QByteArray, ThreadTime>& after, double perMinute)
{
    std::map<QByteArray, std::pair<double, long>> byName;
    for (const auto& [tid, now] : after) {
        const auto then = before.find(tid);
        const double ns = now.ns - (then != before.end() ? then->second.ns : 0);
        const long slices = now.slices - (then != before.end() ? then->second.slices : 0);
        auto& sum = byName[now.name];
        sum.first += ns;
        sum.second += slices;
    }
    IdleWork work;
    for (const auto& [name, sum] : byName) {
        work.wakeUps += sum.second;
        if (sum.second == 0)
            continue;
        work.byThread += QByteArray(work.byThread.isEmpty() ? "" : ", ") + name + ' ' +
                         QByteArray::number(sum.first / 1e6 * perMinute, 'f', 2) + '/' +
                         QByteArray::number(double(sum.second) * perMinute, 'f', 0);
    }
    return work;
}

void benchIdleCpu(DesktopWindows& desktop, int idleMinutes)
{
    struct Case
    {
        const char* what;
        const char* program;
        QByteArray settings;
        bool otherWindowActive;
        const char* target;
    };
    const Case cases[] = {
        {"idle CPU, bare Qt window (1 s label)", HORAVOX_BARE_WINDOW, {}, false, "(the yardstick)"},
        {"idle CPU, title-bar clock off", HORAVOX_BINARY, kNoReminder + "Title Bar Clock=0\n", false,
         "1 ms or less"},
        {"idle CPU, title-bar clock on, clock active", HORAVOX_BINARY, kNoReminder, false, "5 ms or less"},
        {"idle CPU, title-bar clock on, xev active", HORAVOX_BINARY, kNoReminder, true, "5 ms or less"},
    };
    const double perMinute = 1.0 / idleMinutes;
    for (const Case& c : cases) {
        Sandbox box(c.settings);
        QProcess* clock = nullptr;
        if (!startToPaintedClock(desktop, box, clock, kQuietMorning, c.program))
            std::exit(1);
        // Another program, whose title the clock then keeps decorated.
        QProcess other;
        if (c.otherWindowActive) {
            other.setStandardOutputFile(QProcess::nullDevice());
            other.start(QStringLiteral("xev"), QStringList());
            QProcess activate;
            activate.start(QStringLiteral("xdotool"),
                           {QStringLiteral("search"), QStringLiteral("--sync"),
                            QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                            QStringLiteral("^Event Tester"), QStringLiteral("windowactivate"),
                            QStringLiteral("--sync")});
            if (!activate.waitForFinished(20000) || activate.exitCode() != 0) {
                std::printf("idle CPU: cannot make xev's window the active one\n");
                std::exit(1);
            }
        }
        std::this_thread::sleep_for(2s); // past the start-up's own work
        const qint64 pid = clock->processId();
        const CpuTime before = cpuTimeOf(pid);
        const auto threadsBefore = threadTimesOf(pid);
        std::this_thread::sleep_for(std::chrono::minutes(idleMinutes));
        const CpuTime after = cpuTimeOf(pid);
        const IdleWork work = idleWork(threadsBefore, threadTimesOf(pid), perMinute);
        const double ms = (after.ms - before.ms) * perMinute;
        const double wakeUps = double(work.wakeUps) * perMinute;
        std::printf("%-58s %7.2f ms per 60 s (%.0f wake-ups, %.0f us each)   target: %s\n", c.what, ms,
                    wakeUps, wakeUps > 0 ? ms * 1000 / wakeUps : 0.0, c.target);
        std::printf("    (threads, ms/wake-ups per 60 s: %s; utime+stime %ld ticks of %.0f ms)\n",
                    work.byThread.isEmpty() ? "none woke" : work.byThread.constData(),
                    after.ticks - before.ticks, 1000.0 / double(sysconf(_SC_CLK_TCK)));
        std::fflush(stdout);
        other.kill();
        other.waitForFinished(5000);
    }
    std::printf("    (the process's CPU clock, all threads, over %d whole minute%s; wake-ups are\n"
                "     timeslices from /proc/<pid>/task/*/schedstat; with the clock's own window active,\n"
                "     or xev's)\n",
                idleMinutes, idleMinutes == 1 ? "" : "s");
}

void benchVoice(DesktopWindows& desktop)
{
    // Through a second start of the program, which hands the request over.
    {
        Sandbox box;
        QProcess* clock = nullptr;
        if (!startToPaintedClock(desktop, box, clock, kQuietMorning))
            std::exit(1);
        Capture capture;
        if (!capture.flowing()) {
            std::printf("voice: parecord records nothing\n");
            std::exit(1);
        }
        std::vector<double> latencies;
        for (int i = 0; i < kVoiceTries; ++i) {
            if (!waitForQuiet(capture))
                std::exit(1);
            const qint64 asked = capture.frames();
            const double at = seconds(SteadyClock::now());
            box.start({QStringLiteral("--say-time")}, kQuietMorning);
            std::optional<qint64> onset;
            if (!waitUntil([&] { return (onset = capture.firstSound(asked)).has_value(); })) {
                std::printf("voice: the clock did not speak on horavox --say-time\n");
                std::exit(1);
            }
            latencies.push_back((capture.origin() + double(*onset) / kRate - at) * 1000);
        }
        printSpread("voice: horavox --say-time to the first sample", spreadOf(latencies), kVoiceTries,
                    "60 ms or less");
        std::printf("    (from starting `horavox --say-time` beside a running clock until the first sample\n"
                    "     above silence reaches the null sink's monitor)\n");
    }
    // The hot key, typed by xdotool: the key goes out between its start and its end.
    {
        Sandbox box;
        QProcess* clock = nullptr;
        if (!startToPaintedClock(desktop, box, clock, kQuietMorning))
            std::exit(1);
        Capture capture;
        if (!capture.flowing())
            std::exit(1);
        std::vector<double> fromStart;
        std::vector<double> fromEnd;
        for (int i = 0; i < kVoiceTries; ++i) {
            if (!waitForQuiet(capture))
                std::exit(1);
            const qint64 asked = capture.frames();
            const double started = seconds(SteadyClock::now());
            QProcess xdotool;
            xdotool.start(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("--delay"),
                                                      QStringLiteral("0"), QStringLiteral("ctrl+alt+t")});
            xdotool.waitForFinished(5000);
            const double ended = seconds(SteadyClock::now());
            std::optional<qint64> onset;
            if (!waitUntil([&] { return (onset = capture.firstSound(asked)).has_value(); })) {
                std::printf("voice: the clock did not speak on the hot key\n");
                std::exit(1);
            }
            const double heard = capture.origin() + double(*onset) / kRate;
            fromStart.push_back((heard - started) * 1000);
            fromEnd.push_back((heard - ended) * 1000);
        }
        printSpread("voice: hot key, from starting xdotool", spreadOf(fromStart), kVoiceTries,
                    "60 ms or less");
        printSpread("voice: hot key, from xdotool's exit", spreadOf(fromEnd), kVoiceTries, "60 ms or less");
        std::printf("    (the true figure lies between these two)\n");
    }
}

} // namespace

int main(int argc, char* argv[])
{
    hv::bench::runOnTestDesktop(argc, argv);
    const QCoreApplication app(argc, argv);
    const int idleMinutes = argc > 1 ? std::clamp(std::atoi(argv[1]), 1, kMaxIdleMinutes) : 1;
    DesktopWindows desktop;
    if (!desktop.isOpen()) {
        std::printf("cannot open the display\n");
        return 1;
    }
    benchStartUp(desktop);
    benchIdleMemory(desktop);
    benchVoice(desktop);
    benchIdleCpu(desktop, idleMinutes);
    return 0;
}
