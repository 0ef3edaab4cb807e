#pragma once
#include <QList>
#include <QStringList>
#include <functional>

#include "app/messages.h"

// The program's message boxes with no window: what was said is kept, questions are answered from
// `answers` (front first, then OK), and `onMessage` runs while a box would be up.
struct ScriptedSink : MessageSink {
    QStringList texts, titles;
    QList<int> flags, answers;
    int beeps = 0;
    std::function<void()> onMessage;

    int showMessage(const QString &text, int f, const QString &title, int) override
    {
        texts << text;
        titles << title;
        flags << f;
        if (onMessage)
            onMessage();
        return answers.isEmpty() ? kAnswerOk : answers.takeFirst();
    }
    void plainMessage(const QString &, const QString &) override {}
    void beep() override { ++beeps; }
};
