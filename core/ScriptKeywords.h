#pragma once
// The language elements the script references list under "Functions",
// "Statements" and "Operators". The map designer and the communications
// window show the same names in the same order, so one table serves both.

#include <QStringList>

namespace core {

// 93 function names, positions counted from 0.
const QStringList &varFunctionNames();
// 27 statement snippets.
const QStringList &varStatementNames();
// 21 operators.
const QStringList &varOperatorNames();

} // namespace core
