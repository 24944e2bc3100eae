#pragma once
// Filter expressions of the cursors: comparisons of a field with a literal joined by AND,
// such as "Name = 'R1' AND ID_Rollot <> 17".

#include <string>
#include <string_view>
#include <vector>

#include "database/store.h"

namespace gvm::db {

struct FilterTerm {
    enum Op { Eq, Ne, Lt, Gt, Le, Ge };
    std::string field;
    Op op = Eq;
    Value value;
    int index = -1;  // field index in the filtered table, resolved by the cursor
};

// Throws EDatabaseError naming the expression when it cannot be read.
std::vector<FilterTerm> ParseFilter(std::string_view expression);

// True when the record satisfies the term; a term whose field is unknown fails.
bool Matches(const FilterTerm& term, const Record& rec);

}  // namespace gvm::db
