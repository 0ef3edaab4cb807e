#pragma once
#include <QtGlobal>
#include <array>

// One map parameter: its value as decoded from the image and its record number
// for the current ECU variant.
struct ParamSlot {
    qint32 Value = 0;
    qint16 Record = 0;
};

struct SegmentLine {
    double Slope = 0;
    double Intercept = 0;
};

// Program-wide data of the map editor (the pages edit it, the link reads it).
struct MapEditorState {
    std::array<ParamSlot, 4> EnrichSlots;
    std::array<ParamSlot, 6> PumpSlots;
    std::array<ParamSlot, 4> TpsSlots;
    std::array<ParamSlot, 2> DurationSlots;
    ParamSlot TpsMode;
    ParamSlot TpsLimitA;
    ParamSlot TpsLimitB;
    std::array<ParamSlot, 5> SwitchSlots;
    std::array<ParamSlot, 6> CutSlots;

    std::array<double, 6> DcInThreshold{0, 20, 40, 60, 80, 100};
    std::array<double, 6> DcInThresholdInitial{0, 20, 40, 60, 80, 100};
    std::array<double, 6> DeltaFlow{100, 100, 100, 100, 100, 100};
    std::array<double, 6> DeltaFlowInitial{100, 100, 100, 100, 100, 100};
    std::array<SegmentLine, 5> SegmentCoef{};
    double GraphXMin = 0, GraphXMax = 100, GraphYMin = 0, GraphYMax = 100;
    std::array<qint16, 4> TransientPercent{100, 100, 100, 100};
    std::array<qint16, 4> TransientPercentInitial{100, 100, 100, 100};
    std::array<double, 5> SwitchValue{};
    std::array<double, 5> SwitchInitial{};
    std::array<double, 6> CutValue{};
    std::array<double, 6> CutInitial{};
    std::array<double, 6> StandardCut{2000, -60, 100, 100, 30, 1};
    bool CutStandard = false;   // `I_Standard` checked: standard cut-off values replace the ECU's
    std::array<bool, 4> PageModified{};
    qint16 LastSentChoice = 1;
    qint32 ProgramChoice = -1;
    qint16 ReturnTab = -1;
    int DefaultValves = 1;
    int DefaultPlantType = 0;
};
