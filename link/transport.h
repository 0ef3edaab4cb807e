#pragma once
#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "app/portsettings.h"

// Why a port did not open, in the terms the fitter can act on.
enum class PortFault {
    None,           // it opened, or nothing was tried
    NoDevice,       // nothing behind the name: adapter unplugged, port not on this machine
    NoPermission,   // the user may not open it (not in group dialout)
    Busy,           // another program holds it
    Other,          // settings refused, not a serial device, ...
};

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
    // Whether the port may hold received bytes back until an LF completes their
    // line, so that a line costs one readyRead() instead of one per arrival. The
    // order of bytes stays; a complete line is not delayed. Off until set.
    virtual void setWakeOnLineEnd(bool on) { Q_UNUSED(on); }

    // Why the last open() failed and the system's own words for it (kept for a support log).
    // Only meaningful after open() returned false.
    PortFault lastFault() const { return m_lastFault; }
    QString lastErrorText() const { return m_lastErrorText; }

signals:
    void readyRead();
    // The port failed for good (device removed, I/O error); the link closes.
    void lost(const QString &reason);

protected:
    void setLastError(PortFault fault, const QString &text)
    {
        m_lastFault = fault;
        m_lastErrorText = text;
    }

private:
    PortFault m_lastFault = PortFault::None;
    QString m_lastErrorText;
};

// Makes the transport for a device name. The program registers the simulated
// ECU for the name "SIMULATORE"; anything else is a serial device.
using TransportFactory = std::function<std::unique_ptr<Transport>(const QString &device)>;
