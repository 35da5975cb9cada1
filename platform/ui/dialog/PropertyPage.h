#pragma once

#include "platform/ui/PlatUiExport.h"

#include "platform/ui/dialog/DataExchange.h"

#include <QWidget>

#include <functional>

namespace plat::ui {

// One page of a property sheet. It loads its controls when it is first shown, saves and
// validates them when the user leaves it or applies, and tells its sheet when the user
// changed something (which enables Apply).
class PLATUI_API PropertyPage : public QWidget {
public:
    explicit PropertyPage(QWidget* parent = nullptr) : QWidget(parent) {}

    bool updateData(bool save);

    // Marks the page changed or unchanged; the sheet enables Apply while a page is changed.
    void setModified(bool modified = true);
    bool isModified() const { return m_modified; }
    bool wasShown() const { return m_shown; }

    // Called by the sheet: the page becomes the current one (loads the controls the first
    // time); the page is left (saves them: false keeps the user on the page); the changes
    // are applied (false when they could not be); the sheet was cancelled.
    virtual bool onSetActive();
    virtual bool onKillActive();
    virtual bool onApply();
    virtual void onReset() {}

    void setModifiedHandler(std::function<void()> handler) { m_modifiedHandler = std::move(handler); }

protected:
    virtual void doDataExchange(DataExchange& exchange) = 0;

private:
    bool m_modified = false;
    bool m_shown = false;
    std::function<void()> m_modifiedHandler;
};

}  // namespace plat::ui
