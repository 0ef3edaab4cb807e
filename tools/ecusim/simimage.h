#pragma once
#include <QVector>

// The memory image a freshly programmed ECU holds: value n at index n - 1.
namespace ecusim {

constexpr int kMaxImageSize = 29970;   // 999 blocks of 30: block numbers are three digits
constexpr int kRecordOffset = 2630;    // ECU address = record - kRecordOffset

// Records whose values the ECU also reports in "Rfn", in the order of the reply.
constexpr int kFinalRecords[8] = {2700, 2701, 2706, 2654, 2690, 2691, 2692, 2702};

QVector<int> defaultImage(int variant, int size);

// The flow of a table point as the default image holds it (before its scale).
double flowTablePoint(int table, int point);
constexpr int kFlowScale = 3;

}   // namespace ecusim
