// SPDX-License-Identifier: GPL-3.0-or-later
#include "ModalDialogs.h"
#include "TestFiles.h"
#include "common/Profile.h"
#include "media/DiscCatalogue.h"
#include "media/NameEditor.h"
#include "media/PlayListEditor.h"

#include <QDropEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using hv::DiscCatalogue;
using hv::DiscNumbers;
using hv::DiscRecord;
using hv::PlayListEditor;

using Entries = QList<int>;

namespace {

const DiscNumbers kDisc{3, 0x00000201, 0x00000a00};

QStringList itemsOf(const QListWidget* list)
{
    QStringList items;
    for (int row = 0; row < list->count(); ++row)
        items << list->item(row)->text();
    return items;
}

// The filled play-list entries, up to the first empty one.
Entries entriesOf(const DiscRecord& record)
{
    Entries entries;
    for (const std::int32_t entry : record.playList) {
        if (entry == DiscRecord::kNoEntry)
            break;
        entries << entry;
    }
    return entries;
}

void setEntries(DiscRecord& record, const Entries& entries)
{
    record.playList = DiscRecord::emptyPlayList();
    for (qsizetype i = 0; i < entries.size(); ++i)
        record.playList[static_cast<std::size_t>(i)] = entries[i];
}

} // namespace

class TestPlayListEditor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void addAndAddAll();
    void doubleClickAddsTheFocusedTrack();
    void deleteAndDeleteAll();
    void playListKeepsItsFirstFortyItems();
    void renamingCarriesIntoThePlayList();
    void namesEqualIgnoringCaseReferToTheFirstTrack();
    void entriesOutsideTheDiscAreSkipped_data();
    void entriesOutsideTheDiscAreSkipped();
    void everyEndStoresAndSaves_data();
    void everyEndStoresAndSaves();
    void dropRules_data();
    void dropRules();
    void tracksPastFortyAreListedButNotRenamed();
    void keyboard_data();
    void keyboard();

private:
    std::unique_ptr<PlayListEditor> open(int trackCount = kDisc.trackCount);
    QListWidget* list(const char* name)
    {
        return m_editor->findChild<QListWidget*>(QString::fromLatin1(name));
    }
    QPushButton* button(const char* name)
    {
        return m_editor->findChild<QPushButton*>(QString::fromLatin1(name));
    }
    DiscRecord& record() { return m_catalogue->current(); }
    DiscRecord savedRecord() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<hv::Profile> m_settings;
    std::unique_ptr<DiscCatalogue> m_catalogue;
    std::unique_ptr<PlayListEditor> m_editor;
    bool m_open = false;
};

void TestPlayListEditor::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_settings = std::make_unique<hv::Profile>(m_dir->filePath(QStringLiteral("horavox.ini")));
    m_catalogue = std::make_unique<DiscCatalogue>(m_dir->path());
    QVERIFY(m_catalogue->findOrAdd(kDisc));
    m_open = false;
}

void TestPlayListEditor::cleanup()
{
    m_editor.reset();
}

std::unique_ptr<PlayListEditor> TestPlayListEditor::open(int trackCount)
{
    auto editor = std::make_unique<PlayListEditor>(
        hv::PlayListEditorContext{*m_catalogue, *m_settings, trackCount, &m_open});
    // Shown without its own modality, so that a test can find the name
    // editor as the one modal window.
    editor->setModal(false);
    editor->show();
    return editor;
}

DiscRecord TestPlayListEditor::savedRecord() const
{
    const QByteArray bytes = hv::test::contentOf(m_catalogue->path());
    if (bytes.size() != static_cast<qsizetype>(DiscRecord::kSize))
        return {};
    return DiscRecord::fromBytes(std::span<const std::uint8_t, DiscRecord::kSize>(
        reinterpret_cast<const std::uint8_t*>(bytes.constData()), DiscRecord::kSize));
}

void TestPlayListEditor::addAndAddAll()
{
    m_editor = open();
    QCOMPARE(itemsOf(list("tracksList")),
             (QStringList{QStringLiteral("Untitled 1"), QStringLiteral("Untitled 2"),
                          QStringLiteral("Untitled 3")}));
    // Selected last to first: Add still appends in track order.
    list("tracksList")->item(2)->setSelected(true);
    list("tracksList")->item(0)->setSelected(true);
    button("addButton")->click();
    button("addAllButton")->click();
    button("addAllButton")->click();
    button("okButton")->click();
    QCOMPARE(entriesOf(record()), (Entries{0, 2, 0, 1, 2, 0, 1, 2}));
    QCOMPARE(entriesOf(savedRecord()), (Entries{0, 2, 0, 1, 2, 0, 1, 2}));
}

