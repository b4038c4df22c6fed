// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "media/NameEditor.h"

#include <QDialog>
#include <QPoint>
#include <QPointer>
#include <QScopedPointer>

class QListWidget;
class QMimeData;

namespace Ui {
class PlayListEditor;
}

namespace hv {

class DiscCatalogue;
class Profile;

// What the play list editor works on, all of it outliving the editor.
struct PlayListEditorContext
{
    // The editor works on the catalogue's current record and saves it to its
    // place when it ends; a save that fails leaves its problem in
    // catalogue.takeProblem() for the caller to tell the user.
    DiscCatalogue& catalogue;
    Profile& settings;
    // The disc's track count as the device reports it; the record takes it.
    int trackCount = 0;
    // Set while the editor is showing, cleared when it ends. May be null.
    bool* openFlag = nullptr;
};

// "Play List": the disc's tracks by name beside its play list, built by
// double click, Add, Add all and drag and drop, trimmed by Delete and Delete
// all. Name CD and Name Track open the name editor; a renamed track is
// renamed in the play list too. However the editor ends (OK, Escape, the
// close box, or closeForEject() when the disc goes away) it turns the list
// back into track indices, at most 40 of them, each the first track whose
// name equals the item's regardless of case, saves the record and clears
// the open flag. The place is kept in "PlayListForm".
class PlayListEditor : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kHelpContext = 48;
    // What a drag between the lists carries: which list it left and which
    // editor it belongs to, so that a drag from elsewhere is refused.
    static constexpr char kDragFormat[] = "application/x-horavox-track-drag";
    enum class DragSource
    {
        Tracks,
        PlayList,
    };

    explicit PlayListEditor(const PlayListEditorContext& context, QWidget* parent = nullptr);
    ~PlayListEditor() override;

    // The data a drag from one of the lists carries; the caller owns it.
    QMimeData* dragData(DragSource source) const;

    void done(int result) override;

public Q_SLOTS:
    // The disc has gone: ends the editor as any other close does.
    void closeForEject();

    void addFocusedTrack();
    void addSelectedTracks();
    void addAllTracks();
    void deleteSelected();
    void deleteAll();
    void nameDisc();
    void nameTrack();

Q_SIGNALS:
    void helpRequested(int context);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    int trackCount() const;
    void fillTracks();
    void fillPlayList();
    void storePlayList();
    void appendTrack(int row);
    bool isOurDrag(const QMimeData* carried, DragSource* source) const;
    bool acceptsDrop(DragSource source, QPoint at) const;
    void drop(DragSource source, QPoint at);
    int openNameEditor(NameEditBuffer& buffer);

    QScopedPointer<Ui::PlayListEditor> ui;
    PlayListEditorContext m_context;
    bool m_placed = false;
    bool m_ended = false;
    // A left press on an item of this list may become a drag.
    QPointer<QListWidget> m_pressedList;
    QPoint m_pressedAt;
};

} // namespace hv
