#include "rack/rackplayer/PlaylistDialog.h"

#include "rack/outside/plinthbase/BaseStrings.h"
#include "rack/outside/plinthstore/FileChooser.h"
#include "rack/outside/plinthstore/ObjectStore.h"
#include "rack/rackplayer/RackFrame.h"

#include "platform/core/Paths.h"
#include "platform/ui/rackwindow/Window.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace rack {

namespace {

int count(int kind)
{
    return kind == kObjWave ? obj_GetWaveCount() : obj_GetMidiCount();
}

std::string pathOf(int kind, int index)
{
    if (kind == kObjWave) {
        const WaveRecord* wave = obj_GetWave(0, index);
        return wave ? wave->path : std::string();
    }
    const MidiRecord* midi = obj_GetMidi(0, index);
    return midi ? midi->path : std::string();
}

void empty(int kind, int index)
{
    if (kind == kObjWave)
        obj_EmptyWave(0, index);
    else
        obj_EmptyMidi(0, index);
}

QPushButton* button(const char* text, int id)
{
    auto* push = new QPushButton(QString::fromUtf8(text));
    push->setProperty("itemId", id);
    push->setAutoDefault(false);
    return push;
}

}  // namespace

PlaylistDialog::PlaylistDialog(plat::ui::Window* deck, int kind)
    : QDialog(deck ? deck->widget() : nullptr), m_deck(deck), m_kind(kind), m_list(new QListWidget)
{
    setWindowTitle(kind == kObjWave ? "Load Wave Files" : "Load MIDI Files");
    m_list->setProperty("itemId", kListBox);
    m_list->setTextElideMode(Qt::ElideMiddle);
    m_list->setMinimumWidth(360);
    auto* add = button("&Add...", kAddButton);
    auto* remove = button("&Remove", kRemoveButton);
    auto* clear = button("Clear A&ll", kClearButton);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    auto* side = new QVBoxLayout;
    side->addWidget(add);
    side->addWidget(remove);
    side->addWidget(clear);
    side->addStretch();
    auto* row = new QHBoxLayout;
    row->addWidget(m_list, 1);
    row->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    connect(add, &QPushButton::clicked, this, [this] { this->add(); });
    connect(remove, &QPushButton::clicked, this, [this] { this->remove(); });
    connect(clear, &QPushButton::clicked, this, [this] { clearAll(); });
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        apply();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    for (int index = 0; index < count(kind); ++index) {
        const std::string path = pathOf(kind, index);
        m_list->addItem(QString::fromStdString(path));
        pl_Insert(m_edit, path, -1, 1);
    }
}

int PlaylistDialog::run(plat::ui::Window* deck, int kind)
{
    PlaylistDialog dialog(deck, kind);
    return rack_RunDialog(dialog) == QDialog::Accepted ? 1 : 0;
}

void PlaylistDialog::add()
{
    FileRequest request;
    request.multiple = true;
    request.title = GetString(m_kind == kObjWave ? kStrOpenWaveTitle : kStrOpenMidiTitle);
    request.filter = GetString(m_kind == kObjWave ? kStrWaveFilter : kStrMidiFilter);
    request.folder = obj_GetUserDir(m_kind);
    const std::vector<std::string> files = FileChooser::choose(m_deck, request);
    if (files.empty())
        return;
    obj_SetUserDir(m_kind, plat::paths::folder(files.front()));
    // Whole paths in their own case, in the order chosen, at the selection.
    const int at = m_list->currentRow() >= 0 ? m_list->currentRow() : m_list->count();
    for (size_t i = 0; i < files.size(); ++i) {
        pl_Insert(m_edit, files[i], at + int(i), 0);
        m_list->insertItem(at + int(i), QString::fromStdString(files[i]));
    }
}

void PlaylistDialog::remove()
{
    const int row = m_list->currentRow();
    if (row < 0)
        return;
    pl_Remove(m_edit, row, m_removed);
    delete m_list->takeItem(row);
}

void PlaylistDialog::clearAll()
{
    while (m_list->count() > 0) {
        pl_Remove(m_edit, 0, m_removed);
        delete m_list->takeItem(0);
    }
}

void PlaylistDialog::apply()
{
    for (const PlayListEntry* entry = m_removed.first.get(); entry; entry = entry->next.get())
        if (const int index = obj_MatchName(m_kind, entry->name); index >= 0)
            empty(m_kind, index);
    if (pl_Count(m_edit) > 0) {
        while (count(m_kind) > 0)
            empty(m_kind, 0);
        for (const PlayListEntry* entry = m_edit.first.get(); entry; entry = entry->next.get()) {
            if (m_kind == kObjWave)
                obj_LoadWave(m_deck, entry->name.c_str());
            else
                obj_LoadMidi(m_deck, entry->name.c_str());
        }
    }
    pl_Clear(m_edit);
    pl_Clear(m_removed);
}

}  // namespace rack
