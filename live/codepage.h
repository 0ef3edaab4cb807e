#pragma once
#include <QByteArray>
#include <QString>

// Recording and spill files hold one byte per character in the Windows code
// page of the fitter's language, so that they read the same on the machines
// the files are exchanged with: windows-1250 for Polish (3), windows-1252
// for the others.
const char *CodePageOf(int lingua);

// One byte per UTF-16 unit of `text`: a character the code page lacks becomes "?".
QByteArray EncodeForLanguage(const QString &text, int lingua);

// One character per byte; a byte the code page leaves undefined becomes "?".
QString DecodeForLanguage(const QByteArray &bytes, int lingua);
