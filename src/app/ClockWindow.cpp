// SPDX-License-Identifier: GPL-3.0-or-later
#include "ClockWindow.h"

#include "AboutDialog.h"
#include "AppState.h"
#include "Help.h"
#include "StartupReminderDialog.h"
#include "common/Error.h"
#include "controls/MessageBox.h"
#include "controls/TrayIcon.h"
#include "ui_ClockWindow.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHash>
#include <QImageReader>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

#include <cmath>

namespace hv {

// The face takes the stored bevel values as they are.
static_assert(int(Bevel::None) == SettingsRecord::kBevelNone &&
              int(Bevel::Lowered) == SettingsRecord::kBevelLowered &&
              int(Bevel::Raised) == SettingsRecord::kBevelRaised);

namespace {

QColor toQColor(ColourValue value)
{
    return QColor(redOf(value), greenOf(value), blueOf(value));
}

// The classic font height is the height of the character cell, leading
// included; Qt sizes fonts by their em. The two differ by a per-font factor,
// read once per font from its metrics at a probe size: each size read loads a
// font of its own.
int pixelSizeForCellHeight(QFont font, int cellHeight)
{
    constexpr int kProbe = 100;
    font.setPixelSize(kProbe);
    static QHash<QString, double> cellAtProbeByFont; // pixels, by QFont::key() at the probe size
    const QString key = font.key();
    auto cellAtProbe = cellAtProbeByFont.constFind(key);
    if (cellAtProbe == cellAtProbeByFont.constEnd())
        cellAtProbe = cellAtProbeByFont.insert(key, QFontMetricsF(font).height());
    if (*cellAtProbe <= 0)
        return std::max(cellHeight, 1);
    return std::max(1, static_cast<int>(std::lround(cellHeight * kProbe / *cellAtProbe)));
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

static_assert(kTrayToolTipLength == TrayIcon::kToolTipLength, "the tick cuts the tooltip as the tray would");

// The pictures are PNGs drawn from resources/icons/*.svg by
// scripts/render-icons, at the sizes the windows use: drawing an SVG at start
// would load an SVG renderer first. Pixels.
constexpr int kGlyphSizes[] = {19, 38}; // the speedbar's icon size, and twice that
constexpr int kProgramIconSizes[] = {16, 22, 32, 48, 64, 128};

template <std::size_t N>
void addPngs(QIcon& icon, const QString& name, const int (&sizes)[N], QIcon::Mode mode = QIcon::Normal)
{
    for (int size : sizes) {
        // Read as PNG and nothing else: a reader left to find the format asks
        // every image plugin, which loads them all, the SVG renderer included.
        QImageReader reader(QStringLiteral(":/icons/png/%1-%2.png").arg(name).arg(size), "png");
        reader.setAutoDetectImageFormat(false);
        icon.addPixmap(QPixmap::fromImage(reader.read()), mode);
    }
}

QIcon glyphIcon(const QString& name)
{
    QIcon icon;
    addPngs(icon, name, kGlyphSizes);
    return icon;
}

const QString kHideCaption = QStringLiteral("Hi&de");
const QString kRestoreCaption = QStringLiteral("&Restore");

} // namespace

ClockWindow::ClockWindow(AppState& state, QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::ClockWindow)
    , m_state(state)
{
    ui->setupUi(this);
    QIcon programIcon;
    addPngs(programIcon, QStringLiteral("horavox"), kProgramIconSizes);
    setWindowIcon(programIcon);
    createSpeedbar();
    createMenus();
    createTrayIcon();
    connectCommands();

    applyFaceSettings(Scaling::Truncated);
    applyHints();
    applyStayOnTop();
    placeWindow();
    if (!m_state.settings().speedBar)
        toggleSpeedbar();
}

ClockWindow::~ClockWindow() = default;

void ClockWindow::createMenus()
{
    m_timersMenu = new QMenu(this);
    m_timersMenu->setObjectName(QStringLiteral("timersMenu"));
    m_countUpAction = m_timersMenu->addAction(QStringLiteral("Count up "));
    m_countDownAction = m_timersMenu->addAction(QStringLiteral("Count Down"));

    m_contextMenu = new QMenu(this);
    m_contextMenu->setObjectName(QStringLiteral("contextMenu"));
    m_optionsAction = m_contextMenu->addAction(QStringLiteral("&Options"));
    m_alarmsAction = m_contextMenu->addAction(QStringLiteral("&Alarms"));
    m_cdPlayerAction = m_contextMenu->addAction(QStringLiteral("&CD Player"));
    m_timersSubmenu = m_contextMenu->addMenu(QStringLiteral("&Timers"));
    m_upTimerAction = m_timersSubmenu->addAction(QStringLiteral("&Up Timer"));
    m_downTimerAction = m_timersSubmenu->addAction(QStringLiteral("&Down Timer"));
    m_aboutAction = m_contextMenu->addAction(QStringLiteral("A&bout"));
    m_helpAction = m_contextMenu->addAction(QStringLiteral("&Help"));
    m_hideAction = m_contextMenu->addAction(kHideCaption);
    m_exitAction = m_contextMenu->addAction(QStringLiteral("&Exit"));
}

void ClockWindow::createSpeedbar()
{
    const auto glyph = [](QToolButton* button, const QString& name) { button->setIcon(glyphIcon(name)); };
    glyph(ui->optionsButton, QStringLiteral("options"));
    glyph(ui->alarmsButton, QStringLiteral("alarms"));
    glyph(ui->cdPlayerButton, QStringLiteral("cdplayer"));
    glyph(ui->timersButton, QStringLiteral("timers"));
    glyph(ui->aboutButton, QStringLiteral("about"));
    QIcon help = glyphIcon(QStringLiteral("help"));
    addPngs(help, QStringLiteral("help-down"), kGlyphSizes, QIcon::Active);
    ui->helpButton->setIcon(help);
    glyph(ui->exitButton, QStringLiteral("exit"));
    // The buttons sit at fixed places: the bar is never narrower than the
    // last of them, with the margin the first has on its left.
    ui->speedbar->setMinimumWidth(ui->exitButton->geometry().right() + 1 + ui->optionsButton->x());
}

void ClockWindow::createTrayIcon()
{
    m_trayIcon = new TrayIcon(this);
    m_trayIcon->setIcon(windowIcon());
    m_trayIcon->setToolTip(QStringLiteral("Horavox 32"));
    m_trayIcon->setActive(true);
}

void ClockWindow::connectCommands()
{
    connect(ui->optionsButton, &QToolButton::clicked, this, &ClockWindow::optionsRequested);
    connect(m_optionsAction, &QAction::triggered, this, &ClockWindow::optionsRequested);
    connect(ui->timersButton, &QToolButton::clicked, this, &ClockWindow::showTimersMenu);
    connect(ui->cdPlayerButton, &QToolButton::clicked, this, &ClockWindow::cdPlayerRequested);
    connect(m_cdPlayerAction, &QAction::triggered, this, &ClockWindow::cdPlayerRequested);
    connect(ui->aboutButton, &QToolButton::clicked, this, &ClockWindow::showAbout);
    connect(ui->alarmsButton, &QToolButton::clicked, this, &ClockWindow::alarmsRequested);
    connect(m_alarmsAction, &QAction::triggered, this, &ClockWindow::alarmsRequested);
    connect(ui->helpButton, &QToolButton::clicked, this, &ClockWindow::showHelp);
    connect(ui->exitButton, &QToolButton::clicked, this, &ClockWindow::quit);
    for (QAction* countUp : {m_countUpAction, m_upTimerAction})
        connect(countUp, &QAction::triggered, this, &ClockWindow::countUpRequested);
    for (QAction* countdown : {m_countDownAction, m_downTimerAction})
        connect(countdown, &QAction::triggered, this, &ClockWindow::countdownRequested);
    connect(m_aboutAction, &QAction::triggered, this, &ClockWindow::showAbout);
    connect(m_helpAction, &QAction::triggered, this, &ClockWindow::showHelp);
    connect(m_hideAction, &QAction::triggered, this, &ClockWindow::hideOrRestore);
    connect(m_exitAction, &QAction::triggered, this, &ClockWindow::quit);
    connect(ui->face, &BevelPanel::clicked, this, &ClockWindow::toggleSpeedbar);
    connect(m_trayIcon, &TrayIcon::clicked, this, &ClockWindow::restoreFromTray);
    connect(m_trayIcon, &TrayIcon::contextMenuRequested, this,
            [this](const QPoint& globalPos) { m_contextMenu->popup(globalPos); });
}

// --- The face ---------------------------------------------------------------

void ClockWindow::applyFaceSettings(Scaling scaling)
{
    SettingsRecord& settings = m_state.settings();
    QFont font = ui->face->font();
    font.setFamily(settings.fontName);
    if (settings.style == QLatin1String("Regular") || settings.style == QLatin1String("Bold") ||
        settings.style == QLatin1String("Italic") || settings.style == QLatin1String("BoldItalic")) {
        font.setBold(settings.style.startsWith(QLatin1String("Bold")));
        font.setItalic(settings.style.endsWith(QLatin1String("Italic")));
    }
    ui->face->setFont(font);
    ui->face->setBackground(toQColor(settings.displayColor));
    ui->face->setTextColour(toQColor(settings.fontColor));

    ui->face->setBevels(withStoredBevels(ui->face->bevels(), settings.bevelOuter, settings.bevelInner));

    settings.referenceHeight = SettingsRecord::kReferenceHeight;
    // Before the first show the face has no size of its own yet: the resize
    // that comes with showing scales the bevels and fits the font.
    if (m_shown && !isMinimized()) {
        scaleBevels(scaling);
        fitFont(true);
    }
}

void ClockWindow::applySettings()
{
    applyFaceSettings(Scaling::Truncated);
    applyStayOnTop();
    applyHints();
}

void ClockWindow::scaleBevels(Scaling scaling)
{
    const SettingsRecord& settings = m_state.settings();
    FaceBevels bevels = ui->face->bevels();
    const int faceHeight = ui->face->height();
    bevels.bevelWidth = scaleToFace(faceHeight, settings.bevelWidth, settings.referenceHeight, scaling);
    bevels.borderWidth = scaleToFace(faceHeight, settings.borderWidth, settings.referenceHeight, scaling);
    ui->face->setBevels(bevels);
}

void ClockWindow::fitFont(bool startFromUsableHeight)
{
    const QSize usable = ui->face->usableSize();
    const QString text = ui->face->text();
    QFont font = ui->face->font();
    const auto widthAt = [&font, &text](int cellHeight) {
        font.setPixelSize(pixelSizeForCellHeight(font, cellHeight));
        return QFontMetrics(font).horizontalAdvance(text);
    };
    m_fontHeight =
        fitFontHeight(startFromUsableHeight ? usable.height() : m_fontHeight, usable.width(), widthAt);
    font.setPixelSize(pixelSizeForCellHeight(font, m_fontHeight));
    ui->face->setFont(font);
}

void ClockWindow::applyStayOnTop()
{
    const bool onTop = m_state.settings().stayOnTop;
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop)
        return;
    const bool wasVisible = isVisible();
    setWindowFlags(windowFlagsFor(m_speedbarVisible, onTop));
    if (wasVisible)
        show();
}

void ClockWindow::applyHints()
{
    // Show Hints switches every tooltip of the application, the windows that
    // open later included: a filter on the application drops them.
    if (m_state.settings().showHints)
        qApp->removeEventFilter(this);
    else
        qApp->installEventFilter(this);
}

bool ClockWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ToolTip)
        return true; // installed only while hints are off
    return QWidget::eventFilter(watched, event);
}

