#include "Newclock.h"

#include "About.h"
#include "AppState.h"
#include "Help.h"
#include "Startup.h"
#include "common/Error.h"
#include "controls/TrayIcon.h"
#include "platform/Clock.h"
#include "platform/HotKey.h"
#include "platform/WindowTitles.h"
#include "ui_Newclock.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>

#include <cmath>

namespace hv {

namespace {

QColor toQColor(ColourValue value)
{
    return QColor(redOf(value), greenOf(value), blueOf(value));
}

// The classic font height is the height of the character cell, leading
// included; Qt sizes fonts by their em. The two differ by a per-font factor.
int pixelSizeForCellHeight(QFont font, int cellHeight)
{
    constexpr int kProbe = 100;
    font.setPixelSize(kProbe);
    const double cellAtProbe = QFontMetricsF(font).height();
    if (cellAtProbe <= 0)
        return std::max(cellHeight, 1);
    return std::max(1, static_cast<int>(std::lround(cellHeight * kProbe / cellAtProbe)));
}

std::optional<Bevel> bevelFromSetting(qint32 value)
{
    switch (value) {
    case SettingsRecord::kBevelNone:
        return Bevel::None;
    case SettingsRecord::kBevelLowered:
        return Bevel::Lowered;
    case SettingsRecord::kBevelRaised:
        return Bevel::Raised;
    default:
        return std::nullopt; // an unknown value leaves the bevel as it was
    }
}

// With the speedbar the window has the desktop's usual frame; without it, a
// thin sizing border and no caption (any title-bar button would bring the
// caption back).
Qt::WindowFlags windowFlagsFor(bool speedbarVisible, bool stayOnTop)
{
    Qt::WindowFlags flags = Qt::Window;
    if (!speedbarVisible)
        flags |= Qt::CustomizeWindowHint;
    if (stayOnTop)
        flags |= Qt::WindowStaysOnTopHint;
    return flags;
}

const QString kHideCaption = QStringLiteral("Hi&de");
const QString kRestoreCaption = QStringLiteral("&Restore");

} // namespace

TMain::TMain(AppState& state, const Platform& platform, QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::TMain)
    , m_state(state)
    , m_platform(platform)
    , m_titleBar(*platform.windowTitles)
    , m_tick(*this, m_titleBar)
    , m_words(state.paths().voiceDir())
    , m_announcer(state.settings(), state.extras(), m_words, *platform.soundOut)
    , m_alarmDesk(state, platform)
    , m_alarmCheck(state.alarms(), state.cdRequests(),
                   VoiceSettings{state.settings().playVoice, state.settings().howOften,
                                 state.extras().currentInterval, state.settings().playWave,
                                 state.settings().beforeAfter},
                   m_alarmDesk, state.paths().dataDir())
{
    FormCreate();
}

TMain::~TMain()
{
    m_titleBar.restore();
}

void TMain::FormCreate()
{
    ui->setupUi(this);
    setWindowIcon(QIcon(QStringLiteral(":/icons/horavox.svg")));
    createSpeedbar();
    createMenus();
    createTrayIcon();
    connectCommands();

    m_state.load();
    applyHotKey();
    applyFaceSettings(Scaling::Truncated);
    applyHints();
    applyStayOnTop();
    placeWindow();
    if (!m_state.settings().speedBar)
        Panel2Click();

    m_tick.setAnnouncement(m_announcer.hook());
    m_tick.setAlarmCheck([this](DateTime minuteStamp) {
        m_alarmCheck.run(minuteStamp, m_platform.clock->now(), m_state.settings().autoStart);
    });
    connect(m_platform.hotKey, &HotKey::pressed, this, &TMain::requestVoice);

    Timer1.setSingleShot(true);
    Timer1.setTimerType(Qt::PreciseTimer);
    connect(&Timer1, &QTimer::timeout, this, &TMain::Timer1Timer);
    connect(m_platform.windowTitles, &WindowTitles::titleChanged, this,
            [this] { m_titleBar.update(m_tick.time().text, titleBarOptions()); });
    connect(m_platform.windowTitles, &WindowTitles::activeWindowChanged, this,
            [this] { m_titleBar.update(m_tick.time().text, titleBarOptions()); });
}

void TMain::createMenus()
{
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    CountUp1 = PopupMenu1->addAction(QStringLiteral("Count up "));
    CountDown1 = PopupMenu1->addAction(QStringLiteral("Count Down"));

    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    Options1 = PopupMenu2->addAction(QStringLiteral("&Options"));
    Alarms1 = PopupMenu2->addAction(QStringLiteral("&Alarms"));
    CDPlayer1 = PopupMenu2->addAction(QStringLiteral("&CD Player"));
    Timers1 = PopupMenu2->addMenu(QStringLiteral("&Timers"));
    UpTimer1 = Timers1->addAction(QStringLiteral("&Up Timer"));
    DownTimer1 = Timers1->addAction(QStringLiteral("&Down Timer"));
    About1 = PopupMenu2->addAction(QStringLiteral("A&bout"));
    Help1 = PopupMenu2->addAction(QStringLiteral("&Help"));
    Hide1 = PopupMenu2->addAction(kHideCaption);
    Exit1 = PopupMenu2->addAction(QStringLiteral("&Exit"));

    // The options dialog, the alarm editor, the CD player and the timer
    // windows come with later work: their commands stay visible but disabled.
    for (QAction* later : {Options1, Alarms1, CDPlayer1, UpTimer1, DownTimer1, CountUp1, CountDown1})
        later->setEnabled(false);
    Timers1->setEnabled(false);
}

void TMain::createSpeedbar()
{
    for (QToolButton* later : {ui->SpeedButton1, ui->SpeedButton2, ui->SpeedButton3, ui->SpeedButton4})
        later->setEnabled(false);

    const auto glyph = [](QToolButton* button, const QString& name) {
        button->setIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(name)));
    };
    glyph(ui->SpeedButton1, QStringLiteral("options"));
    glyph(ui->SpeedButton2, QStringLiteral("alarms"));
    glyph(ui->SpeedButton3, QStringLiteral("cdplayer"));
    glyph(ui->SpeedButton4, QStringLiteral("timers"));
    glyph(ui->SpeedButton5, QStringLiteral("about"));
    QIcon help(QStringLiteral(":/icons/help.svg"));
    help.addFile(QStringLiteral(":/icons/help-down.svg"), {}, QIcon::Active);
    ui->SpeedButton6->setIcon(help);
    glyph(ui->SpeedButton7, QStringLiteral("exit"));
}

