#pragma once
#include <QString>

// How code without windows asks the user something. The windows implement it;
// tests use a scripted fake.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    // The program's message dialog: returns the code of the button pressed
    // (1 OK, 2 Cancel, 3 Abort, 4 Retry, 5 Ignore, 6 Yes, 7 No).
    virtual int showMessage(const QString &text, int flags, const QString &title, int position) = 0;
    // The platform's plain message box with an OK button (serial port failure only).
    virtual void plainMessage(const QString &text, const QString &title) = 0;
    virtual void beep() = 0;
};
