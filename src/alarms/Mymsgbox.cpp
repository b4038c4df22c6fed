#include "Mymsgbox.h"

#include "alarms/Snooze.h"
#include "platform/Clock.h"
#include "platform/SoundOut.h"
#include "ui_Mymsgbox.h"

#include <QKeyEvent>
#include <QScreen>
#include <QTextOption>
#include <QTimer>

namespace hv {

namespace {

// The counter's text before the first tick.
const QString kBeforeFirstTick = QStringLiteral("AlarmTime");

} // namespace

TMsgAlrm::TMsgAlrm(const MessageAlarmContext& context, AlarmId alarm, const QString& text,
                   const QString& wave, QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::TMsgAlrm)
    , m_context(context)
    , m_alarm(alarm)
    , Timer1(new QTimer(this))
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    // A dialog frame whose only button is the close box, above every other window.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    setFixedSize(size());

    QPalette memoPalette = ui->Memo1->palette();
    memoPalette.setColor(QPalette::Base, Qt::white);
    memoPalette.setColor(QPalette::Text, Qt::black);
    ui->Memo1->setPalette(memoPalette);
    ui->Memo1->document()->setDefaultTextOption(QTextOption(Qt::AlignHCenter));
    ui->Memo1->setPlainText(text);

    ui->AlarmWav->setText(wave.isEmpty() ? QString::fromUtf16(kNoWave) : wave);
    // The slot at firing, for whoever looks; the window itself goes by identity.
    if (const std::optional<int> slot = m_context.alarms.slotOf(alarm))
        ui->AlarmNumber->setText(QString::number(*slot));
    ui->SpinEdit1->setValue(m_context.snoozeTime); // clamped to 1..59

    connect(ui->OKBtn, &QPushButton::clicked, this, &TMsgAlrm::OKBtnClick);
    connect(ui->BitBtn1, &QPushButton::clicked, this, &TMsgAlrm::BitBtn1Click);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &TMsgAlrm::Timer1Timer);
    Timer1->start();
}

TMsgAlrm::~TMsgAlrm() = default;

void TMsgAlrm::Timer1Timer()
{
    // The counter runs 1..59 and lives in the hidden label, as it always has.
    const int n = ui->AlarmTime->text() == kBeforeFirstTick ? 1 : ui->AlarmTime->text().toInt();
    if (n == 1 && ui->AlarmWav->text() != QStringView(kNoWave))
        m_context.sound.play(Sound::fromFile(ui->AlarmWav->text()), SoundOut::Mode::AsyncNoStop);
    ui->AlarmTime->setText(QString::number(n >= kWaveRepeatTicks ? 1 : n + 1));
}

void TMsgAlrm::OKBtnClick()
{
    m_context.sound.beep();
    AlarmTable& alarms = m_context.alarms;
    if (const std::optional<int> slot = alarms.slotOf(m_alarm); slot && alarms.slot(*slot).AutoDelete) {
        alarms.autoDelete(*slot, m_context.programDir);
        // The editor's list expects the used slots without gaps.
        alarms.closeGaps();
    }
    alarms.sort();
    tableChanged();
    close();
}

void TMsgAlrm::BitBtn1Click()
{
    m_context.sound.beep();
    m_context.snoozeTime = ui->SpinEdit1->value();
    if (const std::optional<int> slot = m_context.alarms.slotOf(m_alarm)) {
        m_context.alarms.slot(*slot).NextDue = snoozeUntil(m_context.clock.now(), m_context.snoozeTime);
        tableChanged();
    }
    close();
}

void TMsgAlrm::tableChanged()
{
    if (m_context.alarmsChanged)
        m_context.alarmsChanged();
}

void TMsgAlrm::showEvent(QShowEvent* event)
{
    // Centred on the screen. The frame is known here only where the platform
    // reports it before the window is mapped.
    if (QScreen* shown = screen()) {
        const QRect frame = frameGeometry();
        move(shown->availableGeometry().center() - QPoint((frame.width() - 1) / 2, (frame.height() - 1) / 2));
    }
    QDialog::showEvent(event);
}

void TMsgAlrm::keyPressEvent(QKeyEvent* event)
{
    // The window has no Cancel button, so Escape ends nothing; only the close
    // box, OK and Snooze do.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace hv
