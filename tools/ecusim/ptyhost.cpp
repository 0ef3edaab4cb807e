#include "tools/ecusim/ptyhost.h"

#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {
// Bytes nobody reads pile up no further than this: a closed port loses them.
constexpr qsizetype kMaxPending = 16 * 1024;
}   // namespace

PtyHost::PtyHost(const SimConfig &config, int baud, QObject *parent) : QObject(parent), m_endpoint(config, this)
{
    m_endpoint.setBaud(baud);
    m_endpoint.setChunkMs(config.chunkMs);
    connect(&m_endpoint, &SimEndpoint::transmit, this, [this](const QByteArray &bytes) {
        m_pending += bytes;
        if (m_pending.size() > kMaxPending)
            m_pending = bytes;
        writeMaster();
    });
}

PtyHost::~PtyHost()
{
    close();
}

bool PtyHost::open(const QString &linkPath, QString *error)
{
    auto fail = [&](const QString &what) {
        if (error)
            *error = what;
        close();
        return false;
    };
    char name[256] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
        return fail(QStringLiteral("openpty: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
    m_slaveName = QString::fromLocal8Bit(name);

    termios tio{};
    if (::tcgetattr(m_slave, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(m_slave, TCSANOW, &tio);
    }
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);

    const QFileInfo existing(linkPath);
    if (existing.isSymLink()) {
        ::unlink(QFile::encodeName(linkPath).constData());
    } else if (existing.exists()) {
        return fail(QStringLiteral("%1 exists and is not a symbolic link").arg(linkPath));
    }
    if (::symlink(name, QFile::encodeName(linkPath).constData()) != 0)
        return fail(QStringLiteral("link %1: %2").arg(linkPath, QString::fromLocal8Bit(std::strerror(errno))));
    m_link = linkPath;

    m_readable = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_readable, &QSocketNotifier::activated, this, &PtyHost::readMaster);
    m_writable = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writable->setEnabled(false);
    connect(m_writable, &QSocketNotifier::activated, this, &PtyHost::writeMaster);
    m_endpoint.start();
    return true;
}

void PtyHost::close()
{
    m_endpoint.stop();
    delete m_readable;
    m_readable = nullptr;
    delete m_writable;
    m_writable = nullptr;
    if (!m_link.isEmpty()) {
        // Only our own link goes: someone may have replaced it meanwhile.
        if (QFileInfo(m_link).symLinkTarget() == QFileInfo(m_slaveName).absoluteFilePath()
            || QFileInfo(m_link).symLinkTarget() == m_slaveName)
            ::unlink(QFile::encodeName(m_link).constData());
        m_link.clear();
    }
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    m_master = m_slave = -1;
}

void PtyHost::readMaster()
{
    QByteArray in;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n > 0) {
            in.append(buf, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break;
    }
    if (in.isEmpty())
        return;
    if (in.contains("MUB")) {
        // A new session: what was sent while no one listened would not be on a real wire.
        ::tcflush(m_slave, TCIFLUSH);
        m_pending.clear();
        m_endpoint.discardOutput();
    }
    m_endpoint.receive(in);
}

void PtyHost::writeMaster()
{
    while (!m_pending.isEmpty()) {
        const ssize_t n = ::write(m_master, m_pending.constData(), size_t(m_pending.size()));
        if (n > 0) {
            m_pending.remove(0, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break;
    }
    if (m_writable)
        m_writable->setEnabled(!m_pending.isEmpty());
}
