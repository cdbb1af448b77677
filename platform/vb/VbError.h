#pragma once
// Run-time errors of the classic runtime and of the data layer, carried as
// one C++ exception type. A procedure that "traps its own errors" catches it.

#include <QString>
#include <cstdint>
#include <stdexcept>

namespace vb {

class VbError : public std::exception {
public:
    VbError(int32_t number, QString description = {}, QString source = {});

    int32_t number;
    QString description; // the classic text for the number when none is given
    QString source;
    // What the error came from (the class tried, the cause a plug-in turned
    // into its own number), for the record only: History entries and logs
    // carry it after the description, message boxes show the description.
    QString detail;

    // The description, followed by the detail when there is one.
    QString recordedText() const;

    const char *what() const noexcept override;

private:
    mutable std::string m_what;
};

// The classic description of a run-time error number ("Type mismatch" for 13 ...),
// or "Application-defined or object-defined error" for numbers it does not know.
QString errorText(int32_t number);

// Shorthand for raising: vb::raise(13) or vb::raise(1001, "Invalid key").
[[noreturn]] void raise(int32_t number, const QString &description = {}, const QString &source = {});

} // namespace vb
