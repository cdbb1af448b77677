#pragma once
// The classic progress bar: Min, Max and Value as numbers; the bar draws
// Value between Min and Max. Values outside the range raise 380.

#include <QProgressBar>

namespace controls {

class ProgressBar : public QProgressBar {
    Q_OBJECT
public:
    explicit ProgressBar(QWidget *parent = nullptr);

    int min() const { return minimum(); }
    void setMin(int value);
    int max() const { return maximum(); }
    void setMax(int value);
    int value() const { return QProgressBar::value(); }
    void setValue(int value);
};

} // namespace controls
