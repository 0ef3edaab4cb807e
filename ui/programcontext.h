#pragma once
#include "app/framestate.h"

struct LiveState;
class Link;
class MapOperations;
class ImageRestore;
class ChartModel;
class Recorder;
class LiveDisplay;
class MapModel;

// What the windows are handed: the owners of the program-wide state, built in
// order by main. Windows read state through these and never keep globals.
struct ProgramContext {
    FrameState &frame;
    LiveState &live;
    ChartModel &chart;
    Recorder &recorder;
    LiveDisplay &display;
    MapModel &map;
    Link &link;
    MapOperations &mapOps;
    ImageRestore &restore;
};
