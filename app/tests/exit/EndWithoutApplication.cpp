// A program that ends by exit() while its application object still lives, as one does when a
// library ends it (the display plug-in on a lost display): the inspector's pages are made,
// then the process ends. Its exit status is the test's answer: 0 when it ended cleanly.

#include "inspector/core/InitInspector.h"
#include "interface/document/CPluginInspector.h"
#include "notabase/model/EventTypes.h"

#include <QApplication>

#include <cstdlib>
#include <memory>

int main(int argc, char** argv)
{
    // Never destroyed: the process ends before it would be.
    static auto* application = new QApplication(argc, argv);
    static_cast<void>(application);
    InitInspector();
    CPluginInspector::PageList pages;
    int made = 0;
    for (int type : {EventId::Staff, EventId::Note, EventId::Performance, EventId::Tempo}) {
        CPluginInspector::GetInspectors(type, pages);
        made += static_cast<int>(pages.size());
    }
    std::exit(made > 0 ? 0 : 2);
}
