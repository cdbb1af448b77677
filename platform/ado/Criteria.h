#pragma once
// Internal: the Filter criteria and Sort keys of a record set, parsed once
// and applied to row values.

#include "vb/Variant.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace ado::detail {

// Field position for a name (letter case ignored), -1 when there is none.
using FieldLookup = std::function<int(const QString &)>;

class Criteria {
public:
    // 3001 for text that is not criteria, 3265 for an unknown field.
    static std::unique_ptr<Criteria> parse(const QString &text, const FieldLookup &lookup);
    bool matches(const std::vector<vb::Variant> &row) const;
    std::vector<int> fieldsUsed() const;

    struct Node;
    ~Criteria();
    std::unique_ptr<Node> root;
};

struct SortKey {
    int field;
    bool descending;
};
// "Name [ASC|DESC], ..."; 3001 for bad text, 3265 for an unknown field.
std::vector<SortKey> parseSort(const QString &text, const FieldLookup &lookup);

} // namespace ado::detail
