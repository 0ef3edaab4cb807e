#pragma once
#include <QString>

#include "app/framestate.h"
#include "app/portsettings.h"

// KALIBRON.INI (language) and CONFIG.INI (serial settings) in the application folder.

// Sets LinguaCorrente; repairs an invalid "Lingua" key by writing "4".
void LeggiLingua(FrameState &frame);
// Writes key "Lingua" of KALIBRON.INI.
bool ScriviLingua(const FrameState &frame, int lingua);

// Reads the five serial keys into ConfigSeriale (fixed widths, rounding, defaults).
void LeggiConfigSeriale(FrameState &frame);

// What the serial dialog saves, written in the order COM, BAUD_RATE, BIT_DATI,
// PARITA, BIT_STOP; then ConfigSeriale is read again.
struct SerialChoice {
    QString com, baud, dataBits, parityWord, stopBits;
};
bool ScriviConfigSeriale(FrameState &frame, const SerialChoice &choice);

// Device of port n (1..9): key "COMn" of section "PORTE" of CONFIG.INI, else
// /dev/ttyS(n-1). The value "SIMULATORE" names the built-in simulated ECU.
QString DispositivoPorta(const FrameState &frame, int n);
// Writes key "COMn" of section "PORTE": port n (1..9) then opens `device`.
bool ScriviDispositivoPorta(const FrameState &frame, int n, const QString &device);

// The settings text "speed,parity,data,stop" built from ConfigSeriale.
QString TestoImpostazioni(const ConfigSerialeT &cfg);
// Validates a settings text as the serial control did; false when it would refuse it.
bool ValidaImpostazioni(const QString &settings, PortSettings *out);
// ConfigSeriale -> validated port settings with the device; false when refused.
bool ImpostazioniPorta(const FrameState &frame, PortSettings *out);
