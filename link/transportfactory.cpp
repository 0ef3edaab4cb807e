#include "link/transportfactory.h"

#include "link/serialtransport.h"

TransportFactory MakeTransportFactory(SimulatorHook simulator)
{
    return [simulator = std::move(simulator)](const QString &device) -> std::unique_ptr<Transport> {
        if (device.trimmed().compare(QLatin1String(NomeSimulatore), Qt::CaseInsensitive) == 0)
            return simulator ? simulator() : nullptr;
        return std::make_unique<SerialTransport>();
    };
}
