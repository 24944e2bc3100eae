#pragma once
// Field values of the table store: null, integer, float or text.

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

namespace gvm::db {

using Value = std::variant<std::monostate, std::int64_t, double, std::string>;

inline bool IsNull(const Value& v) { return std::holds_alternative<std::monostate>(v); }

// The numeric value of an integer or float, nothing for null and text.
std::optional<double> NumberOf(const Value& v);

// Total order used by the cursors' orders: null first, then numbers by value, then texts
// (ASCII letter case folded, ties by bytes).
int CompareValues(const Value& a, const Value& b);

// Equality as the matching of records needs it: null equals only null, numbers by value
// (integer 3 equals float 3.0), texts exactly.
bool SameValue(const Value& a, const Value& b);

// Text of a value as the fields show it ("" for null, shortest round-trip form for floats).
std::string ValueText(const Value& v);

}  // namespace gvm::db
