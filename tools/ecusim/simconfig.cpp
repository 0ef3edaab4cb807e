#include "tools/ecusim/simconfig.h"

#include <QRegularExpression>

namespace {

struct FaultName {
    const char *name;
    SimFaultKind kind;
    const char *argument;   // "" none, "?" optional, else required
    const char *help;
};

const FaultName kFaults[] = {
    {"no-reply", SimFaultKind::NoReplyInState, "CMD", "never answer CMD: MUB, MU2, MUA, MUFN, MU0, MZ or MGA"},
    {"bad-checksum", SimFaultKind::BadChecksum, "FRAME",
     "wrong checksum on the first R8, RZ or Rga frame, or on RZ:<block> (block as sent, from 0)"},
    {"reject-block", SimFaultKind::RejectBlock, "BLOCK:TIMES",
     "answer R7 TIMES (1 or 2) to image block BLOCK (from 0) when it is written"},
    {"short-r8", SimFaultKind::WrongLengthR8, "", "R8 one character short (checksum still right)"},
    {"old-id", SimFaultKind::OldIdentification, "", "answer MUB with the 41-character R4"},
    {"noise", SimFaultKind::Noise, "", "random printable characters before frames"},
    {"split", SimFaultKind::SplitFrames, "", "cut what is sent into random pieces with short pauses"},
    {"join", SimFaultKind::JoinFrames, "?N",
     "send N live frames (default 3) in one piece; a reply goes out with the frames held back"},
    {"live-stops", SimFaultKind::LiveStopsAfter, "N", "live frames stop after N frames of each session"},
    {"state-below-6000", SimFaultKind::StateBelow6000, "?N",
     "live frames report running state 5999 (only the first N of each session)"},
    {"short-rfn", SimFaultKind::WrongLengthRfn, "", "Rfn one character short"},
};

bool validArgument(SimFaultKind kind, const QString &arg)
{
    static const QStringList commands = {"MUB", "MU2", "MUA", "MUFN", "MU0", "MZ", "MGA"};
    switch (kind) {
    case SimFaultKind::NoReplyInState: return commands.contains(arg);
    case SimFaultKind::BadChecksum:
        return arg == "R8" || arg == "RZ" || arg == "Rga"
               || QRegularExpression(QStringLiteral("^RZ:\\d{1,3}$")).match(arg).hasMatch();
    case SimFaultKind::RejectBlock: return QRegularExpression(QStringLiteral("^\\d{1,3}:[12]$")).match(arg).hasMatch();
    case SimFaultKind::JoinFrames:
    case SimFaultKind::LiveStopsAfter:
    case SimFaultKind::StateBelow6000: {
        bool ok = false;
        const int n = arg.toInt(&ok);
        return ok && n >= (kind == SimFaultKind::JoinFrames ? 2 : 0);
    }
    default: return arg.isEmpty();
    }
}

}   // namespace

bool SimConfig::addFault(const QString &faultText, QString *error)
{
    const int eq = faultText.indexOf(QLatin1Char('='));
    const QString name = (eq < 0 ? faultText : faultText.left(eq)).trimmed();
    const QString arg = eq < 0 ? QString() : faultText.mid(eq + 1).trimmed();
    for (const FaultName &f : kFaults) {
        if (name != QLatin1String(f.name))
            continue;
        const QString wanted = QString::fromLatin1(f.argument);
        const bool optional = wanted.startsWith(QLatin1Char('?'));
        if ((wanted.isEmpty() && eq >= 0) || (!wanted.isEmpty() && !optional && arg.isEmpty())
            || (!arg.isEmpty() && !validArgument(f.kind, arg))) {
            if (error)
                *error = QStringLiteral("fault %1: bad argument \"%2\"").arg(name, arg);
            return false;
        }
        faults.append({f.kind, arg});
        return true;
    }
    if (error)
        *error = QStringLiteral("unknown fault \"%1\"").arg(name);
    return false;
}

QStringList SimConfig::faultHelp()
{
    QStringList lines;
    for (const FaultName &f : kFaults) {
        QString usage = QString::fromLatin1(f.name);
        const QString arg = QString::fromLatin1(f.argument);
        if (arg.startsWith(QLatin1Char('?')))
            usage += QStringLiteral("[=%1]").arg(arg.mid(1));
        else if (!arg.isEmpty())
            usage += QLatin1Char('=') + arg;
        lines << QStringLiteral("%1  %2").arg(usage, -26).arg(QString::fromLatin1(f.help));
    }
    return lines;
}

bool SimConfig::hasFault(SimFaultKind kind) const
{
    for (const SimFault &f : faults)
        if (f.kind == kind)
            return true;
    return false;
}

QStringList SimConfig::faultArgs(SimFaultKind kind) const
{
    QStringList args;
    for (const SimFault &f : faults)
        if (f.kind == kind)
            args << f.arg;
    return args;
}
