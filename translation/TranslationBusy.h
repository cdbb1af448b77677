#pragma once
// One translation at a time: the inbound and outbound runs yield to window
// messages, so a timer or another window could start a second run inside the
// first, sharing its script control and its record set. A run holds this
// guard for its whole length; a run that cannot take it is refused.

#include <QString>

namespace translation {

class TranslationBusy {
public:
    TranslationBusy();
    ~TranslationBusy();
    TranslationBusy(const TranslationBusy &) = delete;
    TranslationBusy &operator=(const TranslationBusy &) = delete;

    // False when another run held the guard already.
    bool acquired() const { return m_acquired; }

    static bool isBusy();

    // What a refused run does: a History "Warning" "A translation is already
    // in progress" and, unless silent, the same text in a box.
    static void reportRefused(bool silent);

private:
    bool m_acquired;
};

} // namespace translation
