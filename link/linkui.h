#pragma once
#include <QString>
#include <array>

#include "app/messages.h"

// What the ECU link asks of the windows. The main window implements it; tests
// use a recording fake, so a whole session runs with no window at all.
class LinkUi : public MessageSink {
public:
    // Wait dialog `Attesa`.
    virtual void waitOpen(const QString &caption,
                          const QString &label) = 0;      // modeless, hourglass, main window disabled
    virtual void waitShow() = 0;                          // show again (sending maps)
    virtual void waitSetLabel(const QString &text) = 0;   // `Segnalazione`
    virtual void waitShowOk() = 0;                        // `TastoOK` visible and enabled
    virtual void waitClose() = 0;                         // close, main window enabled and active
    virtual bool waitIsOpen() const = 0;

    virtual void setMainWindowEnabled(bool enabled) = 0;
    virtual void setBusyCursor(bool busy) = 0;           // hourglass / arrow
    virtual void setConnectButtons(bool linkOpen) = 0;   // `DisattivoCom` shown when open, else `AttivoCom`
    virtual void SetEcuReadyControls(bool ready) = 0;
    virtual void SetRecordingIdle() = 0;
    virtual void ChiudiFinestre() = 0;   // close every dialog but the main window and the editor

    // Map editor `Grafici`.
    virtual void setEditorEnabled(bool enabled) = 0;   // page selector, `Azzero`, `Applica`, `Memor`, `Memor1`
    virtual void FillMapEditor() = 0;                  // show the editor data in the page controls
    virtual void showMapEditor() = 0;
    virtual void ShowPageButtons(int tab) = 0;
    virtual int currentEditorPage() const = 0;                         // `Cartelle` current tab, 0 = F6
    virtual void setDeltaPMarks(const std::array<bool, 6> &red) = 0;   // `DeltaP` backgrounds: red or white
    virtual void MoveOperatingMarker(double x) = 0;
    virtual void RedrawChart() = 0;   // after the chart model was reset
};

// Windows that show nothing and refuse every question: the link's stand-in until the
// real ones attach, and a base for fakes that need only a few calls.
class NoLinkUi : public LinkUi {
public:
    void waitOpen(const QString &, const QString &) override {}
    void waitShow() override {}
    void waitSetLabel(const QString &) override {}
    void waitShowOk() override {}
    void waitClose() override {}
    bool waitIsOpen() const override { return false; }
    void setMainWindowEnabled(bool) override {}
    void setBusyCursor(bool) override {}
    void setConnectButtons(bool) override {}
    void SetEcuReadyControls(bool) override {}
    void SetRecordingIdle() override {}
    void ChiudiFinestre() override {}
    void setEditorEnabled(bool) override {}
    void FillMapEditor() override {}
    void showMapEditor() override {}
    void ShowPageButtons(int) override {}
    int currentEditorPage() const override { return -1; }
    void setDeltaPMarks(const std::array<bool, 6> &) override {}
    void MoveOperatingMarker(double) override {}
    void RedrawChart() override {}
    int showMessage(const QString &, int, const QString &, int) override { return kAnswerCancel; }
    void plainMessage(const QString &, const QString &) override {}
    void beep() override {}
};
