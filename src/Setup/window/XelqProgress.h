#pragma once

#include <QWidget>

namespace velmora {

// The installation's progress bar: 0 to 100 with the percentage as centred text. The installation
// holds the UI thread while it counts, so the bar paints itself at once instead of waiting for the
// event loop; to keep that cheap it paints only when the percentage has moved by the repaint
// threshold, or has reached either end. In between it keeps its old picture until the window is
// repainted anyway.
class TXelqProgress final : public QWidget {
public:
    static constexpr int kMinimum = 0;
    static constexpr int kMaximum = 100;
    // How far the percentage must move before the bar paints at once.
    static constexpr int kRepaintThreshold = 5;

    explicit TXelqProgress(QWidget* parent = nullptr);

    int Position() const { return position_; }
    // Clamps value into the range.
    void SetPosition(int value);

    // The percentage the bar shows now: over the range 0 to 100 it is the position itself.
    int Percentage() const { return position_; }
    // The percentage of the picture on screen.
    int PaintedPercentage() const { return paintedPercentage_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool MustPaintAtOnce() const;

    int position_ = kMinimum;
    int paintedPercentage_ = 0;
};

} // namespace velmora
