#include "app/program/CQuavixApplication.h"

#include "app/core/AppStrings.h"
#include "app/core/CBugReport.h"
#include "platform/core/Strings.h"
#include "platform/core/Trace.h"
#include "platform/core/UserPrompt.h"

#include <new>

CQuavixApplication::CQuavixApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool CQuavixApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::bad_alloc&) {
        plat::UserPrompt::ask({"Quavix",
                               plat::format(AppStrings::text(AppStrings::exceptionReport).c_str(),
                                            CBugReport::ReportPath().c_str()),
                               plat::UserPrompt::Buttons::ok, plat::UserPrompt::Icon::warning, std::nullopt});
    } catch (const std::exception& error) {
        plat::trace("CQuavixApplication::notify -- %s", error.what());
        plat::UserPrompt::ask({"Quavix",
                               plat::format(AppStrings::text(AppStrings::exceptionReport).c_str(),
                                            CBugReport::ReportPath().c_str()),
                               plat::UserPrompt::Buttons::ok, plat::UserPrompt::Icon::error, std::nullopt});
    }
    return false;
}
