#include "cli/common/jsonValues.h"

#include "cli/common/nameSuggestions.h"

#include <algorithm>
#include <cctype>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <istream>
#include <limits>
#include <set>
#include <system_error>
#include <type_traits>
#include <vector>

namespace sorvane::cli {

namespace {

std::string typeName(const Json& value) { return value.type_name(); }

}  // namespace

double readDouble(const Json& value, const std::string& field) {
    if (value.is_number()) {
        return value.get<double>();
    }
    if (value.is_string()) {
        const std::string& text = value.get_ref<const std::string&>();
        if (text == "nan") return std::numeric_limits<double>::quiet_NaN();
        if (text == "inf") return std::numeric_limits<double>::infinity();
        if (text == "-inf") return -std::numeric_limits<double>::infinity();
        throw InputError(field,
                         "expected a number or \"nan\", \"inf\", \"-inf\", got the string \"" + text + "\"");
    }
    throw InputError(field, "expected a number, got " + typeName(value));
}

float readFloat(const Json& value, const std::string& field) {
    const double d = readDouble(value, field);
    const float f = static_cast<float>(d);
    // Rounding made it infinite: say so rather than pass on an inf nobody asked
    // for. Text just past FLT_MAX, as the shortest text of FLT_MAX is, rounds down to it.
    if (std::isfinite(d) && std::isinf(f)) throw InputError(field, "out of the range of a 32-bit float");
    return f;
}

bool readBool(const Json& value, const std::string& field) {
    if (!value.is_boolean()) {
        throw InputError(field, "expected true or false, got " + typeName(value));
    }
    return value.get<bool>();
}

int readInt(const Json& value, const std::string& field) {
    if (value.is_number_integer()) {
        const auto wide = value.get<long long>();
        if (wide < std::numeric_limits<int>::min() || wide > std::numeric_limits<int>::max()) {
            throw InputError(field, "out of the range of a 32-bit integer");
        }
        return static_cast<int>(wide);
    }
    if (value.is_number_float()) {
        const double d = value.get<double>();
        if (d == std::floor(d) && std::fabs(d) <= std::numeric_limits<int>::max()) {
            return static_cast<int>(d);
        }
    }
    throw InputError(field,
                     "expected a whole number, got " + (value.is_number() ? value.dump() : typeName(value)));
}

void readFloats(const Json& value, const std::string& field, float* out, std::size_t minCount,
                std::size_t count) {
    const auto describe = [&] {
        return minCount == count ? std::to_string(count)
                                 : std::to_string(minCount) + " or " + std::to_string(count);
    };
    if (!value.is_array()) {
        throw InputError(field, "expected a list of " + describe() + " numbers, got " + typeName(value));
    }
    if (value.size() < minCount || value.size() > count) {
        throw InputError(field, "expected " + describe() + " numbers, got " + std::to_string(value.size()));
    }
    for (std::size_t i = 0; i < value.size(); ++i) {
        out[i] = readFloat(value[i], field + "[" + std::to_string(i) + "]");
    }
}

OrderedJson writeFloat(float value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    return static_cast<double>(value);
}

namespace {

// Whether `text` reads back as `value` both read as a float and read as a
// double first and then narrowed, as our own reader and many others do.
bool readsBackAs(const char* first, const char* last, float value) {
    float asFloat = 0.0f;
    double asDouble = 0.0;
    return std::from_chars(first, last, asFloat).ec == std::errc() && asFloat == value &&
           std::from_chars(first, last, asDouble).ec == std::errc() && static_cast<float>(asDouble) == value;
}

void appendFloat(std::string& out, float value) {
    char text[32];
    std::to_chars_result written = std::to_chars(text, text + sizeof text, value);
    // A few floats' shortest text, read as a double, lies so near the middle
    // between two floats that narrowing then rounds to the neighbour
    // (7.038531e-26); those take the fewest digits that read back both ways.
    // Nine digits always do.
    for (int digits = 1; !readsBackAs(text, written.ptr, value) && digits <= 9; ++digits) {
        written = std::to_chars(text, text + sizeof text, value, std::chars_format::general, digits);
    }
    out.append(text, written.ptr);
    // Keep it a float to the reader: 1 is written 1.0.
    if (std::find_if(text, written.ptr, [](char c) { return c == '.' || c == 'e'; }) == written.ptr)
        out += ".0";
}

void appendJson(std::string& out, const OrderedJson& value, int indent, int depth) {
    const auto newline = [&](int level) {
        if (indent < 0) return;
        out += '\n';
        out.append(static_cast<std::size_t>(indent * level), ' ');
    };
    switch (value.type()) {
        case OrderedJson::value_t::number_float:
            if (std::isfinite(value.get<double>())) {
                appendFloat(out, static_cast<float>(value.get<double>()));
            } else {
                out += "null";
            }
            return;
        case OrderedJson::value_t::array: {
            if (value.empty()) {
                out += "[]";
                return;
            }
            out += '[';
            bool first = true;
            for (const OrderedJson& element : value) {
                if (!first) out += ',';
                first = false;
                newline(depth + 1);
                appendJson(out, element, indent, depth + 1);
            }
            newline(depth);
            out += ']';
            return;
        }
        case OrderedJson::value_t::object: {
            if (value.empty()) {
                out += "{}";
                return;
            }
            out += '{';
            bool first = true;
            for (auto it = value.begin(); it != value.end(); ++it) {
                if (!first) out += ',';
                first = false;
                newline(depth + 1);
                out += OrderedJson(it.key()).dump(-1, ' ', false, OrderedJson::error_handler_t::replace);
                out += indent < 0 ? ":" : ": ";
                appendJson(out, it.value(), indent, depth + 1);
            }
            newline(depth);
            out += '}';
            return;
        }
        default:
            // A string that is not UTF-8 is written with its bad bytes replaced
            // rather than lost with the whole document.
            out += value.dump(-1, ' ', false, OrderedJson::error_handler_t::replace);
    }
}

}  // namespace

namespace {

// The library's DOM builder, with a check of each object's keys on the way.
// Its callback parser would do the same, but it searches the enclosing array
// for discarded values after every object, which makes an array of n objects
// cost n^2; a SAX handler costs one set lookup per key.
class DuplicateCheckingBuilder {
public:
    explicit DuplicateCheckingBuilder(Json& result) : dom_(result, true) {}

