#include "rack/rackplayer/CdPlaylistDialog.h"

#include "rack/outside/plinthbase/BaseStrings.h"
#include "rack/outside/plinthbase/GlobalMemory.h"
#include "rack/outside/plinthstore/CdStore.h"
#include "rack/rackplayer/RackFrame.h"

#include "platform/core/Strings.h"
#include "platform/ui/rackwindow/Window.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <initializer_list>

namespace rack {

namespace {

constexpr int kStrTrack = 549;

template <class Widget>
Widget* withId(Widget* widget, int id)
{
    widget->setProperty("itemId", id);
    return widget;
}

QString text(const std::string& value)
{
    return QString::fromStdString(value);
}

}  // namespace

CdPlaylistDialog::CdPlaylistDialog(plat::ui::Window* deck)
    : QDialog(deck ? deck->widget() : nullptr),
      m_title(withId(new QLineEdit, kTitleEdit)),
      m_artist(withId(new QLineEdit, kArtistEdit)),
      m_order(withId(new QListWidget, kPlayListBox)),
      m_tracks(withId(new QListWidget, kTrackBox)),
      m_label(withId(new QLabel, kTrackLabel)),
      m_name(withId(new QLineEdit, kNameEdit)),
      m_add(withId(new QPushButton("<-&Add"), kAddButton)),
      m_delete(withId(new QPushButton("&Delete"), kDeleteButton))
{
    setWindowTitle("Edit CD Play List");
    for (QLineEdit* edit : {m_title, m_artist, m_name})
        edit->setMaxLength(int(kCdNameLength));
    auto* clear = withId(new QPushButton("Clear &List"), kClearButton);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    for (QPushButton* push : {m_add, m_delete, clear})
        push->setAutoDefault(false);
    auto* layout = new QGridLayout(this);
    // Each label takes its mnemonic to the field it names.
    auto* titleLabel = new QLabel("&Title:");
    titleLabel->setBuddy(m_title);
    auto* artistLabel = new QLabel("A&rtist:");
    artistLabel->setBuddy(m_artist);
    layout->addWidget(titleLabel, 0, 0);
    layout->addWidget(m_title, 0, 1, 1, 3);
    layout->addWidget(artistLabel, 1, 0);
    layout->addWidget(m_artist, 1, 1, 1, 3);
    layout->addWidget(new QLabel("Play list:"), 2, 0, 1, 2);
    layout->addWidget(new QLabel("Available tracks:"), 2, 3);
    layout->addWidget(m_order, 3, 0, 3, 2);
    layout->addWidget(m_add, 3, 2);
    layout->addWidget(m_delete, 4, 2);
    layout->addWidget(clear, 5, 2);
    layout->addWidget(m_tracks, 3, 3, 3, 1);
    layout->addWidget(m_label, 6, 0);
    layout->addWidget(m_name, 6, 1, 1, 3);
    layout->addWidget(buttons, 7, 0, 1, 4);

    const CdPlayObject* play = obj_GetCDPlayObject();
    m_title->setText(text(play->title));
    m_artist->setText(text(play->artist));
    for (int track = 0; track < obj_GetCDCount(); ++track)
        m_tracks->addItem(text(obj_GetCD(0, track)->name));
    for (int position = 0; position < obj_GetCDPlayCount(); ++position) {
        const int track = obj_Xlate_Index(position);
        if (track < 0)
            continue;
        m_order->addItem(text(obj_GetCD(0, track)->name));
        pl_Add(m_playList, obj_GetCD(0, track)->name, -1, track);
    }
    m_label->setText(text(GetString(kStrTrack, 20) + " 1"));
    if (obj_GetCDCount() > 0)
        m_name->setText(text(obj_GetCD(0, 0)->name));
    m_add->setEnabled(false);
    m_delete->setEnabled(false);
    m_title->setFocus();

    connect(m_tracks, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            selectTrack(row);
        m_add->setEnabled(row >= 0);
    });
    connect(m_order, &QListWidget::currentRowChanged, this, [this](int row) { m_delete->setEnabled(row >= 0); });
    connect(m_add, &QPushButton::clicked, this, [this] { add(); });
    connect(m_delete, &QPushButton::clicked, this, [this] { removeSelected(); });
    connect(clear, &QPushButton::clicked, this, [this] { clearList(); });
    connect(m_name, &QLineEdit::textEdited, this, [this] { m_nameChanged = true; });
    connect(m_name, &QLineEdit::returnPressed, this, [this] { rename(); });
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (m_nameChanged)
            rename();
        apply();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, [this] {
        pl_Clear(m_playList);
        pl_Clear(m_newNames);
        reject();
    });
    for (QWidget* widget : std::initializer_list<QWidget*>{m_name, m_order, m_tracks, m_title, m_artist})
        widget->installEventFilter(this);
}

