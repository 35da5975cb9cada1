#pragma once

#include "app/tests/AppTestSupport.h"

#include "interface/controls/MCTimeSource.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <vector>

// Answers each modal dialog the code runs as the user would, by `answer`, once it is shown;
// counts the dialogs run.
class DialogAnswers {
public:
    DialogAnswers() : m_scope(hooks()) {}

    std::function<void(QDialog&)> answer;
    int runs = 0;

private:
    plat::ui::ModalHooks::Hooks hooks()
    {
        plat::ui::ModalHooks::Hooks made;
        made.runDialog = [this](QDialog& dialog) {
            ++runs;
            dialog.show();
            answer(dialog);
            return dialog.result();
        };
        return made;
    }

    plat::ui::ModalHooks::Scoped m_scope;
};

// A one-staff piece whose dialogs edit the messages under its conductor staff, with the time
// edits converting through the piece's own meter map.
class ConductorDialogTest : public documenttest::DocumentTest {
protected:
    MCOpusDoc doc;
    std::unique_ptr<MCSequenceTimeSource> times;

    void SetUp() override
    {
        DocumentTest::SetUp();
        FillPiece(doc, 1, 8);
        times = std::make_unique<MCSequenceTimeSource>(*doc.GetSequence());
        MCTimeSource::SetActiveProvider([this] { return times.get(); });
    }
    void TearDown() override
    {
        MCTimeSource::SetActiveProvider(nullptr);
        DocumentTest::TearDown();
    }

    ECPerformance* performance() { return doc.GetBaseEvent(); }
    ECConductorStaff* staff() { return performance()->GetConductor()->GetConductorStaff(); }

    // The elements of one kind directly under the conductor staff, in child order.
    template <typename Element>
    std::vector<Element*> conductorChildren()
    {
        std::vector<Element*> found;
        if (MCEventList* children = staff()->GetChildren()) {
            for (ECBase* child : *children) {
                if (auto* element = dynamic_cast<Element*>(child))
                    found.push_back(element);
            }
        }
        return found;
    }
};
