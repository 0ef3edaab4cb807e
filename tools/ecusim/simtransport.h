#pragma once
#include <QByteArray>

#include "link/transport.h"
#include "tools/ecusim/simconfig.h"
#include "tools/ecusim/simendpoint.h"

// The simulated ECU as an in-process transport. Replies and live frames arrive
// later, from a timer, each piece with its own readyRead(); with
// SimConfig::paced they come at the speed of the opened port, in chunks of
// SimConfig::chunkMs.
class SimTransport : public Transport {
    Q_OBJECT
public:
    explicit SimTransport(const SimConfig &config = {}, QObject *parent = nullptr);

    bool open(const PortSettings &settings, QString *error) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    bool write(const QByteArray &data) override;
    QByteArray readAll() override;

    Simulator &sim() { return m_endpoint.sim(); }
    SimEndpoint &endpoint() { return m_endpoint; }
    // Tests: time moves only by advance(), so live frames come on demand.
    void setManualClock(bool manual) { m_endpoint.setManualClock(manual); }
    void advance(qint64 ms) { m_endpoint.advance(ms); }
    // The cable is pulled: lost() now, and every write fails until reopened.
    void pullCable(const QString &reason);

private:
    SimConfig m_config;
    SimEndpoint m_endpoint;
    QByteArray m_received;
    bool m_open = false;
    bool m_pulled = false;
};
