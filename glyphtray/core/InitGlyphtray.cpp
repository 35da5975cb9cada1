#include "glyphtray/core/InitGlyphtray.h"

#include "interface/document/CPluginMusic.h"
#include "interface/pages/MCMusicPage.h"

int InitGlyphtray()
{
    CPluginMusic::SetTitleOf([](plat::Object* page) {
        const auto* music = dynamic_cast<MCMusicPage*>(page);
        return music ? music->GetTitle() : std::string();
    });
    return static_cast<int>(CPluginMusic::GetPlugins().size());
}
