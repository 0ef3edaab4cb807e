#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <array>

#include "link/linkui.h"

// A LinkUi with no windows. Every call is appended to `calls` with its name and
// arguments, in order; the fields below mirror what a window would now show
// (wait dialog, main window, buttons, editor, DeltaP marks, marker). Messages are
// kept in `messages` and answered from `answers` (front first), then with
// `defaultAnswer`. `currentPage` is what currentEditorPage() reports; set it to
// put the editor on another page. Nothing here blocks.
class FakeLinkUi : public LinkUi {
public:
    struct Call {
        QString name;
        QVariantList args;
    };
    struct Message {
        QString text;
        int flags = 0;
        QString title;
        int position = 0;
    };

    QList<Call> calls;
    QList<Message> messages;
    QList<std::pair<QString, QString>> plainMessages;   // text, title
    QList<int> answers;
    int defaultAnswer = 1;

    bool waitOpenNow = false;
    QString waitCaption;
    QString waitLabel;
    QStringList waitLabels;      // every label set, opening labels included
    bool waitOkShown = false;
    bool mainWindowEnabled = true;
    bool busyCursor = false;
    bool linkOpenButtons = false;
    bool ecuReadyControls = false;
    bool editorEnabled = false;
    int currentPage = 0;
    std::array<bool, 6> deltaPMarks{};
    double markerX = -1;
    int beeps = 0;

    // Names of the calls in order, and how often / where one occurs.
    QStringList names() const;
    int count(const QString &name) const;
    int indexOf(const QString &name, int from = 0) const;
    QList<Call> callsOf(const QString &name) const;
    void clear();

    void waitOpen(const QString &caption, const QString &label) override;
    void waitShow() override;
    void waitSetLabel(const QString &text) override;
    void waitShowOk() override;
    void waitClose() override;
    bool waitIsOpen() const override { return waitOpenNow; }
    void setMainWindowEnabled(bool enabled) override;
    void setBusyCursor(bool busy) override;
    void setConnectButtons(bool linkOpen) override;
    void SetEcuReadyControls(bool ready) override;
    void SetRecordingIdle() override;
    void ChiudiFinestre() override;
    void setEditorEnabled(bool enabled) override;
    void FillMapEditor() override;
    void showMapEditor() override;
    void ShowPageButtons(int tab) override;
    int currentEditorPage() const override { return currentPage; }
    void setDeltaPMarks(const std::array<bool, 6> &red) override;
    void MoveOperatingMarker(double x) override;
    void clearValueBoxColours(int page) override;
    void RedrawChart() override;

    int showMessage(const QString &text, int flags, const QString &title, int position) override;
    void plainMessage(const QString &text, const QString &title) override;
    void beep() override;

private:
    void record(const QString &name, QVariantList args = {});
};
