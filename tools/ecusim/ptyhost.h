#pragma once
#include <QByteArray>
#include <QObject>
#include <QString>

#include "tools/ecusim/simendpoint.h"

class QSocketNotifier;

// The simulated ECU behind a pseudo-terminal: a symbolic link names the slave
// side, which any serial-port code can open; the master side is ours.
class PtyHost : public QObject {
    Q_OBJECT
public:
    PtyHost(const SimConfig &config, int baud, QObject *parent = nullptr);
    ~PtyHost() override;

    // Makes the terminal pair and the link (an existing link is replaced, any
    // other file at that path is left alone and is an error).
    bool open(const QString &linkPath, QString *error);
    void close();   // removes the link
    QString slaveName() const { return m_slaveName; }
    SimEndpoint &endpoint() { return m_endpoint; }

private:
    void readMaster();
    void writeMaster();

    SimEndpoint m_endpoint;
    int m_master = -1;
    int m_slave = -1;   // kept open so the master never reads a hang-up
    QString m_link;
    QString m_slaveName;
    QByteArray m_pending;
    QSocketNotifier *m_readable = nullptr;
    QSocketNotifier *m_writable = nullptr;
};