void ClockWindow::placeWindow()
{
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens << screen->geometry();
    const QScreen* primary = QGuiApplication::primaryScreen();
    const QRect place = primary
                            ? placeMainWindow(m_state.storedGeometry(), screens, primary->availableGeometry())
                            : kDefaultMainWindowGeometry;
    move(place.topLeft());
    resize(place.size());
}

// --- Commands ---------------------------------------------------------------

void ClockWindow::showTimersMenu()
{
    m_timersMenu->popup(frameGeometry().topLeft() + QPoint(58, 49));
}

void ClockWindow::showAbout()
{
    AboutDialog about(this);
    about.exec();
}

void ClockWindow::showHelp()
{
    hv::showHelp(0, *this);
}

void ClockWindow::quit()
{
    close();
}

void ClockWindow::hideOrRestore()
{
    if (m_hideAction->text() == kHideCaption)
        hideToTray();
    else if (TrayIcon::isSystemTrayAvailable())
        restoreFromTray();
}

void ClockWindow::toggleSpeedbar()
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
    ui->speedbar->setVisible(m_speedbarVisible);
    ui->face->setToolTip(m_speedbarVisible ? QStringLiteral("Hide Speedbar")
                                           : QStringLiteral("Show Speedbar"));
    // The compact clock has no caption to take hold of: the face stands in.
    ui->face->setMovesWindow(!m_speedbarVisible);
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

