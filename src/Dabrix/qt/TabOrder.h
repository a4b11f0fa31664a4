#pragma once

#include <QWidget>
#include <initializer_list>

namespace velmora {

// Tab moves through the widgets in the order given, each after the one before it.
inline void SetTabOrder(std::initializer_list<QWidget*> chain) {
    QWidget* previous = nullptr;
    for (QWidget* widget : chain) {
        if (previous != nullptr)
            QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
}

} // namespace velmora
