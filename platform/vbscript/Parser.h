#pragma once
// Builds the tree of one script text. Names are left unresolved (NameExpr,
// CallExpr); declarations are collected into the unit, its procedures and
// its classes for the resolver.

#include "Ast.h"
#include "Lexer.h"

namespace vbs {

// Parses a whole text (AddCode, Execute, ExecuteGlobal). Throws CompileError.
std::unique_ptr<Unit> parseProgram(const QString &text);

// Parses a single expression (Eval). Throws CompileError.
ExprPtr parseExpression(const QString &text);

} // namespace vbs
