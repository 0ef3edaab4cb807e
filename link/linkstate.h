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
    QString Matricola;   // fixed 8
    QString Lotto;       // fixed 6
    QString VersioneSoftware;
    QString VersioneTabella;   // fixed 6, two characters used
    QString VersioneCaricatore;
};

// Values of `StatoSessione`.
enum SessionState : qint16 {
    kSessionIdle = -1,             // not connected, or connected and ready
    kSessionIdentifying = 1,       // "MUB" sent
    kSessionReadingImage = 2,      // "RZ" blocks coming
    kSessionSendingMaps = 3,       // a rebuilt flow map going out block by block
    kSessionFinalValues = 5,       // "MUFN" sent
    kSessionApplyingValues = 10,   // 10..15: + (page - 1) + 3 * choice
    kSessionStoringValues = 20,    // 20..25: the same, then the whole image
    kSessionProgramming = 30,      // the whole image going out block by block
};

inline bool IsValueWriteState(int s)
{
    return (s >= 10 && s <= 15) || (s >= 20 && s <= 25);
}
inline bool IsImageUploadState(int s)
{
    return s == kSessionSendingMaps || s == kSessionProgramming;
}
inline bool IsConnectingState(int s)
{
    return s == kSessionIdentifying || s == kSessionReadingImage || s == kSessionFinalValues;
}

// A `StatoSessione` value as the log names it: "reading image (2)", "storing values F8 initial (24)".
inline QString SessionStateName(int s)
{
    QString name;
    switch (s) {
    case kSessionIdle: name = QStringLiteral("idle"); break;
    case kSessionIdentifying: name = QStringLiteral("identifying"); break;
    case kSessionReadingImage: name = QStringLiteral("reading image"); break;
    case kSessionSendingMaps: name = QStringLiteral("sending maps"); break;
    case kSessionFinalValues: name = QStringLiteral("final values"); break;
    case kSessionProgramming: name = QStringLiteral("programming"); break;
    default:
        if (IsValueWriteState(s)) {
            const int offset = s % 10;   // (page - 1) + 3 * choice
            name = QStringLiteral("%1 values F%2 %3")
                       .arg(s < kSessionStoringValues ? QStringLiteral("applying") : QStringLiteral("storing"))
                       .arg(7 + offset % 3)
                       .arg(offset < 3 ? QStringLiteral("modified") : QStringLiteral("initial"));
        } else {
            name = QStringLiteral("unknown");
        }
        break;
    }
    return QStringLiteral("%1 (%2)").arg(name).arg(s);
}

// Program-wide state owned by the ECU link.
struct LinkState {
    QByteArray BufferRx;                   // received, not yet interpreted
    qint16 StatoSessione = kSessionIdle;   // a SessionState
    bool EcuReady = false;
    qint16 TentativiAvvio = 0;
    quint8 VarianteCentralina = 0;   // 0: software version ends in "AA"
    QByteArray CodaComandi;          // lines still to send, each ending in CR LF
    QByteArray ImmagineDaInviare;    // image being written, 6 characters a value
    qint16 BloccoCorrente = -1;
    quint8 RitrasmissioneFatta = 0;
    EcuIdentity Ident;
    std::array<QString, 8> ValoriFinali;   // 6 characters each, "    -1" when absent
};
