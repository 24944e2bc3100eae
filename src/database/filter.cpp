#include "database/filter.h"

#include <cctype>
#include <cmath>

#include "base/errors.h"
#include "base/numfmt.h"
#include "base/text.h"

namespace gvm::db {

namespace {

class FilterParser {
public:
    explicit FilterParser(std::string_view text) : text_(text) {}

    std::vector<FilterTerm> Parse() {
        std::vector<FilterTerm> terms;
        SkipBlanks();
        if (AtEnd()) return terms;
        for (;;) {
            terms.push_back(Term());
            SkipBlanks();
            if (AtEnd()) break;
            if (!Keyword("AND")) Error();
        }
        return terms;
    }

private:
    FilterTerm Term() {
        FilterTerm t;
        t.field = Identifier();
        t.op = Operator();
        t.value = Literal();
        return t;
    }

    std::string Identifier() {
        SkipBlanks();
        const std::size_t start = pos_;
        while (!AtEnd() && (std::isalnum(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '_'))
            ++pos_;
        if (pos_ == start) Error();
        return std::string(text_.substr(start, pos_ - start));
    }

    FilterTerm::Op Operator() {
        SkipBlanks();
        static constexpr struct {
            std::string_view token;
            FilterTerm::Op op;
        } kOps[] = {{"<>", FilterTerm::Ne}, {"<=", FilterTerm::Le}, {">=", FilterTerm::Ge},
                    {"=", FilterTerm::Eq},  {"<", FilterTerm::Lt},  {">", FilterTerm::Gt}};
        for (const auto& o : kOps) {
            if (text_.substr(pos_, o.token.size()) == o.token) {
                pos_ += o.token.size();
                return o.op;
            }
        }
        Error();
    }

    Value Literal() {
        SkipBlanks();
        if (AtEnd()) Error();
        if (text_[pos_] == '\'') {
            std::string s;
            for (++pos_;; ++pos_) {
                if (AtEnd()) Error();
                if (text_[pos_] == '\'') {
                    if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
                        s += '\'';
                        ++pos_;
                        continue;
                    }
                    ++pos_;
                    return s;
                }
                s += text_[pos_];
            }
        }
        const std::size_t start = pos_;
        while (!AtEnd() && !std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
        const std::string_view token = text_.substr(start, pos_ - start);
        if (IEquals(token, "NULL")) return Value{};
        const auto number = ParseFloat(token);
        if (!number) Error();
        // Whole numbers without point or exponent compare as integers; the range test comes
        // first because converting a double beyond int64 is undefined.
        if (token.find_first_of(".eE") == std::string_view::npos && std::fabs(*number) < 9.0e18 &&
            *number == std::trunc(*number))
            return static_cast<std::int64_t>(*number);
        return *number;
    }

    bool Keyword(std::string_view word) {
        SkipBlanks();
        if (!IEquals(text_.substr(pos_, word.size()), word)) return false;
        pos_ += word.size();
        return true;
    }

    void SkipBlanks() {
        while (!AtEnd() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    }
    bool AtEnd() const { return pos_ >= text_.size(); }
    [[noreturn]] void Error() const {
        throw EDatabaseError("Ungültiger Filterausdruck: " + std::string(text_));
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

}  // namespace

std::vector<FilterTerm> ParseFilter(std::string_view expression) {
    return FilterParser(expression).Parse();
}

bool Matches(const FilterTerm& term, const Record& rec) {
    if (term.index < 0) return false;
    const Value& v = rec.values[static_cast<std::size_t>(term.index)];
    switch (term.op) {
        case FilterTerm::Eq: return SameValue(v, term.value);
        case FilterTerm::Ne: return !SameValue(v, term.value);
        case FilterTerm::Lt: return CompareValues(v, term.value) < 0;
        case FilterTerm::Gt: return CompareValues(v, term.value) > 0;
        case FilterTerm::Le: return CompareValues(v, term.value) <= 0;
        case FilterTerm::Ge: return CompareValues(v, term.value) >= 0;
    }
    return false;
}

}  // namespace gvm::db
