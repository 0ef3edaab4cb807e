#pragma once
// Test images, and map files read back by srec_cat, which checks every checksum.
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "link/imagefile.h"

// Negatives and every digit count, different for each seed.
inline int TestImageValue(int line, int seed = 0)
{
    return (line * 37 + seed * 101) % 2001 - 1000;
}

inline bool WriteTestImage(const QString &path, int lines, int seed = 0)
{
    QFile::remove(path);
    ImageFile image(path);
    bool ok = image.open(true);
    for (int n = 1; ok && n <= lines; ++n)
        ok = image.writeValue(n, TestImageValue(n, seed));
    return ok;
}

inline bool HaveSrecCat()
{
    return !QStandardPaths::findExecutable("srec_cat").isEmpty();
}

// The data from address 0x4002 on; empty when srec_cat refuses the file.
inline QByteArray ReadBackWithSrecCat(const QString &mapFile)
{
    QTemporaryDir out;
    QProcess p;
    p.start("srec_cat", {mapFile, "-motorola", "-offset", "-0x4002", "-o", out.filePath("b"), "-binary"});
    QFile bin(out.filePath("b"));
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0
        || !bin.open(QIODevice::ReadOnly))
        return (qWarning() << p.readAllStandardError(), QByteArray());
    return bin.readAll();
}

// Image line n's word, big-endian, at byte 2(n-1).
inline QByteArray ExpectedMapBytes(int lines, int seed = 0)
{
    QByteArray bytes;
    for (int n = 1; n <= lines; ++n) {
        const quint16 w = quint16(TestImageValue(n, seed));
        bytes += char(w >> 8);
        bytes += char(w);
    }
    return bytes;
}