void TestPlayListEditor::doubleClickAddsTheFocusedTrack()
{
    m_editor = open();
    QListWidget* tracks = list("tracksList");
    const QRect second = tracks->visualItemRect(tracks->item(1));
    QTest::mouseClick(tracks->viewport(), Qt::LeftButton, {}, second.center());
    QTest::mouseDClick(tracks->viewport(), Qt::LeftButton, {}, second.center());
    QCOMPARE(itemsOf(list("playList")), QStringList{QStringLiteral("Untitled 2")});
}

void TestPlayListEditor::deleteAndDeleteAll()
{
    setEntries(record(), {0, 1, 2, 1});
    m_editor = open();
    QListWidget* playList = list("playList");
    playList->item(1)->setSelected(true);
    playList->item(3)->setSelected(true);
    button("deleteButton")->click();
    QCOMPARE(itemsOf(playList), (QStringList{QStringLiteral("Untitled 1"), QStringLiteral("Untitled 3")}));
    button("deleteAllButton")->click();
    QCOMPARE(playList->count(), 0);
    button("okButton")->click();
    QCOMPARE(entriesOf(savedRecord()), Entries{});
}

void TestPlayListEditor::playListKeepsItsFirstFortyItems()
{
    m_editor = open();
    for (int i = 0; i < 14; ++i)
        button("addAllButton")->click();
    QCOMPARE(list("playList")->count(), 42);
    button("okButton")->click();
    Entries forty;
    for (int i = 0; i < 40; ++i)
        forty << i % 3;
    QCOMPARE(entriesOf(savedRecord()), forty);
    m_editor = open();
    QCOMPARE(list("playList")->count(), 40);
}

void TestPlayListEditor::renamingCarriesIntoThePlayList()
{
    setEntries(record(), {1, 0, 1});
    m_editor = open();
    QListWidget* tracks = list("tracksList");
    tracks->setCurrentRow(1);
    // A pending edit of the play list survives the renaming.
    button("addAllButton")->click();
    hv::test::answerNextModal([](QWidget* dialog) {
        QVERIFY(qobject_cast<hv::NameEditor*>(dialog));
        dialog->findChild<QLineEdit*>(QStringLiteral("nameEdit"))->setText(QStringLiteral("Blue"));
        dialog->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    });
    button("nameTrackButton")->click();
    const QString one = QStringLiteral("Untitled 1"), blue = QStringLiteral("Blue"),
                  three = QStringLiteral("Untitled 3");
    QCOMPARE(itemsOf(tracks), (QStringList{one, blue, three}));
    QCOMPARE(itemsOf(list("playList")), (QStringList{blue, one, blue, one, blue, three}));

    hv::test::answerNextModal([](QWidget* dialog) {
        dialog->findChild<QLineEdit*>(QStringLiteral("nameEdit"))->setText(QStringLiteral("Colours"));
        dialog->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    });
    button("nameCdButton")->click();
    button("okButton")->click();
    const DiscRecord saved = savedRecord();
    QCOMPARE(saved.discName(), QStringLiteral("Colours"));
    QCOMPARE(saved.trackName(2), blue);
    QCOMPARE(entriesOf(saved), (Entries{1, 0, 1, 0, 1, 2}));
}

// Items refer to tracks by name when stored: an item whose name two tracks
// share, regardless of case, refers to the first of them.
void TestPlayListEditor::namesEqualIgnoringCaseReferToTheFirstTrack()
{
    record().setTrackName(1, QStringLiteral("Intro"));
    record().setTrackName(2, QStringLiteral("INTRO"));
    record().setTrackName(3, QStringLiteral("Coda"));
    setEntries(record(), {1, 2, 1});
    m_editor = open();
    QCOMPARE(itemsOf(list("playList")),
             (QStringList{QStringLiteral("INTRO"), QStringLiteral("Coda"), QStringLiteral("INTRO")}));
    button("okButton")->click();
    QCOMPARE(entriesOf(savedRecord()), (Entries{0, 2, 0}));
}

void TestPlayListEditor::entriesOutsideTheDiscAreSkipped_data()
{
    QTest::addColumn<Entries>("stored");
    QTest::addColumn<QStringList>("shown");
    const QString one = QStringLiteral("Untitled 1"), three = QStringLiteral("Untitled 3");
    QTest::newRow("past the last track") << Entries{0, 3, 2, 99} << QStringList{one, three};
    QTest::newRow("negative") << Entries{-7, 2, -2147483647 - 1, 0} << QStringList{three, one};
    QTest::newRow("an empty entry before filled ones") << Entries{-1, 2, -1, 0} << QStringList{three, one};
}

