#include "tools/ecusim/simulator.h"

#include <QtGlobal>
#include <algorithm>
#include <cmath>
#include <utility>

#include "tools/ecusim/simframes.h"
#include "tools/ecusim/simimage.h"

using namespace ecusim;

namespace {

// Identification texts. No "D", "F" or second "R": the program resynchronises
// on those letters.
const QByteArray kInstalled = "15032021";
const QByteArray kRevised = "02112023";
const QByteArray kSerial = "SN042173";
const QByteArray kLot = "L23117";
const QByteArray kTable = "03";
const QByteArray kHardware = "07";
// Software version as sent: parts of 3, 4 and 2 characters; the program puts
// the 2-character part second, so the 4-character part's end decides the variant.
QByteArray softwareOnWire(int variant)
{
    return variant == 0 ? "GA107AA12" : "GA107BC12";
}
const QByteArray kLoaderOnWire = "CA2000103";

QByteArray badChecksum(const QByteArray &payload)
{
    QByteArray cs = checksum(payload);
    cs[1] = char('0' + ((cs[1] - '0' + 1) % 16));
    return payload + cs + "\r\n";
}

}   // namespace

Simulator::Simulator(const SimConfig &config)
    : m_config(config), m_image(defaultImage(config.variant, config.imageSize)), m_engine(config.seed),
      m_rng(config.seed * 2654435761u + 12345u)
{
    m_config.liveFramesPerSecond = std::clamp(m_config.liveFramesPerSecond, 1, 100);
    if (m_config.memory) {
        if (m_config.memory->isEmpty())
            *m_config.memory = m_image;
        else
            m_image = *m_config.memory;
    }
    for (const QString &arg : m_config.faultArgs(SimFaultKind::RejectBlock)) {
        const QStringList parts = arg.split(QLatin1Char(':'));
        m_rejectsLeft[parts.value(0).toInt()] += parts.value(1).toInt();
    }
    for (QString arg : m_config.faultArgs(SimFaultKind::BadChecksum)) {
        if (arg.startsWith(QLatin1String("RZ:")))
            arg = QStringLiteral("RZ:%1").arg(arg.mid(3).toInt());
        m_corruptPending.insert(arg);
    }
}

int Simulator::value(int record) const
{
    return record >= 1 && record <= m_image.size() ? m_image[record - 1] : 0;
}

int Simulator::blockCount() const
{
    return int((m_image.size() + 29) / 30);
}

void Simulator::feed(const QByteArray &bytes)
{
    m_rx += bytes;
    int lf;
    while ((lf = m_rx.indexOf(LF)) >= 0) {
        QByteArray line = m_rx.left(lf);
        m_rx.remove(0, lf + 1);
        while (line.endsWith(CR))
            line.chop(1);
        if (!line.isEmpty())
            handleLine(line);
    }
    if (m_rx.size() > 4096)   // a line that never ends is not a command
        m_rx.clear();
}

bool Simulator::silenced(const char *command) const
{
    return m_config.faultArgs(SimFaultKind::NoReplyInState).contains(QLatin1String(command));
}

bool Simulator::corruptOnce(const QString &key)
{
    return !key.isEmpty() && m_corruptPending.remove(key);
}

QByteArray Simulator::sealedMaybeBad(const QByteArray &payload, const QString &key1, const QString &key2)
{
    // Evaluate both so that a frame matching two faults spends both.
    const bool first = corruptOnce(key1);
    const bool second = corruptOnce(key2);
    return first || second ? badChecksum(payload) : sealed(payload);
}

void Simulator::handleLine(const QByteArray &line)
{
    m_commands.append(line);
    if (line == "MUB") {
        // A new session: the ECU stops streaming until it is told to start again.
        m_liveOn = false;
        m_reading = m_writing = false;
        m_liveInSession = 0;
        if (silenced("MUB"))
            return;
        if (m_config.hasFault(SimFaultKind::OldIdentification)) {
            reply(oldIdentification());
            return;
        }
        QByteArray frame = identification();
        QByteArray payload = frame.left(frame.size() - 4);
        if (m_config.hasFault(SimFaultKind::WrongLengthR8))
            payload.remove(2, 1);
        reply(sealedMaybeBad(payload, QStringLiteral("R8")));
    } else if (line == "MU2") {
        m_reading = true;
        m_nextBlock = 0;
        if (!silenced("MU2"))
            sendBlock(0);
    } else if (line == "MUA") {
        if (m_reading && m_nextBlock < blockCount() && !silenced("MUA"))
            sendBlock(m_nextBlock);
    } else if (line == "MU3") {
        m_reading = false;
    } else if (line == "MUFN") {
        if (silenced("MUFN"))
            return;
        QByteArray frame = finalValues();
        if (m_config.hasFault(SimFaultKind::WrongLengthRfn))
            frame.remove(frame.size() - 3, 1);
        reply(frame);
    } else if (line == "MU0") {
        m_writing = true;
        m_writeDone = false;
        m_expectedBlock = 0;
        m_valuesWritten = 0;
        if (!silenced("MU0")) {
            reply("R5\r\n");
            m_nextIsR6 = true;
        }
    } else if (line == "MU1") {
        m_writing = false;
    } else if (line.startsWith("MZ")) {
        handleImageBlock(line);
    } else if (line.startsWith("MGA")) {
        handleValueWrite(line);
    }
}

