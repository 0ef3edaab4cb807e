#pragma once
#include <QString>
#include <QtGlobal>

// Serial settings as read from CONFIG.INI. The text fields keep the fixed widths
// of the settings file (blank-padded / cut); every user trims them.
struct ConfigSerialeT {
    QString Porta = QStringLiteral("COM1");       // fixed 4
    QString Velocita = QStringLiteral("19200");   // fixed 5
    qint16 NumBitDati = 8;
    QString NomeParita = QStringLiteral("NESSUNA");   // fixed 7
    qint16 NumBitStop = 1;
};

// Program-wide state owned by the application frame.
struct FrameState {
    quint8 LinguaCorrente = 4;   // 1 Italiano, 2 Francese, 3 Polako, 4 Inglese
    QString PercorsoApp;         // application folder, never ending in a separator
    bool EdizioneQEL = false;
    bool EdizioneTUBAN = false;
    QString BufferIni;   // last profile read, at most 255 characters
    int EsitoIni = 0;
    ConfigSerialeT ConfigSeriale;
    QString MessageTitle;
    QString MessageText;
    qint32 MessageResult = 0;
    quint8 LinguaScelta = 4;

    // Path of a file in the application folder.
    QString file(const QString &name) const { return PercorsoApp + QLatin1Char('/') + name; }
    // Localised text id for a base id in the current language.
    int id(int baseId) const { return baseId + 1000 * (LinguaCorrente - 1); }
};
