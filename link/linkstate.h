#pragma once
#include <QDate>
#include <QString>
#include <QtGlobal>
#include <array>

// Fields of the ECU's identification reply.
struct EcuIdentity {
    qint16 FlagIdentificazione = 0;
    qint16 VersioneHw = 0;
    QDate DataInstallazione;   // null = the zero date
    QDate DataRevisione;
    qint16 TipoInstallazione = 0;
    QString Matricola;         // fixed 8
    QString Lotto;             // fixed 6
    QString VersioneSoftware;
    QString VersioneTabella;   // fixed 6, two characters used
    QString VersioneCaricatore;
};

// Program-wide state owned by the ECU link.
struct LinkState {
    QByteArray BufferRx;             // received, not yet interpreted
    qint16 StatoSessione = -1;       // -1 idle; 1, 2, 5 connecting; 3, 10..15, 20..25, 30 busy
    bool EcuReady = false;
    qint16 TentativiAvvio = 0;
    quint8 VarianteCentralina = 0;   // 0: software version ends in "AA"
    QByteArray CodaComandi;          // lines still to send, each ending in CR LF
    QByteArray ImmagineDaInviare;    // image being written, 6 characters a value
    qint16 BloccoCorrente = -1;
    quint8 RitrasmissioneFatta = 0;
    EcuIdentity Ident;
    std::array<QString, 8> ValoriFinali; // 6 characters each, "    -1" when absent
};
