#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QtTest>

#include "ui/common/pictures.h"

namespace {

QList<int> allPictureIds()
{
    QList<int> ids;
    for (int lang = 0; lang < 4; ++lang)
        for (int b = 101; b <= 142; ++b)
            ids << b + 1000 * lang;
    for (int id = 5000; id <= 5007; ++id)
        ids << id;
    ids << 6000 << 6001;
    for (int id = 7000; id <= 7007; ++id)
        ids << id;
    return ids;
}

// Share of clearly coloured pixels; greyed faces have next to none.
double colouredShare(const QImage &img)
{
    int coloured = 0, opaque = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            if (c.alpha() < 200)
                continue;
            ++opaque;
            if (c.hsvSaturation() > 25 && c.value() > 90)
                ++coloured;
        }
    return opaque ? double(coloured) / opaque : 0.0;
}

// Writes every face of one language, and the shared pictures, onto one sheet.
QImage pictureSheet(int language, qreal dpr)
{
    const QSize face(120, 42);
    const int cols = 6;
    QImage sheet(QSize(cols * (face.width() + 10) + 10, 620) * dpr, QImage::Format_ARGB32);
    sheet.setDevicePixelRatio(dpr);
    sheet.fill(QColor(0xf0, 0xf0, 0xf0));
    QPainter p(&sheet);
    int i = 0;
    for (int b = 101; b <= 142; ++b, ++i) {
        const QPoint at(10 + (i % cols) * (face.width() + 10), 10 + (i / cols) * (face.height() + 10));
        p.drawPixmap(at, Immagine(b + 1000 * (language - 1), face, dpr));
    }
    int x = 10, y = 10 + 8 * (face.height() + 10);
    for (int id = 5000; id <= 5007; ++id, x += 60)
        p.drawPixmap(QPoint(x, y), Immagine(id, QSize(), dpr));
    x = 10;
    y += 50;
    for (int id = 7000; id <= 7007; ++id, x += 40)
        p.drawPixmap(QPoint(x, y), Immagine(id, QSize(), dpr));
    y += 40;
    p.drawPixmap(QPoint(10, y), Immagine(6000, QSize(), dpr));
    p.drawPixmap(QPoint(270, y), Immagine(6001, QSize(), dpr));
    return sheet;
}

} // namespace

