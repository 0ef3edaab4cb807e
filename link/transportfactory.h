#pragma once
#include <functional>
#include <memory>

#include "link/transport.h"

// Makes the simulated ECU's transport; supplied by the program, so the link
// does not depend on the simulator.
using SimulatorHook = std::function<std::unique_ptr<Transport>()>;

// Device name that selects the simulated ECU.
inline constexpr char NomeSimulatore[] = "SIMULATORE";

// The program's factory: "SIMULATORE" (any case, blanks ignored) goes to `simulator`
// (no transport when there is none), every other name to a SerialTransport.
TransportFactory MakeTransportFactory(SimulatorHook simulator = {});
