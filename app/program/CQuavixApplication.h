#pragma once

#include <QApplication>

// The program's application object: an exception that escapes the handling of an event is
// reported to the user (naming the crash report file) and the program goes on.
class CQuavixApplication : public QApplication {
public:
    CQuavixApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};
