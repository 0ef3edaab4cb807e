#pragma once
#include <QString>
#include <QtGlobal>
#include <array>

// One live sample: fifteen 8-character display texts and its counters.
struct LiveRecord {
    std::array<QString, 15> Field;   // each exactly 8 characters once filled
    qint32 SampleCounter = -1;       // X of the chart (channel 15)
    qint32 RecordCounter = -1;       // line number in the recording file, -1 = none
};

struct LiveChannel {
    QString Name;   // fixed 20
    QString Unit;   // fixed 10
    double Min = 0, Max = 0;
    double ScaleMin = 0, ScaleMax = 0;
    double PrevScaleMin = 0, PrevScaleMax = 0;
    double ObservedMin = 0, ObservedMax = 0;
    qint16 Divisions = 10;
    qint16 Subdivisions = 0;
    qint16 MarginPercent = 2;
    QString Format;   // "#0" or "#0.00"
};

// Program-wide live data, owned by the live display.
struct LiveState {
    std::array<LiveRecord, 2> LiveSample;   // 0 current, 1 previous
    std::array<LiveChannel, 16> LiveChannels;
    bool LiveDisplayEnabled = false;
    std::array<int, 2> ChartChannels{4, 8};
};

// The live chart's scroll position, batch buffer and history ring.
struct ChartState {
    qint32 ChartOrigin = 0;
    std::array<LiveRecord, 241> ChartBuffer;
    int ChartBufferIndex = -1;
    std::array<LiveRecord, 621> History;
    int HistoryIndex = -1;
};

// The acquisition being recorded.
struct RecordingState {
    QString RecordFilePath;   // "" while not recording
    std::array<LiveRecord, 241> RecordBuffer;
    int RecordBufferIndex = -1;
};