void TestPlayListEditor::entriesOutsideTheDiscAreSkipped()
{
    QFETCH(Entries, stored);
    QFETCH(QStringList, shown);
    record().playList = DiscRecord::emptyPlayList();
    for (qsizetype i = 0; i < stored.size(); ++i)
        record().playList[static_cast<std::size_t>(i)] = stored[i];
    m_editor = open();
    QCOMPARE(itemsOf(list("playList")), shown);
}

void TestPlayListEditor::everyEndStoresAndSaves_data()
{
    QTest::addColumn<QString>("end");
    QTest::newRow("OK") << QStringLiteral("ok");
    QTest::newRow("Escape") << QStringLiteral("escape");
    QTest::newRow("close box") << QStringLiteral("close");
    QTest::newRow("the disc goes") << QStringLiteral("eject");
}

void TestPlayListEditor::everyEndStoresAndSaves()
{
    QFETCH(QString, end);
    m_settings->writeInteger(u"PlayListForm", u"Left", 0);
    m_settings->writeInteger(u"PlayListForm", u"Top", 77);
    m_editor = open();
    QVERIFY(m_open);
    QCOMPARE(m_editor->pos().y(), 77);
    m_editor->move(123, 88);
    list("tracksList")->item(2)->setSelected(true);
    button("addButton")->click();

    if (end == QLatin1String("ok"))
        button("okButton")->click();
    else if (end == QLatin1String("escape"))
        QTest::keyClick(list("tracksList"), Qt::Key_Escape);
    else if (end == QLatin1String("close"))
        m_editor->close();
    else
        m_editor->closeForEject();

    QVERIFY(!m_editor->isVisible());
    QVERIFY(!m_open);
    QCOMPARE(entriesOf(savedRecord()), Entries{2});
    QCOMPARE(m_settings->readInteger(u"PlayListForm", u"Left", 0), 123);
    QCOMPARE(m_settings->readInteger(u"PlayListForm", u"Top", 0), 88);
}

void TestPlayListEditor::dropRules_data()
{
    QTest::addColumn<QString>("source"); // "tracks", "playlist" or "elsewhere"
    QTest::addColumn<int>("focused");    // row focused in the source list
    QTest::addColumn<int>("over");       // play-list row under the mouse; -1 below the last
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QStringList>("after");

    const QString a = QStringLiteral("Untitled 1"), b = QStringLiteral("Untitled 2"),
                  c = QStringLiteral("Untitled 3");
    // The play list starts as a, b, c.
    QTest::newRow("a track on an item is inserted there")
        << "tracks" << 2 << 0 << true << QStringList{c, a, b, c};
    QTest::newRow("a track below the last item is appended")
        << "tracks" << 0 << -1 << true << QStringList{a, b, c, a};
    QTest::newRow("an item moves down") << "playlist" << 0 << 2 << true << QStringList{b, c, a};
    QTest::newRow("an item moves up") << "playlist" << 2 << 0 << true << QStringList{c, a, b};
    QTest::newRow("an item over itself") << "playlist" << 1 << 1 << false << QStringList{a, b, c};
    QTest::newRow("an item below the last") << "playlist" << 0 << -1 << false << QStringList{a, b, c};
    QTest::newRow("a drag from elsewhere") << "elsewhere" << 0 << 0 << false << QStringList{a, b, c};
}

