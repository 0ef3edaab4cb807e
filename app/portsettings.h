#pragma once
#include <QString>

// Validated parameters of the serial port (built by ApriPorta from ConfigSeriale).
struct PortSettings {
    QString device;   // e.g. /dev/ttyUSB0, /dev/ttyS0, or "SIMULATORE"
    int baud = 19200;
    char parity = 'N';          // N, E, O, M, S
    int dataBits = 8;           // 4..8
    int stopBitsTimes10 = 10;   // 10, 15 or 20
};
