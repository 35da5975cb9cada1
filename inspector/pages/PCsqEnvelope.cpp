#include "inspector/pages/PCsqEnvelope.h"

#include "inspector/pages/PCsqPageCommand.h"
#include "interface/controls/MCDataExchange.h"
#include "interface/controls/MCTimeEdit.h"
#include "notabase/commands/CCEdit.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/model/ECEnvelope.h"
#include "notabase/model/MCEventList.h"
#include "platform/ui/dialog/DataExchange.h"
#include "platform/ui/dialog/ItemId.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>

PLAT_IMPLEMENT_DYNCREATE(PCsqEnvelope, MCInspectorPage)

PCsqEnvelope::PCsqEnvelope(QWidget* parent) : MCInspectorPage(parent)
{
    setWindowTitle("&Performance");
    auto* layout = new QGridLayout(this);
    auto* nameLabel = new QLabel("Name", this);
    m_nameEdit = new QLineEdit(this);
    plat::ui::setItemId(m_nameEdit, kName);
    auto* commentLabel = new QLabel("Comments", this);
    m_commentEdit = new QPlainTextEdit(this);
    m_commentEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    plat::ui::setItemId(m_commentEdit, kComment);
    auto* spacingLabel = new QLabel("Time Resolution", this);
    plat::ui::setItemId(spacingLabel, kSpacingLabel);
    // The spacing is kept and written, though nobody shows it yet.
    auto* spacingPlaceholder = new QLineEdit(this);
    plat::ui::setItemId(spacingPlaceholder, kSpacing);
    for (QWidget* hidden : {static_cast<QWidget*>(spacingLabel), static_cast<QWidget*>(spacingPlaceholder)}) {
        hidden->setVisible(false);
        hidden->setEnabled(false);
    }
    layout->addWidget(nameLabel, 0, 0);
    layout->addWidget(m_nameEdit, 0, 1);
    layout->addWidget(commentLabel, 1, 0, Qt::AlignTop);
    layout->addWidget(m_commentEdit, 1, 1);
    layout->addWidget(spacingLabel, 2, 0);
    layout->addWidget(spacingPlaceholder, 2, 1);
    layout->setRowStretch(1, 1);

    // Only what the user types changes a field: loading the edits says nothing.
    connect(m_nameEdit, &QLineEdit::textEdited, this, [this] { MarkChanged(fieldName); });
    connect(m_commentEdit, &QPlainTextEdit::textChanged, this, [this] { MarkChanged(fieldComment); });
}

bool PCsqEnvelope::InitPage()
{
    if (!MCInspectorPage::InitPage())
        return false;
    if (!m_spacingEdit) {
        auto edit = std::make_unique<MCTimeEdit>(this);
        if (edit->SubclassTimeEdit(kSpacing, this, -1, 0)) {
            m_spacingEdit = edit.release();
            m_spacingEdit->setVisible(false);
            m_spacingEdit->setEnabled(false);
        }
    }
    return true;
}

void PCsqEnvelope::DoDataExchange(plat::ui::DataExchange& exchange)
{
    MCInspectorPage::DoDataExchange(exchange);
    exchange.text(kName, m_name);
    if (exchange.saving()) {
        m_comment = m_commentEdit->toPlainText().toStdString();
    } else {
        const QSignalBlocker quiet(m_commentEdit);
        m_commentEdit->setPlainText(QString::fromStdString(m_comment));
    }
    DDX_MCTimeEdit(exchange, kSpacing, m_spacing);
}

void PCsqEnvelope::UpdatePage()
{
    MCInspectorPage::UpdatePage();
    m_fields.Reset();
    MCEventList* events = GetEventList();
    if (!events)
        return;
    for (ECBase* element : *events) {
        auto* envelope = plat::dynamicDowncast<ECEnvelope>(element);
        if (!envelope)
            continue;
        if (m_fields.Merge(fieldName, m_name, envelope->GetEnvelopeName()))
            m_name.clear();
        if (m_fields.Merge(fieldComment, m_comment, envelope->GetEnvelopeComment()))
            m_comment.clear();
        if (m_fields.Merge(fieldSpacing, m_spacing, envelope->GetMinDeltaTime()))
            m_spacing = MCTime::TimeNull();
        if (m_fields.AllMixed(fieldCount))
            break;
    }
}

void PCsqEnvelope::MarkChanged(Field field)
{
    // The comment box tells of every change of its text, the page's own loading included.
    if (field == fieldComment && m_commentEdit->signalsBlocked())
        return;
    m_fields.Set(field, stateChanged);
    SetModifiedFlag(true);
}

void PCsqEnvelope::onNotice(int id, int code, QWidget*)
{
    if (id == kSpacing && code == MCTimeEdit::kNotice)
        MarkChanged(fieldSpacing);
}

void PCsqEnvelope::UpdateEvent(ECBase* event, MCCommandList& commands)
{
    auto* envelope = plat::dynamicDowncast<ECEnvelope>(event);
    if (!envelope)
        return;
    MCInspectorPage::UpdateEvent(event, commands);
    auto* edit = PCsqPageCommand<CCEdit>(commands, CommandIds::CCEdit);
    auto* copy = PCsqEditedCopy<ECEnvelope>(*edit, envelope);
    if (!copy)
        return;
    if (m_fields.IsChanged(fieldName))
        copy->SetEnvelopeName(m_name);
    if (m_fields.IsChanged(fieldComment))
        copy->SetEnvelopeComment(m_comment);
    if (m_fields.IsChanged(fieldSpacing))
        copy->SetMinDeltaTime(m_spacing);
}
