#include <QTreeWidget>
#include <QtTest>

#include "link/widgets/restoreimagedialog.h"
#include "ui/common/pictures.h"

namespace {

ImageBackup backup(const QString &serial, const QString &stamp)
{
    const QDateTime taken = QDateTime::fromString(stamp, QStringLiteral("yyyyMMdd-HHmmss"));
    return {QStringLiteral("/app/BACKUP/%1/%2.PRG").arg(serial, stamp), serial, taken};
}

// Connected ECU "A1234567" first, then the others, each newest first.
QList<ImageBackup> sample()
{
    return {backup("A1234567", "20240305-091502"), backup("A1234567", "20231130-175959"),
            backup("B7654321", "20240401-080000"), backup("C0000001", "20220101-000001")};
}

FrameState italian()
{
    FrameState f;
    f.LinguaCorrente = 1;
    return f;
}

}   // namespace

class TstRestoreImageDialog : public QObject {
    Q_OBJECT
private slots:
    void listKeepsOrderAndMarksTheConnectedEcu_data()
    {
        QTest::addColumn<QString>("connected");
        QTest::addColumn<QString>("marked");   // one flag per row
        QTest::addColumn<int>("preselected");
        QTest::newRow("connected ECU has backups") << "A1234567"
                                                   << "1100" << 0;
        QTest::newRow("blanks of the fixed field") << "A1234567 "
                                                   << "1100" << 0;
        QTest::newRow("connected ECU has none") << "Z9999999"
                                                << "0000" << -1;
        QTest::newRow("no ECU serial") << ""
                                       << "0000" << -1;
    }
    void listKeepsOrderAndMarksTheConnectedEcu()
    {
        QFETCH(QString, connected);
        QFETCH(QString, marked);
        QFETCH(int, preselected);
        const FrameState frame = italian();
        const QList<ImageBackup> list = sample();
        RestoreImageDialog dlg(frame, list, connected);
        QTreeWidget *t = dlg.Copie();
        QCOMPARE(t->headerItem()->text(0), QStringLiteral("Matricola"));
        QCOMPARE(t->headerItem()->text(1), QStringLiteral("Data e ora della copia"));
        QCOMPARE(t->topLevelItemCount(), list.size());
        const QStringList dates{"05/03/2024 09:15:02", "30/11/2023 17:59:59", "01/04/2024 08:00:00",
                                "01/01/2022 00:00:01"};
        for (int r = 0; r < list.size(); ++r) {
            const QTreeWidgetItem *it = t->topLevelItem(r);
            QCOMPARE(it->text(0), list[r].serial);
            QCOMPARE(it->text(1), dates[r]);
            const bool mark = marked[r] == QLatin1Char('1');
            QCOMPARE(dlg.isConnectedRow(r), mark);
            QCOMPARE(it->font(0).bold(), mark);
            QCOMPARE(it->font(1).bold(), mark);
            QCOMPARE(it->icon(0).pixmap(10).toImage().pixel(5, 5) != 0, mark);
        }
        const QList<QTreeWidgetItem *> sel = t->selectedItems();
        QCOMPARE(sel.isEmpty() ? -1 : t->indexOfTopLevelItem(sel.first()), preselected);
        QCOMPARE(dlg.Ripristina()->isEnabled(), preselected >= 0);
    }

    void restoreFollowsTheSelection_data()
    {
        QTest::addColumn<int>("select");   // -1: leave as preselected
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<int>("result");
        QTest::newRow("preselected, Ripristina") << -1 << "Ripristina" << 0 << int(QDialog::Accepted);
        QTest::newRow("other ECU, F1") << 2 << "F1" << 2 << int(QDialog::Accepted);
        QTest::newRow("older backup, double-click") << 1 << "double" << 1 << int(QDialog::Accepted);
        QTest::newRow("Esci") << 3 << "Esci" << -1 << int(QDialog::Rejected);
        QTest::newRow("Esc") << 3 << "Escape" << -1 << int(QDialog::Rejected);
        QTest::newRow("window frame") << 1 << "close" << -1 << int(QDialog::Rejected);
    }
    void restoreFollowsTheSelection()
    {
        QFETCH(int, select);
        QFETCH(QString, how);
        const FrameState frame = italian();
        RestoreImageDialog dlg(frame, sample(), QStringLiteral("A1234567"));
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QTreeWidget *t = dlg.Copie();
        if (select >= 0)
            t->setCurrentItem(t->topLevelItem(select));
        if (how == QLatin1String("Ripristina") || how == QLatin1String("Esci")) {
            QTest::mouseClick(dlg.findChild<PictureButton *>(how), Qt::LeftButton);
        } else if (how == QLatin1String("F1")) {
            QTest::keyClick(&dlg, Qt::Key_F1);
        } else if (how == QLatin1String("Escape")) {
            QTest::keyClick(&dlg, Qt::Key_Escape);
        } else if (how == QLatin1String("close")) {
            dlg.close();
        } else {
            QWidget *vp = t->viewport();
            const QPoint at = t->visualItemRect(t->topLevelItem(select)).center();
            // A double-click is a click followed by the second press, as a mouse sends it.
            QTest::mouseClick(vp, Qt::LeftButton, {}, at);
            QTest::mouseDClick(vp, Qt::LeftButton, {}, at);
        }
        QVERIFY(!dlg.isVisible());
        QTEST(dlg.chosen(), "chosen");
        QTEST(dlg.result(), "result");
    }

    void nothingSelected_restoresNothing()
    {
        const FrameState frame = italian();
        RestoreImageDialog dlg(frame, sample(), QStringLiteral("Z9999999"));
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QVERIFY(!dlg.Ripristina()->isEnabled());
        QTest::keyClick(&dlg, Qt::Key_F1);
        QVERIFY(dlg.isVisible());
        QCOMPARE(dlg.chosen(), -1);

        dlg.Copie()->setCurrentItem(dlg.Copie()->topLevelItem(3));
        QVERIFY(dlg.Ripristina()->isEnabled());
        dlg.Copie()->clearSelection();
        QVERIFY(!dlg.Ripristina()->isEnabled());
    }
};

QTEST_MAIN(TstRestoreImageDialog)
#include "tst_restoreimagedialog.moc"