void TestPlayListEditor::dropRules()
{
    QFETCH(QString, source);
    QFETCH(int, focused);
    QFETCH(int, over);
    QFETCH(bool, accepted);
    QFETCH(QStringList, after);
    setEntries(record(), {0, 1, 2});
    m_editor = open();
    QListWidget* playList = list("playList");
    std::unique_ptr<QMimeData> carried;
    if (source == QLatin1String("tracks")) {
        list("tracksList")->setCurrentRow(focused);
        carried.reset(m_editor->dragData(PlayListEditor::DragSource::Tracks));
    } else if (source == QLatin1String("playlist")) {
        playList->setCurrentRow(focused);
        carried.reset(m_editor->dragData(PlayListEditor::DragSource::PlayList));
    } else {
        // Another editor's drag carries another editor's mark.
        PlayListEditor other(hv::PlayListEditorContext{*m_catalogue, *m_settings, kDisc.trackCount, nullptr});
        carried.reset(other.dragData(PlayListEditor::DragSource::Tracks));
        other.done(QDialog::Accepted);
    }
    const QRect lastRect = playList->visualItemRect(playList->item(playList->count() - 1));
    const QPoint at = over >= 0 ? playList->visualItemRect(playList->item(over)).center()
                                : lastRect.center() + QPoint(0, 40);

    // Entering is where Qt picks the widget that gets the moves and the drop.
    QDragEnterEvent enter(at, Qt::MoveAction | Qt::CopyAction, carried.get(), Qt::LeftButton, {});
    QApplication::sendEvent(playList->viewport(), &enter);
    QDragMoveEvent move(at, Qt::MoveAction | Qt::CopyAction, carried.get(), Qt::LeftButton, {});
    QApplication::sendEvent(playList->viewport(), &move);
    QCOMPARE(move.isAccepted(), accepted);
    QDropEvent dropped(QPointF(at), Qt::MoveAction | Qt::CopyAction, carried.get(), Qt::LeftButton, {});
    QApplication::sendEvent(playList->viewport(), &dropped);
    QCOMPARE(dropped.isAccepted(), accepted);
    QCOMPARE(itemsOf(playList), after);
}

void TestPlayListEditor::tracksPastFortyAreListedButNotRenamed()
{
    QVERIFY(m_catalogue->findOrAdd(DiscNumbers{42, 0x100, 0x2a00}));
    m_editor = open(42);
    QListWidget* tracks = list("tracksList");
    QCOMPARE(tracks->count(), 42);
    QCOMPARE(tracks->item(41)->text(), QStringLiteral("Untitled 42"));
    QCOMPARE(m_editor->findChild<QLineEdit*>(QStringLiteral("totalTracks"))->text(), QStringLiteral("42"));
    tracks->setCurrentRow(40);
    button("nameTrackButton")->click(); // opens nothing: no modal dialog to answer
    QCOMPARE(QApplication::activeModalWidget(), nullptr);

    // Track 40 is renamable, and Next stops there.
    tracks->setCurrentRow(39);
    QString afterNext;
    hv::test::answerNextModal([&afterNext](QWidget* dialog) {
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("nameEdit"));
        dialog->findChild<QPushButton*>(QStringLiteral("nextButton"))->click();
        afterNext = edit->text();
        edit->setText(QStringLiteral("Forty"));
        dialog->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    });
    button("nameTrackButton")->click();
    QCOMPARE(afterNext, QStringLiteral("Untitled 40"));
    QCOMPARE(tracks->item(39)->text(), QStringLiteral("Forty"));
    QCOMPARE(tracks->item(40)->text(), QStringLiteral("Untitled 41"));
}

void TestPlayListEditor::keyboard_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QStringList>("after");
    const QString a = QStringLiteral("Untitled 1"), b = QStringLiteral("Untitled 2"),
                  c = QStringLiteral("Untitled 3");
    // Track 2 is selected; the play list holds a, with a selected.
    QTest::newRow("Alt+A adds") << int(Qt::Key_A) << QStringList{a, b};
    QTest::newRow("Alt+L adds all") << int(Qt::Key_L) << QStringList{a, a, b, c};
    QTest::newRow("Alt+D deletes") << int(Qt::Key_D) << QStringList{};
    QTest::newRow("Alt+E deletes all") << int(Qt::Key_E) << QStringList{};
}

void TestPlayListEditor::keyboard()
{
    QFETCH(int, key);
    QFETCH(QStringList, after);
    setEntries(record(), {0});
    m_editor = open();
    QApplication::setActiveWindow(m_editor.get());
    QVERIFY(QTest::qWaitForWindowActive(m_editor.get()));
    QListWidget* tracks = list("tracksList");
    QCOMPARE(QApplication::focusWidget(), tracks);
    QTest::keyClick(tracks, Qt::Key_Down);
    QCOMPARE(tracks->currentRow(), 1);
    list("playList")->item(0)->setSelected(true);

    // A mnemonic clicks its button after a short animation.
    QTest::keyClick(m_editor.get(), static_cast<Qt::Key>(key), Qt::AltModifier);
    QTRY_COMPARE(itemsOf(list("playList")), after);

    // Tab reaches the play list after the four list buttons.
    tracks->setFocus();
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), list("playList"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(!m_editor->isVisible());
    QVERIFY(!m_open);
}

QTEST_MAIN(TestPlayListEditor)
#include "tst_PlayListEditor.moc"
