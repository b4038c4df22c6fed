// SPDX-License-Identifier: GPL-3.0-or-later
#include "CdPlayerWindow.h"

#include "common/Error.h"
#include "common/Logging.h"
#include "common/Profile.h"
#include "media/MprisPlayer.h"
#include "media/PlayListEditor.h"
#include "ui_CdPlayerWindow.h"

#include <QCloseEvent>
#include <QDialog>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace hv {

namespace {

const QString kPlaceSection = QStringLiteral("CDForm");

} // namespace

CdPlayerWindow::CdPlayerWindow(const CdPlayerContext& context, QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::CdPlayerWindow)
    , m_context(context)
    , m_player(context.state, context.requests, context.catalogue, context.device, context.clock)
    , m_tickTimer(new QTimer(this))
    , m_mpris(new MprisPlayer(m_player, QDBusConnection::sessionBus(), this))
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    // A single border with the system menu and the minimize box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
    QFont regular = ui->trackName->font();
    regular.setBold(false);
    ui->trackName->setFont(regular);
    QFont large = ui->trackNumber->font();
    large.setPointSize(large.pointSize() * 2 + 4);
    ui->trackNumber->setFont(large);

    // Lime on black, as the display of a player.
    QPalette display = ui->displayPanel->palette();
    display.setColor(QPalette::Window, Qt::black);
    display.setColor(QPalette::WindowText, QColor(0x00, 0xff, 0x00));
    ui->displayPanel->setPalette(display);

    const struct
    {
        QToolButton* button;
        QStyle::StandardPixmap icon;
        CdButton role;
    } bar[] = {
        {ui->playButton, QStyle::SP_MediaPlay, CdButton::Play},
        {ui->pauseButton, QStyle::SP_MediaPause, CdButton::Pause},
        {ui->stopButton, QStyle::SP_MediaStop, CdButton::Stop},
        {ui->nextButton, QStyle::SP_MediaSkipForward, CdButton::Next},
        {ui->prevButton, QStyle::SP_MediaSkipBackward, CdButton::Prev},
        {ui->ejectButton, QStyle::SP_ArrowUp, CdButton::Eject},
    };
    for (const auto& entry : bar) {
        entry.button->setIcon(style()->standardIcon(entry.icon));
        entry.button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        const CdButton role = entry.role;
        connect(entry.button, &QToolButton::clicked, this, [this, role] { m_player.press(role); });
    }
    connect(ui->doneButton, &QPushButton::clicked, this, &CdPlayerWindow::closePlayer);
    connect(ui->playListButton, &QPushButton::clicked, this, &CdPlayerWindow::editPlayList);
    connect(ui->modeButton, &QPushButton::clicked, this, &CdPlayerWindow::changeMode);
    connect(ui->helpButton, &QPushButton::clicked, this, &CdPlayerWindow::showHelp);

    connect(&m_player, &CdPlayer::displayChanged, this, &CdPlayerWindow::showDisplay);
    connect(&m_player, &CdPlayer::closeRequested, this, &QWidget::close);
    connect(&m_player, &CdPlayer::playListEditorCloseRequested, this, &CdPlayerWindow::closePlayListEditor);
    connect(&m_player, &CdPlayer::problem, this, &CdPlayerWindow::problem);
    connect(&m_player, &CdPlayer::tickIntervalChanged, m_tickTimer,
            [this](int ms) { m_tickTimer->setInterval(ms); });

    // Disabled until the window has shown.
    m_tickTimer->setObjectName(QStringLiteral("tickTimer"));
    m_tickTimer->setInterval(m_player.tickInterval());
    connect(m_tickTimer, &QTimer::timeout, this, &CdPlayerWindow::tick);

    showDisplay();
    setFixedSize(sizeHint());
}

CdPlayerWindow::~CdPlayerWindow() = default;

void CdPlayerWindow::tick()
{
    m_player.tick();
}

void CdPlayerWindow::closePlayer()
{
    close();
}

void CdPlayerWindow::editPlayList()
{
    m_player.preparePlayListEditor();
    PlayListEditor editor(PlayListEditorContext{m_context.catalogue, m_context.settings,
                                                m_player.trackCount(), &m_context.state.playListEditorOpen},
                          this);
    connect(&editor, &PlayListEditor::helpRequested, this, &CdPlayerWindow::helpRequested);
    m_playListEditor = &editor;
    editor.exec();
    m_playListEditor = nullptr;
    m_player.playListEdited();
}

void CdPlayerWindow::changeMode()
{
    m_player.cycleMode();
}

void CdPlayerWindow::showHelp()
{
    Q_EMIT helpRequested(kHelpContext);
}

void CdPlayerWindow::closePlayListEditor()
{
    if (m_playListEditor)
        m_playListEditor->closeForEject();
}

void CdPlayerWindow::showDisplay()
{
    const CdPlayerDisplay& shown = m_player.display();
    ui->discName->setText(shown.discName);
    ui->trackName->setText(shown.trackName);
    ui->modeName->setText(shown.modeName);
    ui->trackNumber->setText(shown.trackNumber);
    ui->trackTime->setText(shown.trackTime);
    ui->playButton->setEnabled(shown.isEnabled(CdButton::Play));
    ui->pauseButton->setEnabled(shown.isEnabled(CdButton::Pause));
    ui->stopButton->setEnabled(shown.isEnabled(CdButton::Stop));
    ui->nextButton->setEnabled(shown.isEnabled(CdButton::Next));
    ui->prevButton->setEnabled(shown.isEnabled(CdButton::Prev));
    ui->ejectButton->setEnabled(shown.isEnabled(CdButton::Eject));
    ui->modeButton->setEnabled(shown.modeEnabled);
    ui->playListButton->setEnabled(shown.playListEnabled);
}

void CdPlayerWindow::restorePlace()
{
    const int left = m_context.settings.readInteger(kPlaceSection, u"Left", 0);
    const int top = m_context.settings.readInteger(kPlaceSection, u"Top", 0);
    // Neither stored: where the window manager puts it. One alone: the other
    // is the screen's edge, since the manager's choice is not known before
    // the window shows.
    if (left > 0 || top > 0)
        move(std::max(left, 0), std::max(top, 0));
}

void CdPlayerWindow::savePlace()
{
    try {
        m_context.settings.writeInteger(kPlaceSection, u"Left", x());
        m_context.settings.writeInteger(kPlaceSection, u"Top", y());
    } catch (const Error& error) {
        qCWarning(lcClock).noquote() << "the CD player's place was not kept:" << error.message();
    }
}

void CdPlayerWindow::showEvent(QShowEvent* event)
{
    const bool first = !std::exchange(m_shown, true);
    if (first)
        restorePlace();
    QWidget::showEvent(event);
    if (!first)
        return;
    m_player.windowShown();
    m_tickTimer->start();
}

void CdPlayerWindow::closeEvent(QCloseEvent* event)
{
    m_tickTimer->stop();
    closePlayListEditor();
    m_player.windowClosed();
    savePlace();
    event->accept();
}

} // namespace hv
