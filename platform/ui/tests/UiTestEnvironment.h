#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>

#include <gtest/gtest.h>

#include <memory>

namespace plat::ui::test {

// The application object every test of windows needs, made once for the test program.
class UiTestEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "ui-tests";
        static char* argv[] = {name, nullptr};
        m_application = std::make_unique<QApplication>(argc, argv);
    }

    void TearDown() override
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_application.reset();
    }

private:
    std::unique_ptr<QApplication> m_application;
};

inline testing::Environment* const kUiTestEnvironment = testing::AddGlobalTestEnvironment(new UiTestEnvironment);

// Delivers what was posted, and deletes the windows destroyed while a message was handled.
inline void deliverPosted()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace plat::ui::test