void Simulator::sendBlock(int block)
{
    QByteArray payload = "RZ0" + QByteArray::number(block).rightJustified(3, '0');
    payload += block == blockCount() - 1 ? '$' : '0';
    for (int i = 0; i < 30; ++i) {
        const int index = block * 30 + i;
        // Past the end of the image the last block is filled with zeros.
        payload += field6(index < m_image.size() ? m_image[index] : 0);
    }
    reply(sealedMaybeBad(payload, QStringLiteral("RZ"), QStringLiteral("RZ:%1").arg(block)));
    m_nextBlock = block + 1;
}

void Simulator::handleImageBlock(const QByteArray &line)
{
    if (silenced("MZ"))
        return;
    const QByteArray payload = line.left(line.size() - 2);
    const QByteArray data = payload.mid(6);
    bool numberOk = false;
    const int block = payload.mid(2, 3).toInt(&numberOk);
    const char flag = payload.size() > 5 ? payload[5] : '?';
    bool sound = m_writing && !m_writeDone && line.size() >= 8 && numberOk && checksum(payload) == line.right(2)
                 && (flag == '0' || flag == '$') && block == m_expectedBlock && !data.isEmpty() && data.size() % 6 == 0
                 && data.size() <= 180 && (flag == '$' || data.size() == 180);
    QVector<int> values;
    for (int i = 0; sound && i < data.size(); i += 6) {
        int v = 0;
        sound = parseField6(data.mid(i, 6), &v);
        values.append(v);
    }
    if (!sound || m_rejectsLeft.value(block) > 0) {
        if (sound)
            --m_rejectsLeft[block];
        reply("R7\r\n");
        return;
    }
    for (int i = 0; i < values.size(); ++i) {
        const int index = block * 30 + i;
        if (index < m_image.size()) {
            m_image[index] = values[i];
            ++m_valuesWritten;
        }
    }
    ++m_expectedBlock;
    if (m_config.memory)
        *m_config.memory = m_image;
    if (flag == '$') {
        m_writeDone = true;
        reply("R1\r\n");
        return;
    }
    reply(m_nextIsR6 ? "R6\r\n" : "R5\r\n");
    m_nextIsR6 = !m_nextIsR6;
}

void Simulator::handleValueWrite(const QByteArray &line)
{
    if (line.size() != 17 || checksum(line.left(15)) != line.right(2))
        return;   // garbled: the program's watchdog notices the missing reply
    const QByteArray addressText = line.mid(3, 6);
    int value = 0;
    if (!std::all_of(addressText.begin(), addressText.end(), [](char c) { return c >= '0' && c <= '9'; })
        || !parseField6(line.mid(9, 6), &value))
        return;
    const int address = addressText.toInt();
    if (address == liveStartAddress()) {
        if (value == 1 && !m_liveOn) {
            m_liveOn = true;
            m_nextFrameAt = m_now + 1000.0 / m_config.liveFramesPerSecond;
        } else if (value == 0) {
            m_liveOn = false;
        }
        return;
    }
    if (address == liveCorrectionAddress()) {
        m_correction = value;
        return;
    }
    const int record = address + kRecordOffset;
    if (record < 1 || record > m_image.size()) {
        if (!silenced("MGA"))
            reply("R7\r\n");
        return;
    }
    m_image[record - 1] = value;
    if (m_config.memory)
        (*m_config.memory)[record - 1] = value;
    if (!silenced("MGA"))
        reply(sealedMaybeBad("Rga", QStringLiteral("Rga")));
}

qint64 Simulator::msToNextFrame() const
{
    if (!m_liveOn)
        return -1;
    return std::max<qint64>(0, qint64(std::ceil(m_nextFrameAt - m_now)));
}

void Simulator::advanceTo(qint64 ms)
{
    if (ms <= m_now)
        return;
    const double period = 1000.0 / m_config.liveFramesPerSecond;
    while (m_liveOn && m_nextFrameAt <= ms) {
        const qint64 at = std::max(m_now, qint64(std::floor(m_nextFrameAt)));
        m_engine.advanceTo(at);
        m_now = at;
        sendLive();
        m_nextFrameAt += period;
    }
    m_engine.advanceTo(ms);
    m_now = ms;
}