// --- Hiding and restoring ---------------------------------------------------

void ClockWindow::hideToTray()
{
    if (!TrayIcon::isSystemTrayAvailable()) {
        showMinimized();
        return;
    }
    hide();
    m_hideAction->setText(kRestoreCaption);
    m_hiddenInTray = true;
}

void ClockWindow::restoreFromTray()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    m_hideAction->setText(kHideCaption);
    m_hiddenInTray = false;
}

void ClockWindow::bringToFront()
{
    if (m_hiddenInTray || isMinimized())
        restoreFromTray();
    else {
        raise();
        activateWindow();
    }
}

// --- What the tick shows -------------------------------------------------

void ClockWindow::showTime(const QString& faceText, const QString& toolTip)
{
    ui->face->setText(faceText);
    m_trayIcon->setToolTip(toolTip);
}

void ClockWindow::shrinkFontToFit()
{
    fitFont(false);
}

void ClockWindow::showNotice(const QString& title, const QString& text)
{
    m_noticesShown << title + QStringLiteral(": ") + text;
    if (m_trayIcon->showMessage(title, text))
        return;
    auto* box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("noticeWindow"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

void ClockWindow::offerStartupReminder()
{
    if (!shouldOfferStartupReminder(m_state.settings(), m_state.extras()))
        return;
    StartupReminderDialog reminder(this);
    const bool yes = reminder.exec() == QDialog::Accepted;
    m_state.extras().startupReminder = reminder.dontShowAgain();
    answerStartupReminder(yes, m_state.settings(), m_state.extras(), m_state.profile(), m_state.autostart());
}

// --- Window events ----------------------------------------------------------

void ClockWindow::saveAll()
{
    m_state.saveSettings();
    std::optional<WindowPlacement> placement;
    // A size that could not be shown again (a window never mapped, or larger
    // than every screen) is not stored: the last good one stays.
    QSize desktop;
    for (const QScreen* screen : QGuiApplication::screens())
        desktop = desktop.expandedTo(screen->geometry().size());
    if (!isMinimized() && isShowableWindowSize(size(), desktop)) {
        placement.emplace();
        placement->normalGeometry = QRect(frameGeometry().topLeft(), size());
    }
    saveMainWindowState(m_state.profile(), placement, m_hiddenInTray);
}

bool ClockWindow::saveBeforeClose()
{
    try {
        saveAll();
    } catch (const Error& error) {
        // Each file is replaced whole or not at all, so quitting now leaves the
        // ones that could not be written as they were. Asking keeps the user
        // able to quit from a read-only folder or a full disk.
        const MessageBox::Button answer = MessageBox::question(
            this, QStringLiteral("Horavox"), error.message() + QStringLiteral("\n\nQuit without saving?"),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        return answer == QMessageBox::Yes;
    }
    return true;
}

bool ClockWindow::saveWithoutAsking()
{
    try {
        saveAll();
    } catch (const Error& error) {
        qWarning("horavox: ending without saving: %s", qPrintable(error.message()));
        return false;
    }
    return true;
}

void ClockWindow::endSession()
{
    saveWithoutAsking();
    m_trayIcon->setActive(false);
    // exit(), not quit(): quit() would close the window, and the close asks
    // when a save fails.
    QCoreApplication::exit(0);
}

void ClockWindow::faceResized()
{
    if (m_toggleInProgress)
        return;
    m_state.settings().referenceHeight = SettingsRecord::kReferenceHeight;
    scaleBevels(Scaling::Rounded);
    fitFont(true);
}

void ClockWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (std::exchange(m_shown, true))
        return; // a restore from minimized shows again
    if (!m_state.alarmFileMessage().isEmpty()) {
        QTimer::singleShot(0, this, [this] {
            MessageBox::warning(this, QStringLiteral("Horavox"), m_state.alarmFileMessage());
        });
    }
    Q_EMIT firstShown();
}

void ClockWindow::closeEvent(QCloseEvent* event)
{
    if (!saveBeforeClose()) {
        event->ignore();
        return;
    }
    event->accept();
    m_trayIcon->setActive(false);
    QCoreApplication::quit();
}

void ClockWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    faceResized();
}

void ClockWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // The minimize button hides the clock to the tray where there is one.
    if (event->type() == QEvent::WindowStateChange && isMinimized() && !m_hiddenInTray &&
        TrayIcon::isSystemTrayAvailable())
        QTimer::singleShot(0, this, &ClockWindow::hideToTray);
}

void ClockWindow::contextMenuEvent(QContextMenuEvent* event)
{
    m_contextMenu->popup(event->globalPos());
}

} // namespace hv
