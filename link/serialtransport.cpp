#include "link/serialtransport.h"

#include <QFileInfo>

SerialTransport::SerialTransport(QObject *parent) : Transport(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, &Transport::readyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialTransport::onError);
}

SerialTransport::~SerialTransport()
{
    disconnect(&m_port, nullptr, this, nullptr);
    m_port.close();
}

bool SerialTransport::ErroreFatale(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::NoError:
    case QSerialPort::UnsupportedOperationError:   // modem lines on a pseudo-terminal
    case QSerialPort::TimeoutError:
        return false;
    default:
        return true;
    }
}

bool SerialTransport::open(const PortSettings &settings, QString *error)
{
    close();
    m_perso = false;
    m_port.setPortName(settings.device);

    QSerialPort::Parity parity = QSerialPort::NoParity;
    switch (settings.parity) {
    case 'N': parity = QSerialPort::NoParity; break;
    case 'E': parity = QSerialPort::EvenParity; break;
    case 'O': parity = QSerialPort::OddParity; break;
    case 'M': parity = QSerialPort::MarkParity; break;
    case 'S': parity = QSerialPort::SpaceParity; break;
    default:
        if (error)
            *error = QStringLiteral("parity");
        return false;
    }
    QSerialPort::StopBits stop = QSerialPort::OneStop;
    switch (settings.stopBitsTimes10) {
    case 10: stop = QSerialPort::OneStop; break;
    case 15: stop = QSerialPort::OneAndHalfStop; break;
    case 20: stop = QSerialPort::TwoStop; break;
    default:
        if (error)
            *error = QStringLiteral("stop bits");
        return false;
    }
    if (settings.dataBits < 5 || settings.dataBits > 8 || settings.baud <= 0) {
        if (error)
            *error = QStringLiteral("data bits or speed");
        return false;
    }

    // Errors while opening are the caller's to report, not a lost link.
    m_inApertura = true;
    bool ok = m_port.open(QIODevice::ReadWrite);
    // A pseudo-terminal does not keep some line settings; they mean nothing there anyway.
    const bool pty = QFileInfo(settings.device).canonicalFilePath().startsWith(QLatin1String("/dev/pts/"));
    auto applied = [&](bool set) {
        if (set)
            return true;
        const bool tolerated = pty && m_port.error() == QSerialPort::UnsupportedOperationError;
        m_port.clearError();
        return tolerated;
    };
    ok = ok && applied(m_port.setBaudRate(settings.baud)) && applied(m_port.setParity(parity))
         && applied(m_port.setDataBits(QSerialPort::DataBits(settings.dataBits))) && applied(m_port.setStopBits(stop))
         && applied(m_port.setFlowControl(QSerialPort::NoFlowControl));
    m_inApertura = false;
    if (!ok) {
        if (error)
            *error = m_port.errorString();
        m_port.close();
        return false;
    }
    m_port.clearError();
    return true;
}

void SerialTransport::close()
{
    if (m_port.isOpen())
        m_port.close();
}

bool SerialTransport::isOpen() const
{
    return m_port.isOpen();
}

bool SerialTransport::write(const QByteArray &data)
{
    if (!m_port.isOpen() || m_perso || m_inApertura)
        return false;
    // Lines are short and the ECU waits for them: hand them to the driver now, not on the next event.
    if (m_port.write(data) != data.size())
        return false;
    m_port.flush();
    return m_port.isOpen() && !m_perso;
}

QByteArray SerialTransport::readAll()
{
    return m_port.readAll();
}

void SerialTransport::onError(QSerialPort::SerialPortError error)
{
    if (m_inApertura)
        return;
    if (!ErroreFatale(error)) {
        if (error != QSerialPort::NoError)
            m_port.clearError();
        return;
    }
    if (m_perso || !m_port.isOpen())
        return;
    m_perso = true;
    emit lost(m_port.errorString());
}
