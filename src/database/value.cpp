#include "database/value.h"

#include <cstring>

#include "base/numfmt.h"

namespace gvm::db {

std::optional<double> NumberOf(const Value& v) {
    if (const auto* i = std::get_if<std::int64_t>(&v)) return static_cast<double>(*i);
    if (const auto* d = std::get_if<double>(&v)) return *d;
    return std::nullopt;
}

namespace {

int CompareText(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y) ? -1 : 1;
    }
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int Rank(const Value& v) {
    if (IsNull(v)) return 0;
    if (std::holds_alternative<std::string>(v)) return 2;
    return 1;
}

}  // namespace

int CompareValues(const Value& a, const Value& b) {
    const int ra = Rank(a), rb = Rank(b);
    if (ra != rb) return ra < rb ? -1 : 1;
    if (ra == 0) return 0;
    if (ra == 2) return CompareText(std::get<std::string>(a), std::get<std::string>(b));
    const auto* ia = std::get_if<std::int64_t>(&a);
    const auto* ib = std::get_if<std::int64_t>(&b);
    if (ia && ib) return *ia < *ib ? -1 : (*ia > *ib ? 1 : 0);
    const double x = *NumberOf(a), y = *NumberOf(b);
    return x < y ? -1 : (x > y ? 1 : 0);
}

bool SameValue(const Value& a, const Value& b) {
    const int ra = Rank(a), rb = Rank(b);
    if (ra != rb) return false;
    if (ra == 0) return true;
    if (ra == 2) return std::get<std::string>(a) == std::get<std::string>(b);
    const auto* ia = std::get_if<std::int64_t>(&a);
    const auto* ib = std::get_if<std::int64_t>(&b);
    if (ia && ib) return *ia == *ib;
    return *NumberOf(a) == *NumberOf(b);
}

std::string ValueText(const Value& v) {
    if (const auto* i = std::get_if<std::int64_t>(&v)) return std::to_string(*i);
    if (const auto* d = std::get_if<double>(&v)) return FormatRoundTrip(*d);
    if (const auto* s = std::get_if<std::string>(&v)) return *s;
    return {};
}

}  // namespace gvm::db
