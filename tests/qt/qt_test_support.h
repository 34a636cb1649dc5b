// Helpers shared by the Qt desktop's tests.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "platform/qt/qt_platform.h"
#include "platform/qt/qt_window.h"

namespace corvane::platform::testing {

inline bool isBlack(const QImage& image, int x, int y) {
    return image.valid(x, y) && (image.pixel(x, y) & 0xFFFFFF) == 0;
}

inline int countBlack(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) count += isBlack(image, x, y);
    }
    return count;
}

inline QtWindow& qtWindow(Window& window) { return dynamic_cast<QtWindow&>(window); }

// What the canvas widget shows now, as it would be painted on screen.
inline QImage grabCanvas(Window& window) {
    QtWindow& w = qtWindow(window);
    QApplication::processEvents();
    return w.canvas()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Runs `inspect` on the next modal dialog, from inside the dialog's own event
// loop; `inspect` is expected to close it. A dialog still open two seconds
// later is a failure and gets closed, so a broken dialog cannot hang the run.
inline void whenModalAppears(std::function<void(QWidget*)> inspect) {
    auto* timer = new QTimer;
    QElapsedTimer waited;
    waited.start();
    QObject::connect(timer, &QTimer::timeout, [timer, inspect, waited] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal && waited.elapsed() < 5000) return;
        timer->stop();
        timer->deleteLater();
        if (!modal) {
            ADD_FAILURE() << "no modal dialog appeared";
            return;
        }
        QPointer<QWidget> dialog = modal;
        inspect(modal);
        QTimer::singleShot(2000, [dialog] {
            if (dialog && dialog->isVisible()) {
                ADD_FAILURE() << "the dialog was left open";
                dialog->close();
            }
        });
    });
    timer->start(10);
}

}  // namespace corvane::platform::testing
