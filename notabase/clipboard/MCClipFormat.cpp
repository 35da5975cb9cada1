#include "notabase/clipboard/MCClipFormat.h"

#include "platform/core/Clipboard.h"

unsigned short MCClipFormat(const char* name)
{
    return name ? plat::Clipboard::registerFormat(name) : 0;
}
