#include "support/fakelinkui.h"

void FakeLinkUi::record(const QString &name, QVariantList args)
{
    calls.append({name, std::move(args)});
}

QStringList FakeLinkUi::names() const
{
    QStringList out;
    for (const Call &c : calls)
        out.append(c.name);
    return out;
}

int FakeLinkUi::count(const QString &name) const
{
    return static_cast<int>(names().count(name));
}

int FakeLinkUi::indexOf(const QString &name, int from) const
{
    return static_cast<int>(names().indexOf(name, from));
}

QList<FakeLinkUi::Call> FakeLinkUi::callsOf(const QString &name) const
{
    QList<Call> out;
    for (const Call &c : calls)
        if (c.name == name)
            out.append(c);
    return out;
}

void FakeLinkUi::clear()
{
    calls.clear();
    messages.clear();
    plainMessages.clear();
    waitLabels.clear();
    beeps = 0;
}

void FakeLinkUi::waitOpen(const QString &caption, const QString &label)
{
    record(QStringLiteral("waitOpen"), {caption, label});
    waitOpenNow = true;
    waitCaption = caption;
    waitLabel = label;
    waitLabels.append(label);
    waitOkShown = false;
    mainWindowEnabled = false;
    busyCursor = true;
}

void FakeLinkUi::waitShow()
{
    record(QStringLiteral("waitShow"));
    waitOpenNow = true;
}

void FakeLinkUi::waitSetLabel(const QString &text)
{
    record(QStringLiteral("waitSetLabel"), {text});
    waitLabel = text;
    waitLabels.append(text);
}

void FakeLinkUi::waitShowOk()
{
    record(QStringLiteral("waitShowOk"));
    waitOkShown = true;
}

void FakeLinkUi::waitClose()
{
    record(QStringLiteral("waitClose"));
    waitOpenNow = false;
    waitOkShown = false;
    mainWindowEnabled = true;
}

void FakeLinkUi::setMainWindowEnabled(bool enabled)
{
    record(QStringLiteral("setMainWindowEnabled"), {enabled});
    mainWindowEnabled = enabled;
}

void FakeLinkUi::setBusyCursor(bool busy)
{
    record(QStringLiteral("setBusyCursor"), {busy});
    busyCursor = busy;
}

void FakeLinkUi::setConnectButtons(bool linkOpen)
{
    record(QStringLiteral("setConnectButtons"), {linkOpen});
    linkOpenButtons = linkOpen;
}

void FakeLinkUi::SetEcuReadyControls(bool ready)
{
    record(QStringLiteral("SetEcuReadyControls"), {ready});
    ecuReadyControls = ready;
}

void FakeLinkUi::SetRecordingIdle() { record(QStringLiteral("SetRecordingIdle")); }
void FakeLinkUi::ChiudiFinestre() { record(QStringLiteral("ChiudiFinestre")); }

void FakeLinkUi::setEditorEnabled(bool enabled)
{
    record(QStringLiteral("setEditorEnabled"), {enabled});
    editorEnabled = enabled;
}

void FakeLinkUi::FillMapEditor() { record(QStringLiteral("FillMapEditor")); }
void FakeLinkUi::showMapEditor() { record(QStringLiteral("showMapEditor")); }
void FakeLinkUi::ShowPageButtons(int tab) { record(QStringLiteral("ShowPageButtons"), {tab}); }

void FakeLinkUi::setDeltaPMarks(const std::array<bool, 6> &red)
{
    QVariantList args;
    for (bool r : red)
        args.append(r);
    record(QStringLiteral("setDeltaPMarks"), args);
    deltaPMarks = red;
}

void FakeLinkUi::MoveOperatingMarker(double x)
{
    record(QStringLiteral("MoveOperatingMarker"), {x});
    markerX = x;
}

void FakeLinkUi::clearValueBoxColours(int page) { record(QStringLiteral("clearValueBoxColours"), {page}); }
void FakeLinkUi::RedrawChart() { record(QStringLiteral("RedrawChart")); }

int FakeLinkUi::showMessage(const QString &text, int flags, const QString &title, int position)
{
    record(QStringLiteral("showMessage"), {text, flags, title, position});
    messages.append({text, flags, title, position});
    return answers.isEmpty() ? defaultAnswer : answers.takeFirst();
}

void FakeLinkUi::plainMessage(const QString &text, const QString &title)
{
    record(QStringLiteral("plainMessage"), {text, title});
    plainMessages.append({text, title});
}

void FakeLinkUi::beep()
{
    record(QStringLiteral("beep"));
    ++beeps;
}
