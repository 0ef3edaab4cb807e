#include <QtTest>

#include "ui/common/pictures.h"

class TestPictures : public QObject {
    Q_OBJECT
private slots:
    void everyPicture_rendersAtOneAndTwiceThePixels_data()
    {
        QTest::addColumn<int>("id");
        for (int lang = 0; lang < 4; ++lang)
            for (int b = 101; b <= 142; ++b)
                QTest::addRow("%d", b + 1000 * lang) << b + 1000 * lang;
        for (int id : {5000, 5001, 5002, 5003, 5004, 5005, 5006, 5007, 6000, 6001})
            QTest::addRow("%d", id) << id;
        for (int id = 7000; id <= 7007; ++id)
            QTest::addRow("%d", id) << id;
    }
    void everyPicture_rendersAtOneAndTwiceThePixels()
    {
        QFETCH(int, id);
        const QPixmap one = Immagine(id, QSize(), 1.0);
        const QPixmap two = Immagine(id, QSize(), 2.0);
        QVERIFY(!one.isNull());
        QCOMPARE(two.size(), one.size() * 2);
        QCOMPARE(two.deviceIndependentSize(), one.deviceIndependentSize());
        const QImage img = one.toImage();   // something is drawn: a fair part of the canvas is covered
        int covered = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                covered += img.pixelColor(x, y).alpha() > 0;
        QVERIFY2(covered > img.width() * img.height() / 10, qPrintable(QString::number(covered)));
        if (id < 5000 && id % 2)   // a button face: its greyed twin must look different
            QVERIFY(Immagine(id + 1, QSize(), 1.0).toImage() != img);
    }

    void unknownIds_giveNullPictures()
    {
        for (int id : {0, 143, 1100, 4101, 5008, 6002, 7008})
            QVERIFY2(Immagine(id, QSize(80, 30), 1.0).isNull(), qPrintable(QString::number(id)));
    }

    void pictureButton_paintsDisabledAndPressedDifferently()
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
        QVERIFY(disabled != normal && pressed != normal && pressed != disabled);
        QCOMPARE(normal.size(), QSize(112, 40) * b.devicePixelRatioF());
    }
};

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
