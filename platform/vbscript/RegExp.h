#pragma once
// The engine's built-in RegExp class (`New RegExp`): Pattern, IgnoreCase,
// Global, Multiline, Test, Execute (a Matches collection of Match objects
// with SubMatches) and Replace with $1 ... $99, $&, $`, $' and $$.

#include "com/HostObject.h"

#include <QRegularExpression>

namespace vbs {

class RegExpObject : public com::HostClass<RegExpObject> {
public:
    static com::DispatchTable<RegExpObject> describe();

    QString pattern;
    bool ignoreCase = false;
    bool global = false;
    bool multiline = false;

    bool test(const QString &text);
    vb::Variant execute(const QString &text);
    QString replace(const QString &text, const QString &replacement);

private:
    const QRegularExpression &compiled(); // 5017 "Syntax error in regular expression"
    QRegularExpression m_re;
    QString m_compiledPattern;
    int m_compiledFlags = -1;
};

class MatchObject : public com::HostClass<MatchObject> {
public:
    static com::DispatchTable<MatchObject> describe();
    QString value;
    int32_t firstIndex = 0; // 0-based, as the classic object counts
    std::vector<vb::Variant> subMatches; // Empty for a group that took no part
};

class MatchesObject : public com::HostClass<MatchesObject> {
public:
    static com::DispatchTable<MatchesObject> describe();
    std::vector<vb::Variant> enumerate() override { return items; }
    std::vector<vb::Variant> items;
};

class SubMatchesObject : public com::HostClass<SubMatchesObject> {
public:
    static com::DispatchTable<SubMatchesObject> describe();
    std::vector<vb::Variant> enumerate() override { return items; }
    std::vector<vb::Variant> items;
};

} // namespace vbs
