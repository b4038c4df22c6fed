// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlayListEditor.h"

#include "common/Error.h"
#include "common/Profile.h"
#include "media/DiscCatalogue.h"
#include "ui_PlayListEditor.h"

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>

#include <algorithm>

namespace hv {

namespace {

const QString kSection = QStringLiteral("PlayListForm");

QByteArray sourceName(PlayListEditor::DragSource source)
{
    return source == PlayListEditor::DragSource::Tracks ? QByteArrayLiteral("tracks")
                                                        : QByteArrayLiteral("playlist");
}

} // namespace

PlayListEditor::PlayListEditor(const PlayListEditorContext& context, QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::PlayListEditor)
    , m_context(context)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    m_context.catalogue.current().trackCount = m_context.trackCount;

    for (QListWidget* list : {ui->tracksList, ui->playList}) {
        list->setDragDropMode(QAbstractItemView::NoDragDrop);
        list->viewport()->installEventFilter(this);
    }
    ui->playList->viewport()->setAcceptDrops(true);

    connect(ui->tracksList, &QListWidget::itemDoubleClicked, this, &PlayListEditor::addFocusedTrack);
    connect(ui->addButton, &QPushButton::clicked, this, &PlayListEditor::addSelectedTracks);
    connect(ui->addAllButton, &QPushButton::clicked, this, &PlayListEditor::addAllTracks);
    connect(ui->deleteButton, &QPushButton::clicked, this, &PlayListEditor::deleteSelected);
    connect(ui->deleteAllButton, &QPushButton::clicked, this, &PlayListEditor::deleteAll);
    connect(ui->nameCdButton, &QPushButton::clicked, this, &PlayListEditor::nameDisc);
    connect(ui->nameTrackButton, &QPushButton::clicked, this, &PlayListEditor::nameTrack);
    connect(ui->okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->helpButton, &QPushButton::clicked, this, [this] { Q_EMIT helpRequested(kHelpContext); });

    ui->totalTracks->setText(QString::number(trackCount()));
    fillTracks();
    fillPlayList();
}

PlayListEditor::~PlayListEditor() = default;

int PlayListEditor::trackCount() const
{
    return std::max(0, m_context.catalogue.current().trackCount);
}

void PlayListEditor::fillTracks()
{
    ui->tracksList->clear();
    const DiscRecord& record = m_context.catalogue.current();
    for (int track = 1; track <= trackCount(); ++track)
        ui->tracksList->addItem(record.trackName(track));
}

// Entries that name no track of this disc (a hand-edited record, a list made
// for a disc with more tracks) are skipped.
void PlayListEditor::fillPlayList()
{
    ui->playList->clear();
    for (const std::int32_t entry : m_context.catalogue.current().playList) {
        if (entry >= 0 && entry < ui->tracksList->count())
            ui->playList->addItem(ui->tracksList->item(entry)->text());
    }
}

void PlayListEditor::storePlayList()
{
    DiscRecord& record = m_context.catalogue.current();
    for (int k = 0; k < DiscRecord::kPlayListSize; ++k) {
        std::int32_t entry = DiscRecord::kNoEntry;
        if (k < ui->playList->count()) {
            const QString name = ui->playList->item(k)->text();
            for (int row = 0; row < ui->tracksList->count(); ++row) {
                if (ui->tracksList->item(row)->text().compare(name, Qt::CaseInsensitive) == 0) {
                    entry = row;
                    break;
                }
            }
        }
        record.playList[static_cast<std::size_t>(k)] = entry;
    }
}

void PlayListEditor::appendTrack(int row)
{
    if (row >= 0 && row < ui->tracksList->count())
        ui->playList->addItem(ui->tracksList->item(row)->text());
}

void PlayListEditor::addFocusedTrack()
{
    appendTrack(ui->tracksList->currentRow());
}

void PlayListEditor::addSelectedTracks()
{
    for (int row = 0; row < ui->tracksList->count(); ++row) {
        if (ui->tracksList->item(row)->isSelected())
            appendTrack(row);
    }
}

void PlayListEditor::addAllTracks()
{
    for (int row = 0; row < ui->tracksList->count(); ++row)
        appendTrack(row);
}

void PlayListEditor::deleteSelected()
{
    qDeleteAll(ui->playList->selectedItems());
    ui->playList->setFocus();
}

void PlayListEditor::deleteAll()
{
    ui->playList->clear();
}

int PlayListEditor::openNameEditor(NameEditBuffer& buffer)
{
    NameEditor editor(buffer, m_context.settings, this);
    connect(&editor, &NameEditor::helpRequested, this, &PlayListEditor::helpRequested);
    return editor.exec();
}

void PlayListEditor::nameDisc()
{
    DiscRecord& record = m_context.catalogue.current();
    NameEditBuffer buffer;
    buffer.index = -1;
    buffer.discName = record.discName();
    buffer.count = std::min(trackCount(), DiscRecord::kNamedTracks);
    openNameEditor(buffer);
    record.setDiscName(buffer.discName);
}

void PlayListEditor::nameTrack()
{
    const int focused = ui->tracksList->currentRow();
    // Tracks past the stored names keep "Untitled <n>".
    if (focused < 0 || focused >= DiscRecord::kNamedTracks)
        return;
    DiscRecord& record = m_context.catalogue.current();
    NameEditBuffer buffer;
    buffer.index = focused;
    buffer.count = std::min(trackCount(), DiscRecord::kNamedTracks);
    for (int i = 0; i < buffer.count; ++i)
        buffer.trackNames[static_cast<std::size_t>(i)] = record.trackName(i + 1);
    // Play-list edits not yet stored survive the refill below.
    storePlayList();
    openNameEditor(buffer);
    for (int i = 0; i < buffer.count; ++i)
        record.setTrackName(i + 1, buffer.trackNames[static_cast<std::size_t>(i)]);
    fillTracks();
    ui->tracksList->setCurrentRow(focused);
    fillPlayList();
}

