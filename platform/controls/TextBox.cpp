#include "controls/TextBox.h"

#include <QValidator>

namespace controls {

// The line edit undoes a user edit that its validator calls invalid, while
// text set by code is kept whatever the validator says.
class LengthLimit final : public QValidator {
public:
    explicit LengthLimit(TextBox *box) : QValidator(box), m_box(box) {}

    State validate(QString &input, int &) const override
    {
        const int max = m_box->m_max;
        const bool grows = input.size() > m_box->m_lastLength;
        return max > 0 && input.size() > max && grows ? Invalid : Acceptable;
    }

private:
    TextBox *m_box;
};

TextBox::TextBox(QWidget *parent) : QLineEdit(parent)
{
    // QLineEdit's own limit would cut text set by code: keep it out of the way.
    QLineEdit::setMaxLength(32767);
    setValidator(new LengthLimit(this));
    connect(this, &QLineEdit::textChanged, this, [this](const QString &text) { m_lastLength = int(text.size()); });
}

void TextBox::setMaxLength(int length)
{
    m_max = length < 0 ? 0 : length;
}

} // namespace controls

namespace controls {

void TextBox::setText(const QString &text)
{
    // Seen by the validator as no growth, so the text counts as valid and a
    // following user edit that lengthens it is undone.
    m_lastLength = int(text.size());
    QLineEdit::setText(text);
}

} // namespace controls