int CdPlaylistDialog::run(plat::ui::Window* deck)
{
    if (obj_GetCDCount() == 0)
        obj_LoadCD(deck);
    CdPlaylistDialog dialog(deck);
    return rack_RunDialog(dialog) == QDialog::Accepted ? 1 : 0;
}

std::string CdPlaylistDialog::trackName(int track) const
{
    int32_t position = 0;
    if (pl_FindValue(m_newNames, track, &position))
        if (const PlayListEntry* entry = pl_Find(m_newNames, position))
            return entry->name;
    const CdTrackRecord* record = obj_GetCD(0, track);
    return record ? record->name : std::string();
}

void CdPlaylistDialog::selectTrack(int track)
{
    m_label->setText(text(GetString(kStrTrack, 20) + plat::format(" %d", track + 1)));
    m_name->setText(text(trackName(track)));
    m_nameChanged = false;
}

void CdPlaylistDialog::add()
{
    const int track = m_tracks->currentRow();
    if (track < 0)
        return;
    const std::string name = trackName(track);
    pl_Add(m_playList, name, -1, track);
    m_order->addItem(text(name));
}

void CdPlaylistDialog::removeSelected()
{
    const int row = m_order->currentRow();
    if (row < 0)
        return;
    pl_RemoveAt(m_playList, row);
    delete m_order->takeItem(row);
    if (m_order->count() > 0)
        m_order->setCurrentRow(std::min(row, m_order->count() - 1));
}

void CdPlaylistDialog::clearList()
{
    m_order->clear();
    pl_Clear(m_playList);
}

void CdPlaylistDialog::rename()
{
    m_nameChanged = false;
    const int track = std::max(m_tracks->currentRow(), 0);
    if (track >= m_tracks->count())
        return;
    const std::string name = m_name->text().left(int(kCdNameLength)).toStdString();
    int32_t position = 0;
    if (pl_FindValue(m_newNames, track, &position))
        pl_Rename(m_newNames, name, position);
    else
        pl_Add(m_newNames, name, -1, track);
    m_tracks->item(track)->setText(text(name));
    // Every place of the track in the play list takes the name.
    for (int row = 0; row < m_order->count(); ++row)
        if (pl_HasValue(m_playList, row, track)) {
            pl_Rename(m_playList, name, row);
            m_order->item(row)->setText(text(name));
        }
    const int next = track + 1 < m_tracks->count() ? track + 1 : track;
    m_tracks->setCurrentRow(next);
    selectTrack(next);
    m_add->setEnabled(true);
}

void CdPlaylistDialog::apply()
{
    CdPlayObject* play = obj_GetCDPlayObject();
    play->title = m_title->text().left(int(kCdNameLength)).toStdString();
    play->artist = m_artist->text().left(int(kCdNameLength)).toStdString();
    for (const PlayListEntry* entry = m_newNames.first.get(); entry; entry = entry->next.get())
        if (CdTrackRecord* record = obj_GetCD(0, entry->value))
            record->name = record->name2 = entry->name;
    GlobalHandle* handle = obj_GetCDPlayOrderHandle();
    const int count = pl_Count(m_playList);
    if (count == 0) {
        *handle = GlobalToss(*handle);
        play->order = nullptr;
    } else {
        *handle = *handle ? GlobalResize(*handle, size_t(count) * sizeof(int32_t))
                          : GlobalNew(size_t(count) * sizeof(int32_t));
        play->order = static_cast<int32_t*>(GlobalLock(*handle));
        for (int row = 0; row < count; ++row)
            play->order[row] = pl_GetValue(m_playList, row);
    }
    play->count = count;
    pl_Clear(m_playList);
    pl_Clear(m_newNames);
}

bool CdPlaylistDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_name && event->type() == QEvent::FocusOut && m_nameChanged)
        rename();
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (watched == m_order && key == Qt::Key_Delete) {
            removeSelected();
            return true;
        }
        // Enter names a track in the name edit; elsewhere it moves on rather than ending
        // the dialog.
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && watched != m_name) {
            focusNextChild();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace rack
