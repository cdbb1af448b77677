#pragma once
// The classic tabbed dialog control: tabs holding child pages, the current
// tab by number from 0, a Click that tells the tab that was left (also when
// code changes the tab), and KeyPress with the character code of a key typed
// while the tab row has the focus.

#include <QTabWidget>

namespace controls {

class TabStrip : public QTabWidget {
    Q_OBJECT
public:
    explicit TabStrip(QWidget *parent = nullptr);

    // The current tab, from 0; setting it raises Click when it changes.
    int tab() const { return currentIndex(); }
    void setTab(int index);
    // Adds a page with its caption; returns its number.
    int addPage(QWidget *page, const QString &caption);

signals:
    void Click(int previousTab);
    void KeyPress(int keyAscii);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int m_current = -1;
};

} // namespace controls
