#include "app/foundports.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <QStringList>
#include <algorithm>

QString FoundPort::label() const
{
    QStringList parts;
    for (const QString &part : {manufacturer, product, serialNumber})
        if (!part.trimmed().isEmpty())
            parts << part.trimmed();
    const QString name = QFileInfo(systemLocation).fileName();
    return parts.isEmpty() ? name : name + QStringLiteral(": ") + parts.join(QStringLiteral(" - "));
}

SystemPortFinder::SystemPortFinder(QString byIdDir) : m_byIdDir(std::move(byIdDir)) {}

QList<FoundPort> SystemPortFinder::ports() const
{
    // QSerialPortInfo already drops the 8250 ports that have no chip behind them.
    const QHash<QString, QString> byId = ByIdLinks(m_byIdDir);
    QList<FoundPort> found;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        if (!IsAdapterName(info.portName()))
            continue;
        FoundPort port;
        port.systemLocation = info.systemLocation();
        const QString device = QFileInfo(port.systemLocation).canonicalFilePath();
        port.byIdPath = byId.value(device.isEmpty() ? port.systemLocation : device);
        port.manufacturer = info.manufacturer();
        port.product = info.description();
        port.serialNumber = info.serialNumber();
        found << port;
    }
    std::sort(found.begin(), found.end(),
              [](const FoundPort &a, const FoundPort &b) { return a.systemLocation < b.systemLocation; });
    return found;
}

QHash<QString, QString> ByIdLinks(const QString &dir)
{
    QHash<QString, QString> links;
    const QFileInfoList entries =
        QDir(dir).entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &entry : entries) {
        if (!entry.isSymLink())
            continue;
        const QString device = entry.canonicalFilePath();
        if (!device.isEmpty() && !links.contains(device))
            links.insert(device, entry.absoluteFilePath());
    }
    return links;
}

bool IsAdapterName(const QString &portName)
{
    static const QRegularExpression families(QStringLiteral("^tty(USB|ACM|S)[0-9]+$"));
    return families.match(portName).hasMatch();
}