void TMain::createTrayIcon()
{
    TrayIcon1 = new TTrayIcon(this);
    TrayIcon1->setIcon(windowIcon());
    TrayIcon1->setToolTip(QStringLiteral("Horavox 32"));
    TrayIcon1->setActive(true);
}

void TMain::connectCommands()
{
    connect(ui->SpeedButton4, &QToolButton::clicked, this, &TMain::SpeedButton4Click);
    connect(ui->SpeedButton5, &QToolButton::clicked, this, &TMain::SpeedButton5Click);
    connect(ui->SpeedButton6, &QToolButton::clicked, this, &TMain::SpeedButton6Click);
    connect(ui->SpeedButton7, &QToolButton::clicked, this, &TMain::SpeedButton7Click);
    connect(About1, &QAction::triggered, this, &TMain::SpeedButton5Click);
    connect(Help1, &QAction::triggered, this, &TMain::SpeedButton6Click);
    connect(Hide1, &QAction::triggered, this, &TMain::Hide1Click);
    connect(Exit1, &QAction::triggered, this, &TMain::SpeedButton7Click);
    connect(ui->Panel2, &BevelPanel::clicked, this, &TMain::Panel2Click);
    connect(TrayIcon1, &TTrayIcon::OnClick, this, &TMain::TrayIcon1Click);
    connect(TrayIcon1, &TTrayIcon::OnRightClick, this, &TMain::TrayIcon1RightClick);
}

// --- The face ---------------------------------------------------------------

void TMain::applyFaceSettings(Scaling scaling)
{
    SettingsRecord& settings = m_state.settings();
    QFont font = ui->Panel2->font();
    font.setFamily(settings.fontName);
    if (settings.style == QLatin1String("Regular") || settings.style == QLatin1String("Bold") ||
        settings.style == QLatin1String("Italic") || settings.style == QLatin1String("BoldItalic")) {
        font.setBold(settings.style.startsWith(QLatin1String("Bold")));
        font.setItalic(settings.style.endsWith(QLatin1String("Italic")));
    }
    ui->Panel2->setFont(font);
    ui->Panel2->setBackground(toQColor(settings.displayColor));
    ui->Panel2->setTextColour(toQColor(settings.fontColor));

    FaceBevels bevels = ui->Panel2->bevels();
    bevels.inner = bevelFromSetting(settings.bevelInner).value_or(bevels.inner);
    bevels.outer = bevelFromSetting(settings.bevelOuter).value_or(bevels.outer);
    ui->Panel2->setBevels(bevels);

    settings.referenceHeight = kReferenceHeight;
    ui->Panel2->setText(makeTimeText(m_platform.clock->now(), m_state.formats()).text);
    if (!isMinimized()) {
        scaleBevels(scaling);
        fitFont(true);
    }
}

void TMain::scaleBevels(Scaling scaling)
{
    const SettingsRecord& settings = m_state.settings();
    FaceBevels bevels = ui->Panel2->bevels();
    const int faceHeight = ui->Panel2->height();
    bevels.bevelWidth = scaleToFace(faceHeight, settings.bevelWidth, scaling);
    bevels.borderWidth = scaleToFace(faceHeight, settings.borderWidth, scaling);
    ui->Panel2->setBevels(bevels);
}

