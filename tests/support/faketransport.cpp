#include "support/faketransport.h"

bool FakeTransport::open(const PortSettings &settings, QString *error)
{
    m_settings = settings;
    if (failOpen) {
        if (error)
            *error = QStringLiteral("refused by the test");
        return false;
    }
    m_open = true;
    ++m_openCount;
    return true;
}

void FakeTransport::close()
{
    if (m_open)
        ++m_closeCount;
    m_open = false;
}

bool FakeTransport::write(const QByteArray &data)
{
    if (!m_open || m_failWrites)
        return false;
    m_written.append(data);
    emit lineWritten(data);
    if (responder)
        responder(*this, data);
    return true;
}

QByteArray FakeTransport::readAll()
{
    QByteArray out;
    out.swap(m_input);
    return out;
}

void FakeTransport::feed(const QByteArray &bytes)
{
    m_input.append(bytes);
    emit readyRead();
}

void FakeTransport::loseConnection(const QString &reason)
{
    emit lost(reason);
}

QList<QByteArray> FakeTransport::writtenLines() const
{
    QByteArray all;
    for (const QByteArray &w : m_written)
        all += w;
    QList<QByteArray> lines;
    qsizetype from = 0;
    for (qsizetype at = all.indexOf("\r\n"); at >= 0; at = all.indexOf("\r\n", from)) {
        lines.append(all.mid(from, at - from));
        from = at + 2;
    }
    if (from < all.size())
        lines.append(all.mid(from));
    return lines;
}

TransportFactory FakePorts::factory()
{
    return [this](const QString &device) -> std::unique_ptr<Transport> {
        devices.append(device);
        if (refuse)
            return nullptr;
        auto port = std::make_unique<FakeTransport>();
        if (prepare)
            prepare(*port);
        last = port.get();
        return port;
    };
}
