#pragma once
#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "app/portsettings.h"


// The byte pipe to the ECU. Implementations: QSerialPort, the in-process
// simulated ECU, and the test fake. Signals may be emitted synchronously.
class Transport : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~Transport() override = default;
    virtual bool open(const PortSettings &settings, QString *error) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Queues the bytes for sending. false means the port is gone (cable pulled).
    virtual bool write(const QByteArray &data) = 0;
    // Everything received and not yet read.
    virtual QByteArray readAll() = 0;
signals:
    void readyRead();
    // The port failed for good (device removed, I/O error); the link closes.
    void lost(const QString &reason);
};

// Makes the transport for a device name. The program registers the simulated
// ECU for the name "SIMULATORE"; anything else is a serial device.
using TransportFactory = std::function<std::unique_ptr<Transport>(const QString &device)>;