void TMain::fitFont(bool startFromUsableHeight)
{
    const QSize usable = ui->Panel2->usableSize();
    const QString text = ui->Panel2->text();
    QFont font = ui->Panel2->font();
    const auto widthAt = [&font, &text](int cellHeight) {
        font.setPixelSize(pixelSizeForCellHeight(font, cellHeight));
        return QFontMetrics(font).horizontalAdvance(text);
    };
    m_fontHeight =
        fitFontHeight(startFromUsableHeight ? usable.height() : m_fontHeight, usable.width(), widthAt);
    font.setPixelSize(pixelSizeForCellHeight(font, m_fontHeight));
    ui->Panel2->setFont(font);
}

void TMain::applyHotKey()
{
    const SettingsExtras& extras = m_state.extras();
    if (extras.useHotKey)
        m_platform.hotKey->registerKey(extras.newHotKey, extras.newHotKeyShift);
    else
        m_platform.hotKey->unregisterKey();
}

void TMain::applyStayOnTop()
{
    const bool onTop = m_state.settings().stayOnTop;
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop)
        return;
    const bool wasVisible = isVisible();
    setWindowFlags(windowFlagsFor(m_speedbarVisible, onTop));
    if (wasVisible)
        show();
}

void TMain::applyHints()
{
    // Show Hints switches every tooltip of the application, the windows that
    // open later included: a filter on the application drops them.
    if (m_state.settings().showHints)
        qApp->removeEventFilter(this);
    else
        qApp->installEventFilter(this);
}

bool TMain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ToolTip)
        return true; // installed only while hints are off
    return QWidget::eventFilter(watched, event);
}

void TMain::placeWindow()
{
    QRect stored = m_state.storedGeometry();
    // A rectangle that lies wholly off every screen (a monitor that is gone)
    // would leave the clock out of reach: bring it onto the primary screen. A
    // partly visible one is kept, since the user may have put it there.
    const QList<QScreen*> screens = QGuiApplication::screens();
    const bool reachable = std::any_of(screens.begin(), screens.end(), [&stored](QScreen* screen) {
        return screen->geometry().intersects(stored.normalized());
    });
    if (!reachable && QGuiApplication::primaryScreen())
        stored.moveTopLeft(QGuiApplication::primaryScreen()->availableGeometry().topLeft());
    move(stored.topLeft());
    resize(stored.size());
}

// --- Commands ---------------------------------------------------------------

void TMain::SpeedButton4Click()
{
    PopupMenu1->popup(frameGeometry().topLeft() + QPoint(58, 49));
}

void TMain::SpeedButton5Click()
{
    TAboutBox about(this);
    about.exec();
}

void TMain::SpeedButton6Click()
{
    openHelp();
}

void TMain::SpeedButton7Click()
{
    close();
}

void TMain::Hide1Click()
{
    if (Hide1->text() == kHideCaption)
        minimizeApplication();
    else if (TTrayIcon::isSystemTrayAvailable())
        restoreFromTray();
}

void TMain::Panel2Click()
{
    if (windowFlags().testFlag(Qt::FramelessWindowHint))
        return; // a window without any border has no caption to trade
    m_toggleInProgress = true;
    const bool wasVisible = isVisible();
    const QRect client = geometry();
    const QRect frame = frameGeometry();
    // What the window manager's caption takes: the top frame less the bottom.
    const int caption = (client.top() - frame.top()) - (frame.bottom() - client.bottom());
    if (caption > 0)
        m_captionHeight = caption;

    m_speedbarVisible = !m_speedbarVisible;
    // Without the speedbar the caption goes too, keeping a thin sizing border;
    // the outer size of the window stays, the face takes the room.
    setWindowFlags(windowFlagsFor(m_speedbarVisible, m_state.settings().stayOnTop));
    ui->Panel1->setVisible(m_speedbarVisible);
    ui->Panel2->setToolTip(m_speedbarVisible ? QStringLiteral("Hide Speedbar")
                                             : QStringLiteral("Show Speedbar"));
    if (wasVisible) {
        setGeometry(client.adjusted(0, m_speedbarVisible ? m_captionHeight : -m_captionHeight, 0, 0));
        show();
    }
    layout()->activate();
    scaleBevels(Scaling::Rounded);
    fitFont(true);
    m_state.settings().speedBar = m_speedbarVisible;
    m_toggleInProgress = false;
}

void TMain::TrayIcon1Click()
{
    restoreFromTray();
}

void TMain::TrayIcon1RightClick(const QPoint& globalPos)
{
    PopupMenu2->popup(globalPos);
}