    bool null() { return dom_.null(); }
    bool boolean(bool value) { return dom_.boolean(value); }
    bool number_integer(Json::number_integer_t value) { return dom_.number_integer(value); }
    bool number_unsigned(Json::number_unsigned_t value) { return dom_.number_unsigned(value); }
    bool number_float(Json::number_float_t value, const Json::string_t& text) {
        return dom_.number_float(value, text);
    }
    bool string(Json::string_t& value) { return dom_.string(value); }
    bool binary(Json::binary_t& value) { return dom_.binary(value); }
    bool start_object(std::size_t size) {
        open_.emplace_back();
        return dom_.start_object(size);
    }
    bool key(Json::string_t& key) {
        if (!open_.back().insert(key).second) throw InputError(key, "given twice in one object");
        return dom_.key(key);
    }
    bool end_object() {
        open_.pop_back();
        return dom_.end_object();
    }
    bool start_array(std::size_t size) { return dom_.start_array(size); }
    bool end_array() { return dom_.end_array(); }
    template <class Exception>
    bool parse_error(std::size_t position, const std::string& token, const Exception& error) {
        // A number past a double's range arrives as out_of_range: made a
        // parse error with its place, as every caller reads a failed parse.
        if constexpr (std::is_same_v<Exception, Json::out_of_range>) {
            throw Json::parse_error::create(101, position, "number overflow parsing '" + token + "'",
                                            nullptr);
        }
        return dom_.parse_error(position, token, error);  // throws it
    }

private:
    nlohmann::detail::json_sax_dom_parser<Json> dom_;
    std::vector<std::set<std::string>> open_;
};

}  // namespace

Json parseJson(const std::string& text) {
    Json result;
    DuplicateCheckingBuilder builder(result);
    Json::sax_parse(text, &builder);
    return result;
}

Json parseJson(std::istream& in) {
    Json result;
    DuplicateCheckingBuilder builder(result);
    Json::sax_parse(in, &builder);
    return result;
}

std::string printable(const std::string& text) {
    static const char* const kHex = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    const auto escape = [&](unsigned char byte) {
        out += "\\x";
        out += kHex[byte >> 4];
        out += kHex[byte & 0xf];
    };
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x20 || byte == 0x7f) {
            escape(byte);
            ++i;
            continue;
        }
        if (byte < 0x80) {
            out += static_cast<char>(byte);
            ++i;
            continue;
        }
        // A well-formed UTF-8 sequence passes whole; anything else byte by byte.
        std::size_t length = byte >= 0xc2 && byte <= 0xdf   ? 2
                             : byte >= 0xe0 && byte <= 0xef ? 3
                             : byte >= 0xf0 && byte <= 0xf4 ? 4
                                                            : 0;
        bool wellFormed = length != 0 && i + length <= text.size();
        for (std::size_t k = 1; wellFormed && k < length; ++k) {
            wellFormed = (static_cast<unsigned char>(text[i + k]) & 0xc0) == 0x80;
        }
        if (wellFormed && length >= 3) {
            // No overlong forms, surrogates or code points past U+10FFFF.
            const auto second = static_cast<unsigned char>(text[i + 1]);
            wellFormed = !(byte == 0xe0 && second < 0xa0) && !(byte == 0xed && second >= 0xa0) &&
                         !(byte == 0xf0 && second < 0x90) && !(byte == 0xf4 && second >= 0x90);
        }
        if (wellFormed) {
            out.append(text, i, length);
            i += length;
        } else {
            escape(byte);
            ++i;
        }
    }
    return out;
}

