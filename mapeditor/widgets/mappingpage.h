#pragma once
#include <QWidget>
#include <array>

struct FrameState;
struct MapEditorState;
class CorrectionGraph;
class LiveChart;
class PictureButton;
class QLabel;
class QLineEdit;

// Page "F6 - MAPPATURA": the correction graph with the six `DeltaP` boxes under
// it, and below them the live chart with its `Azzero` button.
class MappingPage : public QWidget {
    Q_OBJECT
public:
    MappingPage(const FrameState &frame, const MapEditorState &map, QWidget *parent = nullptr);

    QLineEdit *DeltaP(int k) const { return k >= 0 && k < 6 ? m_deltaP[k] : nullptr; }
    CorrectionGraph *graph() const { return m_graph; }
    LiveChart *liveChart() const { return m_chart; }
    PictureButton *Azzero() const { return m_azzero; }

    // The page's boxes and graph from the editor data.
    void showValues();
    void setDeltaPMarks(const std::array<bool, 6> &red);
    void MoveOperatingMarker(double x);

    // An editor box's text: the number as a whole number, right-aligned in `width`.
    static QString BoxText(double value, int width);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void placeBoxes();

    const MapEditorState &m_map;
    std::array<QLineEdit *, 6> m_deltaP{};
    QWidget *m_row = nullptr;
    QLabel *m_caption = nullptr;
    CorrectionGraph *m_graph = nullptr;
    LiveChart *m_chart = nullptr;
    PictureButton *m_azzero = nullptr;
};
