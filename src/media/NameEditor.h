// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "media/DiscCatalogue.h"

#include <QDialog>
#include <QScopedPointer>
#include <QString>

#include <array>

namespace Ui {
class NameEditor;
}

namespace hv {

class Profile;

// The names the name editor works on: copies of the disc's name and of its
// stored track names, handed in and read back by the caller whatever way the
// editor ends.
struct NameEditBuffer
{
    // Track names in use, 0 to 40: the disc's track count, at most the
    // tracks that have a stored name.
    int count = 0;
    QString discName;
    // Entry i holds track i + 1.
    std::array<QString, DiscRecord::kNamedTracks> trackNames;
    // The name being edited: -1 the disc's, i track names entry i.
    int index = -1;
};

// Whether every character of `name` can be stored (Windows-1252).
bool isStorableName(const QString& name);

// "Edit Name": renames the disc, or its tracks one after another with Prev and
// Next. Prev, Next and OK store the text (cut to 50 characters) into the
// buffer; there is no Cancel, and Escape does nothing. Every time the window
// becomes active the edit box is loaded again from the buffer, dropping typing
// not yet stored. Characters that cannot be stored are refused as they are
// typed or pasted. The place is kept in "EditNameForm".
class NameEditor : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kHelpContext = 48;

    NameEditor(NameEditBuffer& buffer, Profile& settings, QWidget* parent = nullptr);
    ~NameEditor() override;

public Q_SLOTS:
    void storeAndClose();
    void previousName();
    void nextName();

Q_SIGNALS:
    void helpRequested(int context);

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

public:
    void done(int result) override;

private:
    void store();
    void load();

    QScopedPointer<Ui::NameEditor> ui;
    NameEditBuffer& m_buffer;
    Profile& m_settings;
    bool m_placed = false;
};

} // namespace hv
