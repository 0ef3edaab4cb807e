#include "support/faketransport.h"

#include "link/framing.h"

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
    const bool wasOpen = m_open;
    m_open = false;
    if (wasOpen) {
        ++m_closeCount;
        emit closedByOwner();
    }
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

namespace EcuFrames {

QByteArray checksummed(const QByteArray &payload)
{
    return payload + SommaControllo(payload) + "\r\n";
}

QByteArray r8(const QByteArray &software)
{
    return checksummed("R8x" "01022023" "07" "15062024" "00" "MAT00001" "LOT042" "T1" + software.left(9) + "LXX1234BB");
}

QByteArray r4()
{
    return checksummed("R4x" "03" "MAT00002" "LOT043" "00SW1234Z" "LXX1234BB");
}

QByteArray rz(int block, const QList<int> &values, char flag)
{
    QByteArray payload = "RZB" + QByteArray::number(block).rightJustified(3, '0') + flag;
    for (int i = 0; i < 30; ++i)
        payload += CampoSei(qint64(i < values.size() ? values[i] : 0));
    return checksummed(payload);
}

QByteArray rfn(const QList<int> &values)
{
    QByteArray line = "Rfn";
    for (int k = 0; k < 8; ++k)
        line += CampoSei(qint64(k < values.size() ? values[k] : -1));
    return line + "000000\r\n";
}

QByteArray live(const QByteArray &state, const QByteArray &dutyIn, char fuel)
{
    QByteArray line = "DB";
    for (int k = 0; k < 14; ++k) {
        const QByteArray raw = k == 5 ? state : k == 8 ? dutyIn : QByteArray::number(100 + k);
        line += raw.rightJustified(8, ' ', true) + ';';
    }
    return line + fuel + "\r\n";
}

} // namespace EcuFrames