void Simulator::sendLive()
{
    if (m_reading || m_writing)
        return;   // the ECU talks image blocks only while a transfer runs
    const QStringList stops = m_config.faultArgs(SimFaultKind::LiveStopsAfter);
    if (!stops.isEmpty() && m_liveInSession >= stops.first().toInt())
        return;
    EngineSample s = m_engine.sample(m_correction);
    const QStringList below = m_config.faultArgs(SimFaultKind::StateBelow6000);
    if (!below.isEmpty() && (below.first().isEmpty() || m_liveInSession < below.first().toInt()))
        s.state = 5999;
    reply(liveFrame(s, m_liveTotal), true);
    ++m_liveInSession;
    ++m_liveTotal;
}

QByteArray Simulator::liveFrame(const EngineSample &s, int frameNumber) const
{
    QByteArray frame = "D";
    frame += "BCT"[frameNumber % 3];
    const int fields[13] = {s.pressure1, s.deltaP, s.map, s.coolant, s.lambda, s.state, s.tps,
                            s.pwmTrim,   s.dcIn,   s.rpm, s.pcmTrim, s.dcPwm,  s.flow};
    for (int v : fields)
        frame += rightAligned(QByteArray::number(v), 8) + ';';
    // The flow correction as a ratio: 1000 sent by the program reads 1.000, shown as 100.
    frame += rightAligned(QByteArray::number(m_correction / 1000.0, 'f', 3), 8) + ';';
    frame += s.fuel;
    frame += "\r\n";
    return frame;
}

QByteArray Simulator::identification() const
{
    const QByteArray payload = "R81" + kInstalled + kHardware + kRevised + "00" + kSerial + kLot + kTable
                               + softwareOnWire(m_config.variant) + kLoaderOnWire;
    return sealed(payload);
}

QByteArray Simulator::oldIdentification() const
{
    return sealed("R41" + kHardware + kSerial + kLot + softwareOnWire(m_config.variant) + kLoaderOnWire);
}

QByteArray Simulator::finalValues() const
{
    QByteArray frame = "Rfn";
    for (int record : kFinalRecords)
        frame += field6(value(record));
    frame += "000000\r\n";
    return frame;
}

void Simulator::reply(const QByteArray &frame, bool live)
{
    QByteArray bytes = frame;
    if (m_config.hasFault(SimFaultKind::Noise)) {
        const int n = std::uniform_int_distribution<int>(0, 6)(m_rng);
        QByteArray noise;
        while (noise.size() < n) {
            const char c = char(std::uniform_int_distribution<int>(33, 126)(m_rng));
            if (c != 'R' && c != 'D' && c != 'F')
                noise += c;
        }
        bytes.prepend(noise);
    }
    if (!m_config.hasFault(SimFaultKind::JoinFrames)) {
        emitChunk(bytes);
        return;
    }
    m_joined += bytes;
    ++m_joinedFrames;
    const QString arg = m_config.faultArgs(SimFaultKind::JoinFrames).first();
    const int perPiece = arg.isEmpty() ? 3 : arg.toInt();
    if (!live || m_joinedFrames >= perPiece)
        flushJoined();
}

void Simulator::flushJoined()
{
    if (m_joined.isEmpty())
        return;
    emitChunk(std::exchange(m_joined, {}));
    m_joinedFrames = 0;
}

void Simulator::emitChunk(const QByteArray &bytes)
{
    if (!m_config.hasFault(SimFaultKind::SplitFrames) || bytes.size() < 2) {
        m_out.append({bytes, 0});
        return;
    }
    const int pieces = std::uniform_int_distribution<int>(2, std::min<int>(4, bytes.size()))(m_rng);
    QList<int> cuts;
    while (cuts.size() < pieces - 1) {
        const int at = std::uniform_int_distribution<int>(1, int(bytes.size()) - 1)(m_rng);
        if (!cuts.contains(at))
            cuts.append(at);
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.append(int(bytes.size()));
    int from = 0;
    for (int cut : cuts) {
        const int pause = from == 0 ? 0 : std::uniform_int_distribution<int>(0, 15)(m_rng);
        m_out.append({bytes.mid(from, cut - from), pause});
        from = cut;
    }
}

QList<SimChunk> Simulator::takeChunks()
{
    return std::exchange(m_out, {});
}

QByteArray Simulator::takeOutput()
{
    QByteArray all;
    for (const SimChunk &c : takeChunks())
        all += c.bytes;
    return all;
}
