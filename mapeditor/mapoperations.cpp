#include "mapeditor/mapoperations.h"

#include "app/framestate.h"
#include "app/textids.h"
#include "app/texts.h"
#include "link/imagefile.h"
#include "mapeditor/mapmodel.h"
#include "mapeditor/pagevalues.h"

MapOperations::MapOperations(FrameState &frame, LiveState &live, MapModel &map, Link &link, QObject *parent)
    : QObject(parent), m_frame(frame), m_live(live), m_map(map), m_link(link)
{
    m_link.setMapSide(this);
    connect(&m_link, &Link::operationFinished, this,
            [this](LinkOperation kind, bool ok, int) { onFinished(kind, ok); });
    connect(&m_link, &Link::pageValuesWritten, this, [this](int page, int choice) {
        if (choice == kModifiedValues)
            emit valueBoxesSent(page);
    });
}

MapOperations::~MapOperations()
{
    m_link.setMapSide(nullptr);
}

void MapOperations::warn(int textId)
{
    LinkUi &ui = m_link.ui();
    ui.beep();
    m_frame.MessageText = Testo(m_frame.id(textId));
    m_frame.MessageTitle = Testo(m_frame.id(TextId::TitleWarning));
    m_frame.MessageResult = ui.showMessage(m_frame.MessageText, kErrorOk, m_frame.MessageTitle, kMessageCentred);
}

bool MapOperations::startValues(int page, int choice, bool thenProgram)
{
    const int variant = m_link.state().VarianteCentralina;
    MapEditorState &s = m_map.edit();
    const QByteArray lines = ValueWriteLines(PageValuesToSend(s, page, choice, variant));
    if (lines.isEmpty() || !m_link.canStartOperation())
        return false;
    if (thenProgram) {
        // The working image takes the page first, so a file error stops everything before the ECU is touched.
        ImageFile lettura(m_frame.file(QStringLiteral("LETTURA.PRG")));
        bool ok = lettura.open();
        for (const SlotWrite &w : PageValuesToStore(s, page, choice, variant))
            ok = ok && lettura.writeValue(w.record, w.value);
        lettura.close();
        if (!ok) {
            warn(TextId::ProgrammingInterrupted);
            return false;
        }
    }
    const qint16 previous = s.LastSentChoice;
    s.LastSentChoice = qint16(choice);
    if (m_link.startValueWrites(lines, page, choice, thenProgram))
        return true;
    s.LastSentChoice = previous;
    return false;
}

bool MapOperations::apply(int page, int choice)
{
    return m_link.portOpen() && startValues(page, choice, false);
}

bool MapOperations::storePage(int page, int choice)
{
    return m_link.portOpen() && choice >= 0 && startValues(page, choice, true);
}

bool MapOperations::storeMapping()
{
    if (!m_link.canStartOperation())
        return false;
    const QString lettura = m_frame.file(QStringLiteral("LETTURA.PRG"));
    QByteArray image;
    if (m_map.RebuildFlowTables(lettura, m_frame.file(QStringLiteral("LETTURAN.PRG")),
                                m_frame.file(QStringLiteral("NUOVA.PRG"))))
        image = LeggiImmagine(lettura);
    if (image.trimmed().isEmpty()) {
        warn(TextId::NewMapsFailed);
        return false;
    }
    return m_link.startImageUpload(image, LinkOperation::StoreMapping);
}

void MapOperations::onFinished(LinkOperation kind, bool ok)
{
    if (kind != LinkOperation::StoreMapping || !ok)
        return;
    // The ECU's flow tables are the curve now: it is the new starting point.
    MapEditorState &s = m_map.edit();
    s.DeltaFlowInitial = s.DeltaFlow;
    s.PageModified[0] = false;
}

bool MapOperations::writeFinalValues(const QString &lettura, const std::array<QString, 8> &valoriFinali)
{
    return m_map.WriteIdentRecords(lettura, valoriFinali);
}

bool MapOperations::loadImage(const QString &lettura, int variant)
{
    if (!m_map.LoadMapParameters(lettura, variant, m_live))
        return false;
    MapEditorState &s = m_map.edit();
    s.LastSentChoice = kInitialValues;
    s.CutStandard = false;
    m_map.ResetMapEditorState();
    m_map.FillMapEditorData();
    return true;
}

LiveCorrection MapOperations::correctionAt(double dcIn) const
{
    const int k = m_map.segmentOf(dcIn);
    const std::optional<double> p = m_map.correctionAt(dcIn);
    if (k < 0 || !p)
        return {};
    const MapEditorState &s = m_map.state();
    return {k, s.DcInThreshold[k], s.DcInThreshold[k + 1], *p};
}

void MapOperations::discardEdits()
{
    m_map.edit().PageModified.fill(false);
}
