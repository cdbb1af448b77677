#pragma once
// One translation at a time: the inbound and outbound runs yield to window
// messages, so a timer or another window could start a second run inside the
// first, sharing its script control and its record set. A run holds this
// guard for its whole length; a run that cannot take it is refused. The
// guard also holds the program's busy scope, so exit and other long work are
// refused while a translation yields (work that started the translation
// itself, a report command or a job, has it joined).

#include "core/BusyScope.h"

#include <QString>

#include <optional>

namespace translation {

class TranslationBusy {
public:
    TranslationBusy();
    ~TranslationBusy();
    TranslationBusy(const TranslationBusy &) = delete;
    TranslationBusy &operator=(const TranslationBusy &) = delete;

    // False when another run held the guard already, or other work holds the
    // busy scope and this run was started from inside one of its yields.
    bool acquired() const { return m_acquired; }

    static bool isBusy();

    // What a refused run does: a History "Warning" "A translation is already
    // in progress" (or the busy scope's refusal naming the other work) and,
    // unless silent, the same text in a box.
    static void reportRefused(bool silent);

private:
    bool m_acquired;
    std::optional<core::BusyScope> m_scope;
};

} // namespace translation
