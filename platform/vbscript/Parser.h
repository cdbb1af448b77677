#pragma once
// Builds the tree of one script text. Names are left unresolved (NameExpr,
// CallExpr); declarations are collected into the unit, its procedures and
// its classes for the resolver.

#include "Ast.h"
#include "Lexer.h"

namespace vbs {

// Parses a whole text (AddCode, Execute, ExecuteGlobal). Throws CompileError.
// `inClass`: the text runs inside a method of a class (Execute), so Me is valid.
std::unique_ptr<Unit> parseProgram(const QString &text, bool inClass = false);

// Parses a single expression (Eval). Throws CompileError.
ExprPtr parseExpression(const QString &text, bool inClass = false);

} // namespace vbs
