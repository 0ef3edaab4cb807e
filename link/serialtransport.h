#pragma once
#include <QSerialPort>

#include "link/transport.h"

// Transport over a serial device. Errors after opening that mean the device is
// gone or unusable are reported once through `lost`; the "unsupported operation"
// that pseudo-terminals raise for modem-line requests is not one of them.
// Waking on line ends puts the terminal into canonical input with every editing
// and signal character switched off: the system then holds the characters of a
// line and wakes the reader once, when its LF comes, instead of every few
// characters. A line longer than the system's 4095 characters keeps its start.
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
    void setWakeOnLineEnd(bool on) override;

    // Whether an error code after opening ends the link.
    static bool ErroreFatale(QSerialPort::SerialPortError error);
    // Why opening failed, from the port's error code and the system's text for it.
    // The text tells apart what one code covers: PermissionError is both "permission
    // denied" and a device held by another program (busy, or its lock file taken).
    static PortFault CausaApertura(QSerialPort::SerialPortError error, const QString &systemText);

private:
    void onError(QSerialPort::SerialPortError error);
    bool fallita(PortFault fault, const QString &text, QString *error);
    void applyLineEnd();

    QSerialPort m_port;
    bool m_perso = false;        // `lost` already emitted for this opening
    bool m_inApertura = false;   // open() is running
    bool m_lineEnd = false;      // wake on line ends
};
