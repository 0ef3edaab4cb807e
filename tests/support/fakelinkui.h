#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <array>

#include "link/linkui.h"

// A LinkUi with no windows: `calls` names every call in order, the fields mirror what the
// windows would show, messages are answered from `answers` (front first), then with 1.
class FakeLinkUi : public LinkUi {
public:
    struct Message {
        QString text;
        int flags = 0;
        QString title;
        int position = 0;
    };
    QStringList calls;
    QList<Message> messages;
    QList<std::pair<QString, QString>> plainMessages;   // text, title
    QList<int> answers;

    bool waitOpenNow = false, waitOkShown = false, mainWindowEnabled = true, busyCursor = false;
    bool ecuReadyControls = false, editorEnabled = false;
    QString waitCaption, waitLabel;
    int currentPage = 0, pageButtons = -1, beeps = 0;
    std::array<bool, 6> deltaPMarks{};
    double markerX = -1;

    // Notes the call and what it set.
    template <class T, class V>
    void record(const char *call, T &field, const V &value)
    {
        calls << call;
        field = value;
    }

    void clear()
    {
        calls.clear();
        messages.clear();
        plainMessages.clear();
        beeps = 0;
    }

    void waitOpen(const QString &caption, const QString &label) override
    {
        calls << "waitOpen";
        waitOpenNow = busyCursor = true;
        waitOkShown = mainWindowEnabled = false;
        waitCaption = caption;
        waitLabel = label;
    }
    void waitShow() override { record("waitShow", waitOpenNow, true); }
    void waitSetLabel(const QString &text) override { record("waitSetLabel", waitLabel, text); }
    void waitShowOk() override { record("waitShowOk", waitOkShown, true); }
    void waitClose() override
    {
        calls << "waitClose";
        waitOpenNow = waitOkShown = false;
        mainWindowEnabled = true;
    }
    bool waitIsOpen() const override { return waitOpenNow; }
    void setMainWindowEnabled(bool on) override { record("setMainWindowEnabled", mainWindowEnabled, on); }
    void setBusyCursor(bool busy) override { record("setBusyCursor", busyCursor, busy); }
    void setConnectButtons(bool) override { calls << "setConnectButtons"; }
    void SetEcuReadyControls(bool ready) override { record("SetEcuReadyControls", ecuReadyControls, ready); }
    void SetRecordingIdle() override { calls << "SetRecordingIdle"; }
    void ChiudiFinestre() override { calls << "ChiudiFinestre"; }
    void setEditorEnabled(bool on) override { record("setEditorEnabled", editorEnabled, on); }
    void FillMapEditor() override { calls << "FillMapEditor"; }
    void showMapEditor() override { calls << "showMapEditor"; }
    void ShowPageButtons(int tab) override { record("ShowPageButtons", pageButtons, tab); }
    int currentEditorPage() const override { return currentPage; }
    void setDeltaPMarks(const std::array<bool, 6> &red) override { record("setDeltaPMarks", deltaPMarks, red); }
    void MoveOperatingMarker(double x) override { record("MoveOperatingMarker", markerX, x); }
    void RedrawChart() override { calls << "RedrawChart"; }

    int showMessage(const QString &text, int flags, const QString &title, int position) override
    {
        calls << "showMessage";
        messages.append({text, flags, title, position});
        return answers.isEmpty() ? 1 : answers.takeFirst();
    }
    void plainMessage(const QString &text, const QString &title) override
    {
        calls << "plainMessage";
        plainMessages.append({text, title});
    }
    void beep() override
    {
        calls << "beep";
        ++beeps;
    }
};
