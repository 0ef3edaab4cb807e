#pragma once
// Test images and the independent reading of map files back through srec_cat.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "link/imagefile.h"

// Values with negatives and every digit count, different for each `seed`.
inline int TestImageValue(int line, int seed = 0) { return (line * 37 + seed * 101) % 2001 - 1000; }

// LETTURA.PRG of `lines` records written the way the link writes them.
inline bool WriteTestImage(const QString &path, int lines, int seed = 0)
{
    QFile::remove(path);
    ImageFile image(path);
    if (!image.open(true))
        return false;
    for (int n = 1; n <= lines; ++n) {
        if (!image.writeValue(n, TestImageValue(n, seed)))
            return false;
    }
    return true;
}

// srec_cat reads `mapFile` (checksums checked) and lays the data out from 0x4002:
// byte 2(n-1) and the next hold the word of image line n. Empty when it refuses the file.
inline QByteArray ReadBackWithSrecCat(const QString &mapFile)
{
    QTemporaryDir out;
    const QString bin = out.filePath("map.bin");
    QProcess p;
    p.start("srec_cat", {mapFile, "-motorola", "-offset", "-0x4002", "-o", bin, "-binary"});
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning() << "srec_cat:" << p.readAllStandardError();
        return {};
    }
    QFile f(bin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool HaveSrecCat() { return !QStandardPaths::findExecutable("srec_cat").isEmpty(); }

// Every word of a `lines`-line test image, big-endian at its address.
inline QByteArray ExpectedMapBytes(int lines, int seed = 0)
{
    QByteArray bytes;
    for (int n = 1; n <= lines; ++n) {
        const quint16 w = quint16(TestImageValue(n, seed) & 0xFFFF);
        bytes += char(w >> 8);
        bytes += char(w & 0xFF);
    }
    return bytes;
}
