#include "tools/ecusim/simtransport.h"

#include <utility>

SimTransport::SimTransport(const SimConfig &config, QObject *parent)
    : Transport(parent), m_config(config), m_endpoint(config, this)
{
    connect(&m_endpoint, &SimEndpoint::transmit, this, [this](const QByteArray &bytes) {
        if (!m_open)
            return;
        m_received += bytes;
        emit readyRead();
    });
}

bool SimTransport::open(const PortSettings &settings, QString *)
{
    m_endpoint.setBaud(m_config.paced ? settings.baud : 0);
    m_endpoint.setChunkMs(m_config.chunkMs);
    m_open = true;
    m_pulled = false;
    m_endpoint.start();
    return true;
}

void SimTransport::close()
{
    m_open = false;
    m_endpoint.stop();
    m_received.clear();
}

bool SimTransport::write(const QByteArray &data)
{
    if (!m_open || m_pulled)
        return false;
    m_endpoint.receive(data);
    return true;
}

QByteArray SimTransport::readAll()
{
    return std::exchange(m_received, {});
}

void SimTransport::pullCable(const QString &reason)
{
    m_pulled = true;
    m_endpoint.stop();
    emit lost(reason);
}
