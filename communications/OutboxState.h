#pragma once
// What scripts and the Send button ask of the Outbox before a send run.

namespace communications {

// True when the Outbox holds at least one row (the name is kept for the
// scripts that call it: True means there is something to send). False when
// it is empty or on error; an error goes to the Exchange log.
bool IsOutboxEmpty();

// True when every Outbox row has the status "Validated" (blanks around it
// ignored, case exact). False at the first other row, for an empty Outbox
// and on error; the empty Outbox and errors go to the Exchange log.
bool IsOutboxValidated();

} // namespace communications
