// Reads any bytes as a tips file: every tip must be a bounded, valid text, and numbers past
// the last tip must come round to a tip.

#include "interface/core/TipFile.h"

#include <QString>

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TipFile tips;
    tips.Parse(std::string(reinterpret_cast<const char*>(data), size));
    if (tips.Count() > TipFile::kMaxTips)
        std::abort();
    for (size_t i = 1; i <= tips.Count(); ++i) {
        const std::string& tip = tips.Tip(int(i));
        if (tip.empty() || QString::fromStdString(tip).size() > qsizetype(TipFile::kMaxTipLength))
            std::abort();
    }
    if (tips.Count() && tips.Tip(int(tips.Count()) + 1) != tips.Tip(1))
        std::abort();
    return 0;
}
