#pragma once
#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

// Acts on the dialog the next exec() opens; one left open is closed, so a failure cannot hang.
inline void whenModal(std::function<void(QWidget *)> action)
{
    QTimer::singleShot(0, qApp, [action] {
        QPointer<QWidget> w = QApplication::activeModalWidget();
        if (w)
            action(w);
        if (w && w->isVisible())
            w->close();
    });
}
