#pragma once
// Shows one page of a report at a time, at 100 per cent, on a grey desk.
// Small enough to embed in the viewer and designer windows.

#include <QWidget>

namespace report {

class Paginator;

class PageWidget : public QWidget {
    Q_OBJECT
public:
    explicit PageWidget(QWidget *parent = nullptr);

    // The pages to show (not owned; nullptr shows an empty desk). Shows page 1.
    void setPaginator(Paginator *paginator);
    Paginator *paginator() const { return m_paginator; }
    int pageCount() const;
    int pageIndex() const { return m_page; }    // 0-based
    void setPageIndex(int index);               // kept within the pages
    void nextPage() { setPageIndex(m_page + 1); }
    void previousPage() { setPageIndex(m_page - 1); }

    // The grey desk and shadow around the page; off shows the page alone.
    void setBackgroundEdge(bool on);
    bool backgroundEdge() const { return m_edge; }

    QSize sizeHint() const override;

signals:
    void pageChanged(int index);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Paginator *m_paginator = nullptr;
    int m_page = 0;
    bool m_edge = true;
};

} // namespace report