// --- Hiding and restoring ---------------------------------------------------

void TMain::minimizeApplication()
{
    if (TTrayIcon::isSystemTrayAvailable())
        hideToTray();
    else
        showMinimized();
}

void TMain::hideToTray()
{
    if (!TTrayIcon::isSystemTrayAvailable()) {
        showMinimized();
        return;
    }
    hide();
    Hide1->setText(kRestoreCaption);
    m_hiddenInTray = true;
}

void TMain::restoreFromTray()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    Hide1->setText(kHideCaption);
    m_hiddenInTray = false;
}

void TMain::bringToFront()
{
    if (m_hiddenInTray || isMinimized())
        restoreFromTray();
    else {
        raise();
        activateWindow();
    }
}

// --- The tick ---------------------------------------------------------------

void TMain::Timer1Timer()
{
    m_tick.run(m_platform.clock->now(), m_state.formats(), titleBarOptions(), m_state.extras().startHidden);
    if (!m_firstTickDone) {
        m_firstTickDone = true;
        QTimer::singleShot(0, this, &TMain::offerStartupReminder);
    }
    scheduleTick();
}

void TMain::requestVoice()
{
    m_tick.requestVoice();
    Timer1.start(0);
}

void TMain::scheduleTick()
{
    // Tick just after the next minute turns: nothing the tick shows changes in
    // between. The title-bar clock does not need the seconds either: the
    // window-title service reports a new foreground window and a retitled
    // decorated window as they happen, and those run the title-bar step at
    // once. Voice requests tick at once. So an idle clock stays idle.
    const Time t = decodeTime(m_platform.clock->now());
    Timer1.start((59 - t.second) * 1000 + (1000 - t.msec) + 2);
}

TitleBarClock::Options TMain::titleBarOptions() const
{
    const SettingsRecord& settings = m_state.settings();
    return {settings.titleBarClock, settings.titleBarRes,
            settings.allWindows == SettingsRecord::kParentWindowOnly};
}

void TMain::showTime(const QString& faceText, const QString& toolTip)
{
    ui->Panel2->setText(faceText);
    TrayIcon1->setToolTip(toolTip);
}

void TMain::shrinkFontToFit()
{
    fitFont(false);
}

void TMain::offerStartupReminder()
{
    if (!shouldOfferStartupReminder(m_state.settings(), m_state.extras()))
        return;
    TStartupForm reminder(this);
    const bool yes = reminder.exec() == QDialog::Accepted;
    m_state.extras().startupReminder = reminder.dontShowAgain();
    answerStartupReminder(yes, m_state.settings(), m_state.extras(), m_state.profile(), m_state.autostart());
}

// --- Window events ----------------------------------------------------------

void TMain::FormShow()
{
    m_state.formats() = FormatSettings::fromLocale(QLocale());
    if (!m_state.alarmFileMessage().isEmpty()) {
        QTimer::singleShot(0, this, [this] {
            QMessageBox::warning(this, QStringLiteral("Horavox"), m_state.alarmFileMessage());
        });
    }
    // A window hidden while it is being shown gets mapped all the same, so a
    // clock that starts hidden runs its first tick once the show is done.
    if (m_state.extras().startHidden)
        QTimer::singleShot(0, this, &TMain::Timer1Timer);
    else
        Timer1Timer();
}

bool TMain::FormCloseQuery()
{
    try {
        m_state.saveSettings();
        std::optional<WindowPlacement> placement;
        if (!isMinimized()) {
            placement.emplace();
            placement->normalGeometry = QRect(frameGeometry().topLeft(), size());
        }
        saveMainWindowState(m_state.profile(), placement, m_hiddenInTray);
    } catch (const Error& error) {
        QMessageBox::critical(this, QStringLiteral("Horavox"), error.message());
        return false;
    }
    return true;
}

void TMain::FormResize()
{
    if (m_toggleInProgress)
        return;
    m_state.settings().referenceHeight = kReferenceHeight;
    scaleBevels(Scaling::Rounded);
    fitFont(true);
}

void TMain::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!std::exchange(m_shown, true))
        FormShow();
}

void TMain::closeEvent(QCloseEvent* event)
{
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    event->accept();
    Timer1.stop();
    m_titleBar.restore();
    TrayIcon1->setActive(false);
    QCoreApplication::quit();
}

void TMain::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    FormResize();
}

void TMain::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // The minimize button hides the clock to the tray where there is one.
    if (event->type() == QEvent::WindowStateChange && isMinimized() && !m_hiddenInTray &&
        TTrayIcon::isSystemTrayAvailable())
        QTimer::singleShot(0, this, &TMain::hideToTray);
}

void TMain::contextMenuEvent(QContextMenuEvent* event)
{
    PopupMenu2->popup(event->globalPos());
}

} // namespace hv
