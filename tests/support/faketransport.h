#pragma once
#include <QByteArrayList>
#include <QPointer>
#include <functional>
#include <utility>

#include "link/transport.h"

// A Transport with no device: feed() delivers input at once, writes are kept in `written`
// unless `failWrites`, and `responder` may answer a write from inside it as a driver may.
class FakeTransport : public Transport {
public:
    bool failOpen = false;
    PortFault openFault = PortFault::Other;   // why a failed open says it failed
    bool failWrites = false;
    std::function<void(FakeTransport &port, const QByteArray &written)> responder;
    QByteArrayList written;

    bool open(const PortSettings &, QString *) override
    {
        setLastError(failOpen ? openFault : PortFault::None, failOpen ? "refused by the test" : QString());
        return m_open = !failOpen;
    }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    bool write(const QByteArray &data) override
    {
        if (!m_open || failWrites)
            return false;
        written.append(data);
        if (responder)
            responder(*this, data);
        return true;
    }
    QByteArray readAll() override { return std::exchange(m_input, {}); }

    void feed(const QByteArray &bytes)
    {
        m_input += bytes;
        emit readyRead();
    }
    void loseConnection() { emit lost(QStringLiteral("cable pulled")); }
    // Every write joined and cut into lines, CR LF removed.
    QByteArrayList lines() const
    {
        QByteArrayList out = written.join().replace("\r\n", "\n").split('\n');
        out.removeLast();
        return out;
    }

private:
    bool m_open = false;
    QByteArray m_input;
};

// The factory side: a FakeTransport for every device, `prepare`d, the newest kept in `last`.
struct FakePorts {
    std::function<void(FakeTransport &)> prepare;
    QPointer<FakeTransport> last;

    TransportFactory factory()
    {
        return [this](const QString &) -> std::unique_ptr<Transport> {
            auto port = std::make_unique<FakeTransport>();
            if (prepare)
                prepare(*port);
            last = port.get();
            return port;
        };
    }
};
