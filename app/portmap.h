#pragma once
#include <QList>
#include <QMap>
#include <QString>

#include "app/foundports.h"
#include "app/framestate.h"

// The devices that COM1..COM9 stand for (section [PORTE] of CONFIG.INI), with the
// adapters chosen in the serial dialog held until the dialog saves.
class PortMap {
public:
    static constexpr int kFirstPort = 1;
    static constexpr int kLastPort = 9;

    explicit PortMap(const FrameState &frame) : m_frame(frame) {}

    // Port number of a name "COMn", 0 when it names none of COM1..COM9.
    static int portNumber(const QString &com);

    // Device of COMn: the adapter chosen for it, else what CONFIG.INI maps it to.
    QString device(int n) const;
    // Points COMn at the adapter's stable name. True when that differs from CONFIG.INI.
    bool choose(int n, const FoundPort &port);
    // Some choice differs from CONFIG.INI.
    bool pending() const { return !m_chosen.isEmpty(); }
    // Writes the chosen adapters into [PORTE]; false when the file cannot be written.
    bool write();

    // Row of `ports` that COMn's device is, -1 when it is none of them (another
    // device, an adapter not plugged in, the simulator).
    int indexIn(int n, const QList<FoundPort> &ports) const;

private:
    const FrameState &m_frame;
    QMap<int, QString> m_chosen;
};
