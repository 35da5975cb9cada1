#pragma once

#include "platform/ui/PlatUiExport.h"

#include "platform/ui/draw/LogicalFont.h"

#include <QFont>

namespace plat::ui {

// A font made from its logical description. The real face is what the system has for the
// name (or, failing that, for the family), sized so that its cell height and average
// character width come as close to the description as the face allows.
class PLATUI_API Font {
public:
    explicit Font(LogicalFont description);

    const LogicalFont& description() const { return m_description; }
    const QFont& qfont() const { return m_font; }

private:
    LogicalFont m_description;
    QFont m_font;
};

}  // namespace plat::ui