void PlayListEditor::closeForEject()
{
    if (isVisible())
        done(QDialog::Rejected);
}

void PlayListEditor::done(int result)
{
    if (!m_ended) {
        m_ended = true;
        storePlayList();
        m_context.catalogue.save();
        if (m_placed) {
            try {
                Profile::Transaction place(m_context.settings);
                m_context.settings.writeInteger(kSection, u"Left", pos().x());
                m_context.settings.writeInteger(kSection, u"Top", pos().y());
                place.commit();
            } catch (const Error&) {
                // A place that cannot be kept is not worth a message.
            }
        }
        if (m_context.openFlag)
            *m_context.openFlag = false;
    }
    QDialog::done(result);
}

void PlayListEditor::showEvent(QShowEvent* event)
{
    // showEvent comes again on every restore: place the window once.
    if (!m_placed) {
        m_placed = true;
        const int left = m_context.settings.readInteger(kSection, u"Left", 0);
        const int top = m_context.settings.readInteger(kSection, u"Top", 0);
        QPoint place = pos();
        if (left > 0)
            place.setX(left);
        if (top > 0)
            place.setY(top);
        move(place);
        if (m_context.openFlag)
            *m_context.openFlag = true;
    }
    QDialog::showEvent(event);
}

// --- Drag and drop ------------------------------------------------------------

QMimeData* PlayListEditor::dragData(DragSource source) const
{
    auto* carried = new QMimeData;
    carried->setData(QString::fromLatin1(kDragFormat),
                     sourceName(source) + ' ' + QByteArray::number(reinterpret_cast<quintptr>(this)));
    return carried;
}

bool PlayListEditor::isOurDrag(const QMimeData* carried, DragSource* source) const
{
    if (!carried)
        return false;
    const QByteArray tag = carried->data(QString::fromLatin1(kDragFormat));
    for (const DragSource candidate : {DragSource::Tracks, DragSource::PlayList}) {
        if (tag == sourceName(candidate) + ' ' + QByteArray::number(reinterpret_cast<quintptr>(this))) {
            *source = candidate;
            return true;
        }
    }
    return false;
}

bool PlayListEditor::acceptsDrop(DragSource source, QPoint at) const
{
    if (source == DragSource::Tracks)
        return true;
    const QListWidgetItem* over = ui->playList->itemAt(at);
    return over && over != ui->playList->currentItem();
}

void PlayListEditor::drop(DragSource source, QPoint at)
{
    QListWidget* list = ui->playList;
    const QListWidgetItem* over = list->itemAt(at);
    if (source == DragSource::PlayList) {
        const int from = list->currentRow();
        if (!over || from < 0)
            return;
        const int to = list->row(over);
        list->insertItem(to, list->takeItem(from));
        list->setCurrentRow(to);
        return;
    }
    const int track = ui->tracksList->currentRow();
    if (track < 0)
        return;
    const QString name = ui->tracksList->item(track)->text();
    if (over)
        list->insertItem(list->row(over), name);
    else
        list->addItem(name);
}

bool PlayListEditor::eventFilter(QObject* watched, QEvent* event)
{
    QListWidget* list = watched == ui->tracksList->viewport() ? ui->tracksList
                        : watched == ui->playList->viewport() ? ui->playList
                                                              : nullptr;
    if (!list)
        return QDialog::eventFilter(watched, event);
    const DragSource own = list == ui->tracksList ? DragSource::Tracks : DragSource::PlayList;

    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto* press = static_cast<QMouseEvent*>(event);
        const bool onItem = press->button() == Qt::LeftButton && list->itemAt(press->position().toPoint());
        m_pressedList = onItem ? list : nullptr;
        m_pressedAt = press->position().toPoint();
        break; // the list selects and focuses the item as usual
    }
    case QEvent::MouseButtonRelease:
        m_pressedList = nullptr;
        break;
    case QEvent::MouseMove: {
        const auto* move = static_cast<QMouseEvent*>(event);
        if (m_pressedList != list || !(move->buttons() & Qt::LeftButton) ||
            (move->position().toPoint() - m_pressedAt).manhattanLength() < QApplication::startDragDistance())
            break;
        m_pressedList = nullptr;
        auto* drag = new QDrag(list);
        drag->setMimeData(dragData(own));
        drag->exec(Qt::MoveAction | Qt::CopyAction);
        return true;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* move = static_cast<QDragMoveEvent*>(event);
        DragSource source;
        const bool accepted = list == ui->playList && isOurDrag(move->mimeData(), &source) &&
                              acceptsDrop(source, move->position().toPoint());
        if (accepted)
            move->acceptProposedAction();
        else
            move->ignore();
        // Entering is always taken, so that the moves over the items are seen.
        if (event->type() == QEvent::DragEnter && list == ui->playList &&
            isOurDrag(move->mimeData(), &source))
            move->accept();
        return true;
    }
    case QEvent::DragLeave:
        return true;
    case QEvent::Drop: {
        auto* dropped = static_cast<QDropEvent*>(event);
        DragSource source;
        if (list == ui->playList && isOurDrag(dropped->mimeData(), &source) &&
            acceptsDrop(source, dropped->position().toPoint())) {
            drop(source, dropped->position().toPoint());
            dropped->acceptProposedAction();
        } else {
            dropped->ignore();
        }
        return true;
    }
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace hv
