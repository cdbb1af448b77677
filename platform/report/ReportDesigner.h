#pragma once
// The report designer control: the report's sections as bands, their objects
// as boxes that are selected, moved and resized with the mouse or the arrow
// keys, with font and format set on the selected object. It edits a copy of
// the report and tells when it differs from what was loaded or last saved.

#include "report/Model.h"

#include <QWidget>

namespace report {

class ReportDesigner : public QWidget {
    Q_OBJECT
public:
    explicit ReportDesigner(QWidget *parent = nullptr);

    void setReport(const Report &report);
    const Report &report() const { return m_report; }

    bool isModified() const { return m_modified; }
    void setModified(bool modified);

    // The selected object: its section and position there; -1 for none.
    SectionKind selectedSection() const { return m_section; }
    int selectedIndex() const { return m_index; }
    const ReportObject *selectedObject() const;
    void selectObject(SectionKind section, int index);

    // Edits of the selected object (nothing selected: nothing happens).
    void moveSelected(int dxTwips, int dyTwips);
    void resizeSelected(int dwTwips, int dhTwips);
    void setSelectedFont(const Font &font);
    // A Format pattern for a field object; raises 5 for another kind.
    void setSelectedFormat(const QString &format);

    // Where a section's band starts in the control, in pixels (for tests and hit tests).
    QRect bandRect(SectionKind section) const;
    QRect objectRect(SectionKind section, int index) const;

    QSize sizeHint() const override;

signals:
    void modifiedChanged(bool modified);
    void selectionChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    enum class Drag { None, Move, Resize };
    ReportObject *selected();
    void changed();
    // Grows the selected object's band to hold it.
    void holdSelected();

    Report m_report;
    SectionKind m_section = SectionKind::Detail;
    int m_index = -1;
    bool m_modified = false;
    Drag m_drag = Drag::None;
    QPoint m_dragStart;
    ReportObject m_before;
};

// What the Font dialog's choice `chosen` means for an object in `current`,
// when the dialog showed it as `shown` (the family a missing one resolves
// to, the weight it found): a family, weight or slant left as shown keeps
// the object's own, so changing only the size keeps bold Arial bold Arial.
Font chosenFont(const Font &current, const Font &shown, const Font &chosen);

// Why a Format pattern cannot serve a field of `adoType`, or empty text when
// it can: an unclosed quote, a trailing backslash, more than four sections,
// or a pattern that fails on a value of the field's kind.
QString formatPatternProblem(const QString &pattern, int adoType);

} // namespace report
