#pragma once
#include <QHash>
#include <QList>
#include <QString>

// A serial adapter present on the machine now.
struct FoundPort {
    QString systemLocation;   // /dev/ttyUSB0
    QString byIdPath;         // /dev/serial/by-id/usb-..., empty when the device has none
    QString manufacturer;
    QString product;
    QString serialNumber;

    // What CONFIG.INI should name: the by-id link survives replugging, ttyUSBn does not.
    QString stableName() const { return byIdPath.isEmpty() ? systemLocation : byIdPath; }
    // One line for the fitter: the device name, then maker, product and serial number where known.
    QString label() const;

    bool operator==(const FoundPort &) const = default;
};

// Lists the serial adapters; the dialog asks it each time it looks, tests give a fixed list.
class PortFinder {
public:
    virtual ~PortFinder() = default;
    virtual QList<FoundPort> ports() const = 0;
};

// The machine's own: QSerialPortInfo, joined with the links under /dev/serial/by-id.
class SystemPortFinder : public PortFinder {
public:
    explicit SystemPortFinder(QString byIdDir = QStringLiteral("/dev/serial/by-id"));
    QList<FoundPort> ports() const override;

private:
    QString m_byIdDir;
};

// The links of a by-id folder by the device each leads to (chains and relative
// targets resolved); broken links are left out. With several links to one device
// the first by name wins, so the choice does not change between looks.
QHash<QString, QString> ByIdLinks(const QString &dir);

// USB adapters (ttyUSB*, ttyACM*) and the machine's own ports (ttyS*); Bluetooth,
// console and other ttys are no cable to an ECU.
bool IsAdapterName(const QString &portName);
