#pragma once
#include <QByteArray>
#include <QList>
#include <QPointer>
#include <QString>
#include <functional>

#include "link/transport.h"

// A Transport for tests, with no device behind it. Everything is synchronous:
// feed() appends to the input and emits readyRead at once; every write() is kept
// in written() (and announced by lineWritten, one signal per write) unless a
// failure was injected with failWrites(); loseConnection() emits lost. Open
// failures are injected with failOpen. `responder`, when set, is called with each
// written text and may feed() an answer (then readyRead fires from inside write,
// as a real driver may do). FakePorts is the factory side: it makes a FakeTransport
// for every device name, remembers the last one made and the devices asked for.
class FakeTransport : public Transport {
    Q_OBJECT
public:
    using Transport::Transport;

    bool open(const PortSettings &settings, QString *error) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    bool write(const QByteArray &data) override;
    QByteArray readAll() override;

    // Test side.
    void feed(const QByteArray &bytes);
    void loseConnection(const QString &reason = QStringLiteral("cable pulled"));
    void failWrites(bool fail = true) { m_failWrites = fail; }
    bool failOpen = false;
    std::function<void(FakeTransport &port, const QByteArray &written)> responder;

    const QList<QByteArray> &written() const { return m_written; }
    // Every write joined, then cut at CR LF (the CR LF removed); a trailing piece without CR LF is kept too.
    QList<QByteArray> writtenLines() const;
    void clearWritten() { m_written.clear(); }
    const PortSettings &settings() const { return m_settings; }
    int openCount() const { return m_openCount; }
    int closeCount() const { return m_closeCount; }
    QByteArray pendingInput() const { return m_input; }

signals:
    void lineWritten(const QByteArray &data);
    void closedByOwner();

private:
    bool m_open = false;
    bool m_failWrites = false;
    int m_openCount = 0;
    int m_closeCount = 0;
    PortSettings m_settings;
    QByteArray m_input;
    QList<QByteArray> m_written;
};

class FakePorts {
public:
    TransportFactory factory();
    // Applied to every transport made from now on (e.g. a responder or failOpen).
    std::function<void(FakeTransport &)> prepare;
    bool refuse = false;               // the factory returns no transport at all
    QPointer<FakeTransport> last;      // the transport made last (owned by the link)
    QStringList devices;               // device names asked for, in order
};

// Reply frames as the ECU sends them, CR LF included, for feeding a FakeTransport.
namespace EcuFrames {
QByteArray checksummed(const QByteArray &payload);
// "R8", 61 characters with sound dates; `software` is sent as is (9 characters).
QByteArray r8(const QByteArray &software = "ABC12AA34");
// "R4", 41 characters.
QByteArray r4();
// "RZ" block (numbered from 0) of 30 values, 191 characters; flag '0' more, '$' last.
QByteArray rz(int block, const QList<int> &values, char flag);
// "Rfn" with eight final values, 59 characters.
QByteArray rfn(const QList<int> &values);
// Live "D" frame, 131 characters: running state (field 5), duty cycle IN (field 8), fuel letter.
QByteArray live(const QByteArray &state, const QByteArray &dutyIn, char fuel = 'G');
} // namespace EcuFrames
