#include "link/serialtransport.h"

#include <QFileInfo>

#include <cerrno>
#include <termios.h>
#include <unistd.h>

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
    case QSerialPort::TimeoutError: return false;
    default: return true;
    }
}

PortFault SerialTransport::CausaApertura(QSerialPort::SerialPortError error, const QString &systemText)
{
    // Qt words the system errors as the C library does, in the user's locale: compare like with like.
    auto says = [&systemText](int code) { return systemText == qt_error_string(code); };
    if (error == QSerialPort::DeviceNotFoundError || says(ENOENT) || says(ENODEV) || says(ENXIO))
        return PortFault::NoDevice;
    if (says(EACCES) || says(EPERM))
        return PortFault::NoPermission;
    if (error == QSerialPort::PermissionError || error == QSerialPort::OpenError || says(EBUSY) || says(EAGAIN))
        return PortFault::Busy;
    // An I/O error on opening: a ttyS with no chip behind it, or an adapter pulled just now.
    if (error == QSerialPort::ResourceError)
        return PortFault::NoDevice;
    return PortFault::Other;
}

bool SerialTransport::fallita(PortFault fault, const QString &text, QString *error)
{
    setLastError(fault, text);
    if (error)
        *error = text;
    return false;
}

bool SerialTransport::open(const PortSettings &settings, QString *error)
{
    close();
    m_perso = false;
    setLastError(PortFault::None, {});
    m_port.setPortName(settings.device);

    QSerialPort::Parity parity = QSerialPort::NoParity;
    switch (settings.parity) {
    case 'N': parity = QSerialPort::NoParity; break;
    case 'E': parity = QSerialPort::EvenParity; break;
    case 'O': parity = QSerialPort::OddParity; break;
    case 'M': parity = QSerialPort::MarkParity; break;
    case 'S': parity = QSerialPort::SpaceParity; break;
    default: return fallita(PortFault::Other, QStringLiteral("parity"), error);
    }
    QSerialPort::StopBits stop = QSerialPort::OneStop;
    switch (settings.stopBitsTimes10) {
    case 10: stop = QSerialPort::OneStop; break;
    case 15: stop = QSerialPort::OneAndHalfStop; break;
    case 20: stop = QSerialPort::TwoStop; break;
    default: return fallita(PortFault::Other, QStringLiteral("stop bits"), error);
    }
    if (settings.dataBits < 5 || settings.dataBits > 8 || settings.baud <= 0)
        return fallita(PortFault::Other, QStringLiteral("data bits or speed"), error);

    // Errors while opening are the caller's to report, not a lost link.
    m_inApertura = true;
    bool ok = m_port.open(QIODevice::ReadWrite);
    if (!ok) {
        const QString text = m_port.errorString();
        const PortFault fault = CausaApertura(m_port.error(), text);
        m_inApertura = false;
        m_port.clearError();
        return fallita(fault, text, error);
    }
    // A pseudo-terminal does not keep some line settings; they mean nothing there anyway.
    const bool pty = QFileInfo(settings.device).canonicalFilePath().startsWith(QLatin1String("/dev/pts/"));
    QString refused;
    auto applied = [&](bool set) {
        if (set)
            return true;
        const bool tolerated = pty && m_port.error() == QSerialPort::UnsupportedOperationError;
        refused = m_port.errorString();
        m_port.clearError();
        return tolerated;
    };
    ok = applied(m_port.setBaudRate(settings.baud)) && applied(m_port.setParity(parity))
         && applied(m_port.setDataBits(QSerialPort::DataBits(settings.dataBits))) && applied(m_port.setStopBits(stop))
         && applied(m_port.setFlowControl(QSerialPort::NoFlowControl));
    m_inApertura = false;
    if (!ok) {
        m_port.close();
        return fallita(PortFault::Other, refused, error);
    }
    m_port.clearError();
    applyLineEnd();
    return true;
}

void SerialTransport::setWakeOnLineEnd(bool on)
{
    m_lineEnd = on;
    if (m_port.isOpen())
        applyLineEnd();
}

void SerialTransport::applyLineEnd()
{
    // Not a terminal, or refused: the port stays as it is, waking on every arrival.
    const int fd = int(m_port.handle());
    termios tio{};
    if (fd < 0 || ::tcgetattr(fd, &tio) != 0)
        return;
    if (m_lineEnd) {
        tio.c_lflag |= ICANON;
        tio.c_lflag &= ~tcflag_t(ISIG | IEXTEN | ECHO | ECHOE | ECHOK | ECHONL);
        tio.c_iflag &= ~tcflag_t(INLCR | IGNCR | ICRNL);
        // Only LF may end a line; no byte may erase, kill, end the input or raise a signal.
        for (const int c : {VEOF, VEOL, VEOL2, VERASE, VWERASE, VKILL, VREPRINT, VLNEXT, VDISCARD, VINTR, VQUIT, VSUSP})
            tio.c_cc[c] = _POSIX_VDISABLE;
    } else {
        // Raw, as the port was opened: whatever has come is readable at once.
        tio.c_lflag &= ~tcflag_t(ICANON);
        tio.c_cc[VMIN] = 0;
        tio.c_cc[VTIME] = 0;
    }
    ::tcsetattr(fd, TCSANOW, &tio);
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
