#pragma once
#include <QByteArray>

#include "link/framing.h"

// Frames a fake ECU sends, built by hand for the link suites.
inline QByteArray Checksummed(const QByteArray &payload)
{
    return payload + SommaControllo(payload) + "\r\n";
}

// Identification with sound dates; the software version decides the variant.
inline QByteArray R8(const QByteArray &software = "ABC12AA34")
{
    return Checksummed("R8x0102202307150620240"
                       "0MAT00001LOT042T1"
                       + software + "LXX1234BB");
}

// Image block of 30 values first, first + 1, ...; flag '0' more to come, '$' last.
inline QByteArray Rz(const QByteArray &blockField, int first, char flag)
{
    QByteArray payload = "RZB" + blockField + flag;
    for (int i = 0; i < 30; ++i)
        payload += CampoSei(qint64(first + i));
    return Checksummed(payload);
}
inline QByteArray Rz(int block, int first, char flag)
{
    return Rz(QByteArray::number(block).rightJustified(3, '0'), first, flag);
}

// Live frame: running state in field 5, duty cycle IN in field 8.
inline QByteArray Live(const QByteArray &state, const QByteArray &dutyIn)
{
    QByteArray line = "DB";
    for (int k = 0; k < 14; ++k)
        line += (k == 5 ? state : k == 8 ? dutyIn : QByteArray::number(100 + k)).rightJustified(8, ' ', true) + ';';
    return line + "G\r\n";
}

// The final values reply that ends an image read.
inline QByteArray Rfn()
{
    return "Rfn" + QByteArray("000011").repeated(8) + "000000\r\n";
}