std::string writeJson(const OrderedJson& document, int indent) {
    std::string out;
    appendJson(out, document, indent, 0);
    return out;
}

void requireKnownKeys(const Json& object, const std::string& field,
                      std::initializer_list<const char*> known) {
    for (auto it = object.begin(); it != object.end(); ++it) {
        bool found = false;
        for (const char* name : known) {
            found = found || it.key() == name;
        }
        if (!found) {
            std::string expected;
            for (const char* name : known) {
                expected += (expected.empty() ? "" : ", ") + std::string(name);
            }
            // A key of megabytes is named by its start, not echoed whole.
            constexpr std::size_t kShown = 80;
            const std::string key = it.key().size() <= kShown ? it.key() : it.key().substr(0, kShown) + "...";
            const std::string where = field.empty() ? key : field + "." + key;
            const std::vector<std::string> names(known.begin(), known.end());
            throw InputError(
                where, "unknown key" + didYouMean(it.key(), names) + " (expected one of: " + expected + ")");
        }
    }
}

bool isDecimalNumber(const std::string& text) {
    std::size_t i = 0;
    const auto digits = [&] {
        const std::size_t start = i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
        return i > start;
    };
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    bool valid = digits();
    if (i < text.size() && text[i] == '.') {
        ++i;
        valid = digits() || valid;
    }
    if (valid && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
        valid = digits();
    }
    return valid && i == text.size();
}

const Json& requireObject(const Json& value, const std::string& field) {
    if (!value.is_object()) {
        throw InputError(field, "expected an object, got " + typeName(value));
    }
    return value;
}

const Json& requireArray(const Json& value, const std::string& field) {
    if (!value.is_array()) {
        throw InputError(field, "expected a list, got " + typeName(value));
    }
    return value;
}

}  // namespace sorvane::cli
