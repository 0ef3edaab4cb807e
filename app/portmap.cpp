#include "app/portmap.h"

#include <QFileInfo>

#include "app/settings.h"

int PortMap::portNumber(const QString &com)
{
    const QString t = com.trimmed().toUpper();
    if (t.size() != 4 || !t.startsWith(QLatin1String("COM")))
        return 0;
    const int n = t.at(3).digitValue();
    return n >= kFirstPort && n <= kLastPort ? n : 0;
}

QString PortMap::device(int n) const
{
    if (n < kFirstPort || n > kLastPort)
        return {};
    return m_chosen.value(n, DispositivoPorta(m_frame, n));
}

bool PortMap::choose(int n, const FoundPort &port)
{
    if (n < kFirstPort || n > kLastPort)
        return false;
    const QString name = port.stableName();
    if (name == DispositivoPorta(m_frame, n)) {
        m_chosen.remove(n);
        return false;
    }
    m_chosen.insert(n, name);
    return true;
}

bool PortMap::write()
{
    for (auto it = m_chosen.cbegin(); it != m_chosen.cend(); ++it)
        if (!ScriviDispositivoPorta(m_frame, it.key(), it.value()))
            return false;
    m_chosen.clear();
    return true;
}

int PortMap::indexIn(int n, const QList<FoundPort> &ports) const
{
    const QString mapped = device(n);
    if (mapped.isEmpty())
        return -1;
    // A hand-written CONFIG.INI may name the adapter by ttyUSBn or by some other link to it.
    const QString resolved = QFileInfo(mapped).canonicalFilePath();
    for (int i = 0; i < ports.size(); ++i) {
        const FoundPort &p = ports[i];
        if (mapped == p.byIdPath || mapped == p.systemLocation
            || (!resolved.isEmpty() && resolved == QFileInfo(p.systemLocation).canonicalFilePath()))
            return i;
    }
    return -1;
}
