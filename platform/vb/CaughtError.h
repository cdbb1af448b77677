#pragma once
// The text of the error being handled, for the record of an error that is
// deliberately not passed on: the number and description of a classic
// error, the message of any other.

#include "vb/VbError.h"

#include <QString>
#include <exception>

namespace vb {

// Call only inside a catch block.
inline QString caughtErrorText()
{
    try {
        throw;
    } catch (const VbError &error) {
        VbError described = error;
        if (described.description.isEmpty())
            described.description = errorText(error.number);
        return QString::number(error.number) + QLatin1Char(' ') + described.recordedText();
    } catch (const std::exception &error) {
        return QString::fromLocal8Bit(error.what());
    } catch (...) {
        return QStringLiteral("an error of unknown type");
    }
}

} // namespace vb