class TestPictures : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // KAL_PICTURE_SHEET=/some/folder saves sheets of the pictures to look at.
        const QString folder = qEnvironmentVariable("KAL_PICTURE_SHEET");
        if (folder.isEmpty())
            return;
        for (int lang = 1; lang <= 4; ++lang)
            for (qreal dpr : {1.0, 2.0})
                QVERIFY(pictureSheet(lang, dpr).save(
                    QStringLiteral("%1/sheet_lang%2_x%3.png").arg(folder).arg(lang).arg(int(dpr))));
        // The live button in its states: normal, pressed, disabled, focused, a flag with caption.
        QWidget strip;
        strip.resize(660, 90);
        QList<PictureButton *> buttons;
        for (int i = 0; i < 5; ++i) {
            auto *b = new PictureButton(&strip);
            b->setGeometry(10 + i * 125, 10, 115, i == 4 ? 70 : 42);
            b->setFaceIds(3101, 3101, 3102);
            buttons << b;
        }
        buttons[1]->setDown(true);
        buttons[2]->setEnabled(false);
        buttons[4]->setFaceIds(5003, 5003, 5003);
        buttons[4]->setCheckable(true);
        buttons[4]->setChecked(true);
        buttons[4]->setText(QStringLiteral("English"));
        strip.show();
        QVERIFY(QTest::qWaitForWindowExposed(&strip));
        buttons[3]->setFocus();
        QTRY_VERIFY(buttons[3]->hasFocus());
        QVERIFY(strip.grab().save(folder + QStringLiteral("/buttons.png")));
    }

    void everyPicture_rendersAtOneAndTwiceThePixels_data()
    {
        QTest::addColumn<int>("id");
        for (int id : allPictureIds())
            QTest::addRow("%d", id) << id;
    }
    void everyPicture_rendersAtOneAndTwiceThePixels()
    {
        QFETCH(int, id);
        const QPixmap one = Immagine(id, QSize(), 1.0);
        const QPixmap two = Immagine(id, QSize(), 2.0);
        QVERIFY(!one.isNull());
        QVERIFY(!two.isNull());
        QCOMPARE(two.size(), one.size() * 2);
        QCOMPARE(two.deviceIndependentSize(), one.deviceIndependentSize());
        // Something is drawn: a fair part of the canvas is covered.
        const QImage img = one.toImage();
        int covered = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                covered += img.pixelColor(x, y).alpha() > 0;
        QVERIFY2(covered > img.width() * img.height() / 10, qPrintable(QString::number(covered)));
    }

    void unknownIds_giveNullPictures_data()
    {
        QTest::addColumn<int>("id");
        for (int id : {0, -1, 100, 143, 1100, 1143, 4101, 4999, 5008, 5999, 6002, 7008, 8000})
            QTest::addRow("%d", id) << id;
    }
    void unknownIds_giveNullPictures()
    {
        QFETCH(int, id);
        QVERIFY(Immagine(id, QSize(80, 30), 1.0).isNull());
    }

    void explicitSize_isHonoured()
    {
        const QPixmap pm = Immagine(3111, QSize(150, 50), 2.0);
        QCOMPARE(pm.size(), QSize(300, 100));
        QCOMPARE(pm.devicePixelRatio(), 2.0);
    }

    void faces_carryTheLanguagesWords()
    {
        const QSize s(112, 40);
        // "OK" is the same word everywhere; "Salva" and "Save" are not.
        QCOMPARE(Immagine(111, s).toImage(), Immagine(3111, s).toImage());
        QVERIFY(Immagine(101, s).toImage() != Immagine(3101, s).toImage());
        QVERIFY(Immagine(1101, s).toImage() != Immagine(2101, s).toImage());
    }

    void evenFaces_areGreyedButConnectAndDisconnectAreFacesOfTheirOwn()
    {
        const QSize s(112, 40);
        QVERIFY(Immagine(3102, s).toImage() != Immagine(3101, s).toImage());
        QVERIFY(colouredShare(Immagine(3102, s).toImage()) < 0.01);
        // 119 and 120 are both live, coloured faces, and they differ.
        QVERIFY(colouredShare(Immagine(3119, s).toImage()) > 0.2);
        QVERIFY(colouredShare(Immagine(3120, s).toImage()) > 0.2);
        QVERIFY(Immagine(3119, s).toImage() != Immagine(3120, s).toImage());
    }

    void pictureButton_paintsDisabledPressedAndFocusedDifferently()
    {
        PictureButton b;
        b.setFaceIds(3101, 3101, 3102);
        b.resize(112, 40);
        const QImage normal = b.grab().toImage();
        b.setEnabled(false);
        const QImage disabled = b.grab().toImage();
        b.setEnabled(true);
        b.setDown(true);
        const QImage pressed = b.grab().toImage();
        b.setDown(false);
        QVERIFY(disabled != normal);
        QVERIFY(pressed != normal);
        QVERIFY(pressed != disabled);
        QVERIFY(colouredShare(disabled) < colouredShare(normal) + 0.01);
        // A chosen option stands out from the others.
        b.setCheckable(true);
        b.setChecked(true);
        QVERIFY(colouredShare(b.grab().toImage()) > colouredShare(normal) + 0.2);
    }

    void pictureButton_withFocus_showsARing()
    {
        QWidget window;
        auto *b = new PictureButton(&window);
        auto *other = new QPushButton(&window);
        other->move(0, 50);
        b->setFaceIds(111, 111, 112);
        b->resize(112, 40);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        other->setFocus();
        QTRY_VERIFY(other->hasFocus());
        const QImage unfocused = b->grab().toImage();
        b->setFocus();
        QTRY_VERIFY(b->hasFocus());
        QVERIFY(b->grab().toImage() != unfocused);
    }

    void pictureButton_paintsAtTheWidgetsSize()
    {
        PictureButton b;
        b.setFaceIds(3137, 3137, 3138);
        b.resize(180, 60);
        const QImage img = b.grab().toImage();
        QCOMPARE(img.size(), QSize(180, 60) * b.devicePixelRatioF());
        // The face reaches the widget's edges, not a fixed-size bitmap in a corner.
        QVERIFY(img.pixelColor(img.width() - 3, img.height() / 2).alpha() > 0);
        QVERIFY(img.pixelColor(img.width() / 2, img.height() - 4).alpha() > 0);
        QVERIFY(!b.sizeHint().isEmpty());
    }

    void caricaImmagine_oddSetsNormalAndPressed_evenSetsDisabled()
    {
        PictureButton b;
        CaricaImmagine(3104, &b);
        CaricaImmagine(3103, &b);
        QCOMPARE(b.normalId(), 3103);
        QCOMPARE(b.pressedId(), 3103);
        QCOMPARE(b.disabledId(), 3104);
        CaricaImmagine(5002, &b);
        QCOMPARE(b.normalId(), 5002);
        QCOMPARE(b.pressedId(), 5002);
        QCOMPARE(b.disabledId(), 5002);
        CaricaImmagine(4101, &b);  // missing: left alone
        QCOMPARE(b.normalId(), 5002);
    }

    void caricaImmagine_givesLabelsAPixmapAtTheirPixelRatio()
    {
        QLabel label;
        CaricaImmagine(5004, &label);
        const QPixmap pm = label.pixmap();
        QVERIFY(!pm.isNull());
        QCOMPARE(pm.devicePixelRatio(), label.devicePixelRatioF());

        QLabel fixed;
        fixed.setFixedSize(200, 60);
        CaricaImmagine(6001, &fixed);
        QCOMPARE(fixed.pixmap().deviceIndependentSize().toSize(), QSize(200, 60));

        QLabel untouched;
        CaricaImmagine(999, &untouched);
        QVERIFY(untouched.pixmap().isNull());
    }

    void caricaImmagine_givesOrdinaryButtonsAnIcon()
    {
        QPushButton button;
        CaricaImmagine(7002, &button);
        QVERIFY(!button.icon().isNull());
        QCOMPARE(button.iconSize(), QSize(24, 24));
        CaricaImmagine(0, nullptr);  // nothing to do, nothing breaks
    }
};

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
