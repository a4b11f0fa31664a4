#include "Setup/window/XelqProgress.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionProgressBar>
#include <algorithm>
#include <cstdlib>

namespace velmora {

TXelqProgress::TXelqProgress(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("XelqProgress1"));
}

void TXelqProgress::SetPosition(int value) {
    if (value == position_)
        return;
    position_ = std::clamp(value, kMinimum, kMaximum);
    if (MustPaintAtOnce())
        repaint(); // not update(): the installation gives the event loop no chance to paint
}

bool TXelqProgress::MustPaintAtOnce() const {
    const int percentage = Percentage();
    if (percentage == paintedPercentage_)
        return false;
    return std::abs(percentage - paintedPercentage_) >= kRepaintThreshold || percentage == 0 ||
           percentage == 100;
}

void TXelqProgress::paintEvent(QPaintEvent*) {
    QStyleOptionProgressBar option;
    option.initFrom(this);
    option.minimum = kMinimum;
    option.maximum = kMaximum;
    option.progress = Percentage();
    option.text = QString::asprintf("%d%%", option.progress);
    option.textAlignment = Qt::AlignCenter;
    option.textVisible = true;
    option.state |= QStyle::State_Horizontal;

    QPainter painter(this);
    style()->drawControl(QStyle::CE_ProgressBar, &option, &painter, this);
    paintedPercentage_ = option.progress;
}

} // namespace velmora
