#pragma once
#include <QObject>

#include "link/link.h"
#include "link/mapside.h"

struct FrameState;
struct LiveState;
class MapModel;

// The map editor's side of the link: it turns the pages' data into the link's
// write operations (Apply, Store page, Store mapping) and keeps the editor data in
// step with what the ECU accepted. QtCore only; the editor window calls it.
class MapOperations : public QObject, public MapSide {
    Q_OBJECT
public:
    MapOperations(FrameState &frame, LiveState &live, MapModel &map, Link &link, QObject *parent = nullptr);
    ~MapOperations() override;

    // `Applica`(choice) on page 1..3: the page's values, one by one. False: nothing was sent.
    bool apply(int page, int choice);
    // `Memor` with the answer of `ValProg`: the page's values, then the whole image.
    bool storePage(int page, int choice);
    // `Memor1`, or Yes on leaving an edited F6: the rebuilt flow tables, whole image.
    // A failed rebuild says so (208) and leaves LETTURA.PRG as it was.
    bool storeMapping();

    // MapSide
    bool writeFinalValues(const QString &lettura, const std::array<QString, 8> &valoriFinali) override;
    bool loadImage(const QString &lettura, int variant) override;
    LiveCorrection correctionAt(double dcIn) const override;
    void discardEdits() override;

signals:
    // The modified values of `page` reached the ECU: its value boxes go white again.
    void valueBoxesSent(int page);

private:
    bool startValues(int page, int choice, bool thenProgram);
    void onFinished(LinkOperation kind, bool ok);
    void warn(int textId);

    FrameState &m_frame;
    LiveState &m_live;
    MapModel &m_map;
    Link &m_link;
};
