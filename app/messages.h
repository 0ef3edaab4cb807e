#pragma once
#include <QString>

// Flags of the program's message dialog: a button set plus an icon.
enum MessageFlags : int {
    kButtonsOk = 0,
    kButtonsOkCancel = 1,
    kButtonsAbortRetryIgnore = 2,
    kButtonsYesNoCancel = 3,
    kButtonsYesNo = 4,
    kButtonsRetryCancel = 5,
    kButtonsOverwriteContinueCancel = 6,   // answers kAnswerOverwrite, kAnswerContinue, kAnswerCancel
    kIconError = 16,
    kIconQuestion = 32,
    kIconWarning = 48,
    kIconInformation = 64,

    kErrorOk = kIconError | kButtonsOk,                                             // 16
    kQuestionYesNo = kIconQuestion | kButtonsYesNo,                                 // 36
    kWarningOk = kIconWarning | kButtonsOk,                                         // 48
    kWarningYesNo = kIconWarning | kButtonsYesNo,                                   // 52
    kInformationOk = kIconInformation | kButtonsOk,                                 // 64
    kQuestionOverwriteContinue = kIconQuestion | kButtonsOverwriteContinueCancel,   // 38

    kButtonsMask = 15,
    kIconMask = 240,
};

// The code of the button that answered a message.
enum MessageAnswer : int {
    kAnswerOk = 1,
    kAnswerCancel = 2,
    kAnswerAbort = 3,
    kAnswerRetry = 4,
    kAnswerIgnore = 5,
    kAnswerYes = 6,
    kAnswerNo = 7,
    // The overwrite / continue / cancel set answers with codes of other sets.
    kAnswerOverwrite = kAnswerYes,
    kAnswerContinue = kAnswerRetry,
};

// Where the message dialog stands (4: centred on the screen).
inline constexpr int kMessageCentred = 4;

// How code without windows asks the user something. The windows implement it;
// tests use a scripted fake.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    // The program's message dialog: returns the MessageAnswer of the button pressed.
    virtual int showMessage(const QString &text, int flags, const QString &title, int position) = 0;
    // The platform's plain message box with an OK button (serial port failure only).
    virtual void plainMessage(const QString &text, const QString &title) = 0;
    virtual void beep() = 0;
};
