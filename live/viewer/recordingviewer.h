#pragma once
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

#include "app/framestate.h"
#include "live/recordingreader.h"

class MessageSink;
class QAction;
class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QTableWidget;
class QToolButton;
class RecordingPlot;

// The recording viewer: a recording's panes, the values under the two cursors,
// an earlier drive laid over it, and export as CSV or picture. Works with or
// without an ECU connected; one window per recording, as many as the fitter opens.
class RecordingViewer : public QWidget {
    Q_OBJECT
public:
    // Asks for a file name: to open (save false) or to write. Tests answer it.
    using FileChooser =
        std::function<QString(bool save, const QString &caption, const QString &folder, const QString &filter)>;

    // Messages go to `messages`, or to the program's message dialog when null.
    RecordingViewer(FrameState &frame, MessageSink *messages = nullptr, QWidget *parent = nullptr);
    ~RecordingViewer() override;

    // false, and the fitter told why, when the file is missing or no recording;
    // what was shown stays.
    bool openFile(const QString &path);
    bool openOverlay(const QString &path);
    void removeOverlay();
    // The overlay's first sample under row `row` of the recording.
    void alignOverlay(int row);
    void alignOverlayAtCursor();
    // Rows shown, or the whole recording; the language's separators or plain "," ".".
    bool exportCsv(const QString &path, bool visibleOnly);
    void setPlainCsv(bool plain);
    bool exportPng(const QString &path);

    // The interactive commands behind the toolbar.
    void openFromArchive();
    void chooseFile();
    void chooseOverlay();
    void chooseCsvExport(bool visibleOnly);
    void choosePngExport();

    void setFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }
    // Texts in the program's current language.
    void retranslate();

    const RecordingReader &recording() const { return *m_rec; }
    QString filePath() const { return m_path; }
    RecordingPlot *plot() const { return m_plot; }
    QTableWidget *cursorTable() const { return m_table; }
    QLabel *cursorTime() const { return m_cursorTime; }
    QLabel *note() const { return m_note; }
    QCheckBox *autoScaleBox(int pane) const { return m_panes[size_t(pane)].automatic; }
    QDoubleSpinBox *minBox(int pane) const { return m_panes[size_t(pane)].min; }
    QDoubleSpinBox *maxBox(int pane) const { return m_panes[size_t(pane)].max; }
    QToolButton *channelButton(int pane) const { return m_panes[size_t(pane)].channels; }

private:
    struct PaneControls {
        QToolButton *channels = nullptr;
        QCheckBox *automatic = nullptr;
        QDoubleSpinBox *min = nullptr;
        QDoubleSpinBox *max = nullptr;
    };
    bool load(const QString &path, RecordingReader &into);
    void buildToolbar(class QToolBar *bar);
    QWidget *buildSidePanel();
    void fillChannelMenus();
    void chooseDefaultPanes();
    void applyScale(int pane);
    void updateScaleFields();
    void updateTable();
    void updateNote();
    void fail(int textId, const QString &path);
    QString text(int baseId) const;
    QString chooser(bool save, const QString &caption, const QString &folder, const QString &filter);

    FrameState &m_frame;
    std::unique_ptr<MessageSink> m_ownSink;
    MessageSink *m_messages;
    std::unique_ptr<RecordingReader> m_rec;
    std::unique_ptr<RecordingReader> m_overlayRec;
    QString m_path, m_overlayPath;
    bool m_plainCsv = false;
    FileChooser m_chooseFile;

    RecordingPlot *m_plot = nullptr;
    QTableWidget *m_table = nullptr;
    QLabel *m_cursorTime = nullptr;
    QLabel *m_note = nullptr;
    std::array<PaneControls, 4> m_panes;
    std::array<QLabel *, 4> m_paneTitles{};
    // Toolbar entries, for their texts.
    QToolButton *m_openButton = nullptr, *m_overlayButton = nullptr, *m_exportButton = nullptr;
    QAction *m_openArchive = nullptr, *m_openFile = nullptr, *m_overlayOpen = nullptr, *m_alignStart = nullptr,
            *m_alignCursor = nullptr, *m_overlayRemove = nullptr, *m_exportWhole = nullptr, *m_exportVisible = nullptr,
            *m_plainAction = nullptr, *m_exportPng = nullptr, *m_home = nullptr;
};
