// Opens any bytes as a music document (as the document target does) and shows what it holds in
// the inspector window with the program's pages: nothing selected (the document's own page),
// then for each kind of element the first one alone and all of them together, then two
// elements of different kinds; each page of the inspector is brought forward in turn. Then the
// document closes as the program closes it. Nothing may read outside the document or keep an
// element past its end.

#include "fuzz/FuzzApplication.h"
#include "fuzz/FuzzDocumentFile.h"
#include "inspector/core/InitInspector.h"
#include "inspector/views/CInspector.h"
#include "inspector/views/CPropertiesWnd.h"
#include "interface/document/MCOpusDoc.h"
#include "notabase/actions/ACFindEvents.h"
#include "notabase/model/ECBase.h"
#include "notabase/model/MCEventList.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/states/MCStateMgr.h"
#include "notabase/states/SCSelection.h"
#include "platform/core/MessageLoop.h"

#include <QApplication>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

// Enough elements of a kind to merge their fields; a larger document only repeats them.
constexpr int kMostOfAKind = 256;
constexpr int kMostElements = 20000;

// The states of the open document reach the inspector as the main frame hands them on.
int handOnToInspector(ECBase*, int phase, void* state, void* window)
{
    auto* s = static_cast<SCBase*>(state);
    if (phase == 0 && s)
        static_cast<CPropertiesWnd*>(window)->OnUpdate(s->GetCode(), s);
    return 0;
}

CPropertiesWnd& inspector()
{
    static CPropertiesWnd* const window = [] {
        FuzzDocumentFile::Setup();
        FuzzApplication::Setup([] { InitInspector(); });
        SaveIntPreference(CPropertiesWnd::kSection, "AutoCollapse", 0);
        auto* made = new CPropertiesWnd;
        made->InitToolLayout(nullptr, CPropertiesWnd::kDialogId);
        made->show();
        MCStateMgr::SetGlobalHandler(&handOnToInspector, made);
        return made;
    }();
    return *window;
}

void settle()
{
    plat::MessageLoop::current().pump();
    QApplication::processEvents();
}

// Selects the elements as a user's selection and brings each page of the inspector forward.
void showSelected(MCOpusDoc& doc, MCEventList& elements)
{
    (new SCSelection(SCSelection::kReplace, &elements))->Apply(doc.GetBaseEvent());
    settle();
    CInspector* sheet = inspector().GetInspector();
    for (int page = 0; page < sheet->PageCount(); ++page) {
        sheet->SetActivePage(page);
        settle();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CPropertiesWnd& window = inspector();
    const std::string& path = FuzzDocumentFile::Write(data, size);
    MCOpusDoc doc;
    if (!doc.OnOpenDocument(path))
        return 0;
    MCOpusDoc::SetActiveDoc(&doc);
    settle();

    ACFindEvents find;
    find.SetMaxEventCount(kMostElements);
    find.Apply(doc.GetBaseEvent());
    std::map<int, MCEventList> kinds;
    for (ECBase* element : find.GetEvents()) {
        MCEventList& kind = kinds[element->GetEventId()];
        if (kind.GetCount() < kMostOfAKind && !kind.Find(element))
            kind.AddTail(element);
    }

    MCEventList nothing;
    showSelected(doc, nothing);
    std::vector<ECBase*> firsts;
    for (auto& [id, elements] : kinds) {
        MCEventList first;
        first.AddTail(elements.GetHead());
        firsts.push_back(elements.GetHead());
        showSelected(doc, first);
        if (elements.GetCount() > 1)
            showSelected(doc, elements);
    }
    if (firsts.size() > 1) {
        MCEventList two;
        two.AddTail(firsts.front());
        two.AddTail(firsts.back());
        showSelected(doc, two);
    }
    find.GetEvents().RemoveAll();
    kinds.clear();

    doc.OnCloseDocument();
    settle();
    if (window.GetShownState() == CPropertiesWnd::kShowingPages)
        std::abort();
    return 0;
}
