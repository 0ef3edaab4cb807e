#pragma once
#include <QSerialPort>

#include "link/transport.h"

// Transport over a serial device. Errors after opening that mean the device is
// gone or unusable are reported once through `lost`; the "unsupported operation"
// that pseudo-terminals raise for modem-line requests is not one of them.
class SerialTransport : public Transport {
    Q_OBJECT
public:
    explicit SerialTransport(QObject *parent = nullptr);
    ~SerialTransport() override;

    bool open(const PortSettings &settings, QString *error) override;
    void close() override;
    bool isOpen() const override;
    bool write(const QByteArray &data) override;
    QByteArray readAll() override;

    // Whether an error code after opening ends the link.
    static bool ErroreFatale(QSerialPort::SerialPortError error);
    // Why opening failed, from the port's error code and the system's text for it.
    // The text tells apart what one code covers: PermissionError is both "permission
    // denied" and a device held by another program (busy, or its lock file taken).
    static PortFault CausaApertura(QSerialPort::SerialPortError error, const QString &systemText);

private:
    void onError(QSerialPort::SerialPortError error);
    bool fallita(PortFault fault, const QString &text, QString *error);

    QSerialPort m_port;
    bool m_perso = false;        // `lost` already emitted for this opening
    bool m_inApertura = false;   // open() is running
};
