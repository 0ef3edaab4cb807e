#include "tools/ecusim/enginemodel.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kIdleTps = 720;
constexpr double kIdleRpm = 800;
constexpr double kMaxRpm = 4000;
constexpr double kWarmTemp = 85;
constexpr double kColdTemp = 20;
constexpr double kWarmUpTau = 40;   // s: about 80 deg C after 100 s
constexpr double kGasSwitchTemp = 35;

double clampd(double v, double lo, double hi)
{
    return std::clamp(v, lo, hi);
}
}   // namespace

EngineModel::EngineModel(quint32 seed) : m_rng(seed) {}

int EngineModel::noise(int amplitude)
{
    if (amplitude <= 0)
        return 0;
    return std::uniform_int_distribution<int>(-amplitude, amplitude)(m_rng);
}

void EngineModel::advanceTo(qint64 ms)
{
    while (now() + m_stepMs <= ms)
        step();
}

void EngineModel::step()
{
    const double dt = m_stepMs / 1000.0;
    ++m_steps;
    const double t = now() / 1000.0;

    // The driver: idle, blip the throttle, hold it, let go.
    m_phaseLeft -= dt;
    if (m_phaseLeft <= 0) {
        switch (m_phase) {
        case Phase::Idle:
            m_phase = Phase::Rev;
            m_tpsTarget = std::uniform_real_distribution<double>(3000, 4500)(m_rng);
            m_phaseLeft = std::uniform_real_distribution<double>(2.0, 3.5)(m_rng);
            break;
        case Phase::Rev:
            m_phase = Phase::Hold;
            m_tpsTarget = std::uniform_real_distribution<double>(1500, 2200)(m_rng);
            m_phaseLeft = std::uniform_real_distribution<double>(1.0, 2.0)(m_rng);
            break;
        case Phase::Hold:
            m_phase = Phase::Idle;
            m_tpsTarget = kIdleTps;
            m_phaseLeft = std::uniform_real_distribution<double>(3.0, 6.0)(m_rng);
            break;
        }
    }

    // Throttle moves fast; big rises are the steps that trigger transients.
    const double previousTps = m_tps;
    const double maxMove = 9000 * dt;
    m_tps += clampd(m_tpsTarget - m_tps, -maxMove, maxMove);
    const double tpsRate = (m_tps - previousTps) / dt;
    const double load = clampd((m_tps - 700) / 3800, 0, 1);

    const bool released = m_tps < kIdleTps + 30;
    const double rpmTarget = released ? kIdleRpm : kIdleRpm + load * (kMaxRpm - kIdleRpm) * 1.05;
    const double tau = rpmTarget > m_rpm ? 0.9 : 1.3;
    m_rpm += (rpmTarget - m_rpm) * dt / tau;

    double mapTarget = 320 + load * 680;
    if (released && m_rpm > 1200)
        mapTarget = 220;   // closed throttle at speed: deep vacuum
    m_map += (mapTarget - m_map) * dt / 0.15;

    m_coolant = kWarmTemp - (kWarmTemp - kColdTemp) * std::exp(-t / kWarmUpTau);
    if (m_coolant > kGasSwitchTemp)
        m_onGas = true;

    m_lambdaPhase += dt * 2 * M_PI * (0.8 + 1.5 * m_rpm / kMaxRpm);

    // Running state.
    if (m_stateLeft > 0)
        m_stateLeft -= dt;
    if (m_cutOff) {
        if (!released) {
            m_cutOff = false;
            m_state = 6000;
        } else if (m_rpm < 1300) {
            m_cutOff = false;
            m_exitStep = 1;
            m_state = 6006;
            m_stateLeft = 0.2;
        }
    } else if (m_exitStep > 0) {
        if (m_stateLeft <= 0) {
            if (++m_exitStep > 3) {
                m_exitStep = 0;
            } else {
                m_state = 6005 + m_exitStep;
                m_stateLeft = 0.2;
            }
        }
    } else if (released && m_rpm > 1500) {
        m_cutOff = true;
        m_state = 6005;
    } else if (tpsRate > 3000 && (m_state < 6001 || m_state > 6003)) {
        m_state = 6001;
        m_stateLeft = 0.15;
    } else if (m_state >= 6001 && m_state <= 6003) {
        if (m_stateLeft <= 0) {
            if (m_state < 6003) {
                ++m_state;
                m_stateLeft = 0.25;
            } else {
                m_state = 6000;
            }
        }
    } else if (tpsRate < -3000 && m_state != 6009) {
        m_state = 6009;
        m_stateLeft = 0.3;
    } else if (m_state != 6009 || m_stateLeft <= 0) {
        if (released && m_rpm < 1100)
            m_state = 6004;
        else if (m_tps > 4000)
            m_state = 6010;
        else
            m_state = 6000;
    }
    if (m_exitStep == 0 && !m_cutOff && m_state >= 6006 && m_state <= 6008)
        m_state = 6004;
}

EngineSample EngineModel::sample(int correctionPermille)
{
    EngineSample s;
    const bool cutOff = m_state == 6005;
    const bool enriched = m_state >= 6001 && m_state <= 6003;

    s.tps = std::clamp(int(std::lround(m_tps)) + noise(4), 700, 4500);
    s.rpm = std::max(0, int(std::lround(m_rpm)) + noise(12));
    s.map = std::clamp(int(std::lround(m_map)) + noise(5), 150, 1050);
    s.coolant = int(std::lround(m_coolant));
    s.state = m_state;
    s.fuel = m_onGas ? 'G' : 'B';

    // A switching probe: flat lean and rich plateaus; lean in cut-off, rich on transients.
    double lambda = 500 + 400 * std::tanh(3 * std::sin(m_lambdaPhase));
    if (cutOff)
        lambda = 100;
    else if (enriched)
        lambda = 850;
    s.lambda = std::clamp(int(std::lround(lambda)) + noise(15), 100, 900);

    // Petrol pulse width grows with manifold pressure; duty = width x injections per ms.
    double widthMs = 2.5 + 9.0 * (m_map - 200) / 800;
    if (enriched)
        widthMs *= 1.3;
    double dutyIn = cutOff ? 0 : widthMs * m_rpm / 1200;   // percent
    dutyIn = clampd(dutyIn, 0, 100);
    s.dcIn = std::clamp(int(std::lround(dutyIn * 100)), 0, 10000);

    const double dutyGas =
        s.fuel == 'G' && !cutOff ? clampd((dutyIn * 1.25 + 1.0) * correctionPermille / 1000.0, 0, 100) : 0;
    s.dcPwm = std::clamp(int(std::lround(dutyGas * 10)), 0, 1000);

    s.flow = std::clamp(int(std::lround(dutyIn * m_rpm / kMaxRpm * 2.2)), 0, 100);
    s.deltaP = 1100 - int(std::lround(s.flow * 1.2)) + noise(8);
    s.pressure1 = s.map + s.deltaP;

    const double t = now() / 1000.0;
    s.pwmTrim = std::clamp(50 + int(std::lround(6 * std::sin(t / 7.0))) + noise(1), 0, 100);
    s.pcmTrim = std::clamp(50 + int(std::lround(10 * (m_map - 600) / 400)) + noise(1), 0, 100);
    return s;
}
