#pragma once
// The classic status bar: panels numbered from 1, each with a text and a
// width in twips; one panel may be a spring that takes the width left over.

#include <QLabel>
#include <QVector>
#include <QWidget>

namespace controls {

class StatusBar : public QWidget {
    Q_OBJECT
public:
    explicit StatusBar(QWidget *parent = nullptr);

    // Appends a panel; returns its 1-based index.
    int addPanel(double widthTwips, bool spring = false);
    int panelCount() const { return static_cast<int>(m_panels.size()); }

    // Bad indexes raise 35600.
    QString panelText(int index) const;
    void setPanelText(int index, const QString &text);
    // The panel's width as laid out (a spring's share of the bar), in twips.
    double panelWidthTwips(int index) const;
    void setPanelWidthTwips(int index, double twips);
    // Left edge of the panel in the bar, in twips.
    double panelLeftTwips(int index) const;

    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    struct Panel {
        QLabel *label = nullptr;
        double widthTwips = 0;
        bool spring = false;
    };
    const Panel &panel(int index) const;
    void layoutPanels();

    QVector<Panel> m_panels;
};

} // namespace controls
