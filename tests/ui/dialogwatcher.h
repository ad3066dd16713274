#pragma once
// Answers a modal dialog from inside its event loop: polls the top-level
// widgets until a visible dialog of type T appears, then hands it to `act`.

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

template <typename T> void whenShown(std::function<void(T *)> act, int attempts = 200)
{
    QTimer::singleShot(10, [act = std::move(act), attempts]() mutable {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *dialog = qobject_cast<T *>(widget); dialog && dialog->isVisible()) {
                act(dialog);
                return;
            }
        }
        if (attempts > 0) {
            whenShown<T>(std::move(act), attempts - 1);
        }
    });
}
