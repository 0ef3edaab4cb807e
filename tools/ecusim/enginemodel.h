#pragma once
#include <QtGlobal>
#include <random>

// One sample of what the ECU measures, in the units of the live frame.
struct EngineSample {
    int pressure1 = 0;   // mbar
    int deltaP = 0;      // mbar
    int map = 0;         // mbar
    int coolant = 0;     // deg C
    int lambda = 0;      // mV
    int state = 6004;    // running state 6000..6010
    int tps = 700;       // raw 700..4500
    int pwmTrim = 50;    // 0..100
    int dcIn = 0;        // petrol injector duty, 1/100 %
    int rpm = 0;         // 1/min
    int pcmTrim = 50;    // 0..100
    int dcPwm = 0;       // gas injector duty, 1/10 %
    int flow = 0;        // theoretical flow, kg/s x 10^5
    char fuel = 'B';     // 'B' petrol, 'G' gas
};

// A car idling and being revved now and then, warming up from cold. Integrates
// in fixed steps so the same seed and clock give the same samples.
class EngineModel {
public:
    explicit EngineModel(quint32 seed);

    void advanceTo(qint64 ms);
    qint64 now() const { return m_stepMs * m_steps; }
    // The current sample with measurement noise; correctionPermille scales the
    // gas injectors (1000 = no change).
    EngineSample sample(int correctionPermille);

private:
    enum class Phase { Idle, Rev, Hold };
    void step();
    int noise(int amplitude);

    static constexpr qint64 m_stepMs = 10;
    std::mt19937 m_rng;
    qint64 m_steps = 0;

    Phase m_phase = Phase::Idle;
    double m_phaseLeft = 4.0;   // s
    double m_tpsTarget = 720;
    double m_tps = 720;
    double m_rpm = 800;
    double m_map = 330;
    double m_lambdaPhase = 0;
    double m_coolant = 20;
    bool m_onGas = false;

    int m_state = 6004;
    double m_stateLeft = 0;   // s the current transient state still lasts
    bool m_cutOff = false;
    int m_exitStep = 0;   // 0 none; 1..3 the exit states 6006..6008
};
