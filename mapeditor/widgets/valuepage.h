#pragma once
#include <QColor>
#include <QFont>
#include <QWidget>
#include <deque>
#include <vector>

struct FrameState;
class MapModel;
class QFrame;
class QLabel;
class QLineEdit;
class QSlider;

// A rectangle drawn around the value box that has the focus (the pages' `BoxComm`
// and the F7 frames' own highlight). It lies under the box and follows it.
class FocusRing : public QWidget {
    Q_OBJECT
public:
    explicit FocusRing(QWidget *parent);
    void showAround(QWidget *box);
    void hideRing();
    QWidget *target() const { return m_target; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void place();
    QWidget *m_target = nullptr;
};

// What the pages F7, F8 and F9 share: value boxes bound to sliders, and one set of
// field rules (keys, leaving a box, a slider that moves, the page's modified flag).
// Each page builds its controls with addField() and says where its values live.
class ValuePage : public QWidget {
    Q_OBJECT
public:
    int page() const { return m_page; }   // 1 F7, 2 F8, 3 F9: its index in `PageModified`
    int fieldCount() const { return int(m_fields.size()); }
    QLineEdit *field(int i) const;
    QSlider *slider(int i) const;
    QLabel *caption(int i) const;   // `LabDati`
    QLabel *minimum(int i) const;   // `Minimo`
    QLabel *maximum(int i) const;   // `Massimo`
    QWidget *highlight(int i) const;
    // The page's controls; `layoutContent` centres it in the page.
    QFrame *content() const { return m_content; }

    // The page's part of FillMapEditor: values, sliders and initial column from the
    // editor data, boxes white, the page's modified flag cleared.
    virtual void fill() = 0;
    // The boxes back to white (their modified values have been sent); nothing else changes.
    void clearValueBoxColours();
    // Focus to field 0 if it is enabled.
    void focusFirstField();
    // Commits the box being edited as leaving it would, and keeps the focus there:
    // a value typed just before Ctrl+F5 is the value sent.
    void commitEdit();
    // The content at its width, centred horizontally near the top of the page.
    void layoutContent();

    // The font of the value boxes and of the initial column.
    static QFont boxFont();
    // The colours of the pages: modified box, standard values, initial values.
    static QColor modifiedColour();
    static QColor standardColour();
    static QColor initialColour();

protected:
    ValuePage(int page, MapModel &map, QWidget *parent);

    struct Field {
        QLineEdit *box = nullptr;
        QSlider *slider = nullptr;
        QLabel *caption = nullptr;
        QLabel *min = nullptr;
        QLabel *max = nullptr;
        FocusRing *ring = nullptr;
        int width = 3;             // characters of the box
        bool noMinusOne = false;   // -1 means "no value": -2 takes its place
    };
    struct FieldNames {
        QString box, slider, caption, min, max;
    };
    // Creates box, slider, limit labels and caption of the next field, children of
    // `parent`; the slider gets `min`..`max`, which every rule then reads from it.
    Field &addField(QWidget *parent, const FieldNames &names, const QString &captionText, int min, int max,
                    FocusRing *ring);

    // The value array and the initial array of the page.
    virtual double value(int i) const = 0;
    virtual void setValue(int i, int v) = 0;
    virtual double initial(int i) const = 0;

    // For fill(): slider and box show `v` without running the change rule, box white.
    void showValue(int i, double v);
    void setModifiedFlag(bool on);
    // Applies the change rule when the slider really moves; false when it stays.
    bool moveSlider(int i, int v);
    // The widest text a box of the editor holds; every box of the pages has this width.
    int boxWidth() const;
    static QLabel *makeLabel(QWidget *parent, const QString &name, const QString &text = QString());
    static QLabel *makeValueLabel(QWidget *parent, const QString &name);   // the initial column

    MapModel &m_map;
    QFrame *m_content = nullptr;
    int m_maxContentWidth = 900;

    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    int indexOf(const QObject *box) const;
    bool keyPress(int i, QKeyEvent *key);
    void enterField(int i);
    void leaveField(int i);
    void sliderChanged(int i, int v);
    void focusField(int i);

    const int m_page;
    std::deque<Field> m_fields;   // a deque: a Field & handed out stays valid as fields are added
};

class QGridLayout;

// F8 and F9: one row per value (caption, box, limits and slider, initial value),
// under the column headings "Valori di modifica" and "Valori iniziali", with one
// highlight rectangle that moves to the box being edited.
class ValueTablePage : public ValuePage {
    Q_OBJECT
public:
    QLabel *initialLabel(int i) const;   // `ComIni` / `CutIni`
    QLabel *heading(int k) const;        // 0 over the boxes, 1 over the initial column
    FocusRing *ring() const { return m_ring; }

protected:
    // `firstHeading` numbers the pair of `LabMod` headings, `ringName` names the highlight.
    ValueTablePage(int page, const FrameState &frame, MapModel &map, int firstHeading, const QString &ringName,
                   QWidget *parent);
    Field &addRow(const FieldNames &names, const QString &initialName, const QString &captionText, int min, int max);
    // The initial column heading's text and colour.
    void setInitialHeading(const QString &text, const QColor &colour);
    // Every value of the initial column at one width, at least a box's: they line up.
    void fitInitialColumn();

    QGridLayout *m_grid = nullptr;
    static constexpr int kInitialColumn = 6;

private:
    std::vector<QLabel *> m_initial;
    QLabel *m_headings[2] = {nullptr, nullptr};
    FocusRing *m_ring = nullptr;
};
