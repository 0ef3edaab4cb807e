#pragma once
#include <QByteArray>
#include <QList>

#include "mapeditor/mapstate.h"

// One parameter value on its way to the ECU or into the image.
struct SlotWrite {
    int record = 0;
    double value = 0;
    bool operator==(const SlotWrite &o) const { return record == o.record && value == o.value; }
};

// Editor pages that send values: 1 F7, 2 F8, 3 F9.
enum PageWithValues { kPageTransients = 1, kPageSwitchover = 2, kPageCutOff = 3 };
// Which values of a page: those being edited, or those the ECU held.
enum ValueChoice { kModifiedValues = 0, kInitialValues = 1 };

// What Apply and Store page send for `page`, in the order the ECU takes them.
QList<SlotWrite> PageValuesToSend(const MapEditorState &s, int page, int choice, int variant);
// What Store page writes into the image: the values of `choice` as they are kept.
QList<SlotWrite> PageValuesToStore(const MapEditorState &s, int page, int choice, int variant);
// One "MGA" line per value, each ending in CR LF.
QByteArray ValueWriteLines(const QList<SlotWrite> &writes);
