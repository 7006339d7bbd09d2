#pragma once

// Reading and writing the numbers of the JSON interfaces. Floats may be given,
// and are written, as "nan", "inf" and "-inf" where not finite; finite floats
// are written as the shortest text that reads back as the same 32-bit float,
// whether read as a float or as a double first.

#include <array>
#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/common/inputError.h"

namespace sorvane::cli {

using Json = nlohmann::json;
using OrderedJson = nlohmann::ordered_json;

float readFloat(const Json& value, const std::string& field);
double readDouble(const Json& value, const std::string& field);
bool readBool(const Json& value, const std::string& field);
int readInt(const Json& value, const std::string& field);

// Exactly `count` floats, or between `minCount` and `count`.
void readFloats(const Json& value, const std::string& field, float* out, std::size_t minCount,
                std::size_t count);

template <std::size_t N>
std::array<float, N> readFloats(const Json& value, const std::string& field) {
    std::array<float, N> out{};
    readFloats(value, field, out.data(), N, N);
    return out;
}

// Whether `text` is a decimal number as JSON writes one (an optional sign,
// digits, a point, an exponent): no hex, no "nan" or "inf", no blanks.
bool isDecimalNumber(const std::string& text);

// A float as the interfaces write it: the number itself, or "nan", "inf", "-inf".
OrderedJson writeFloat(float value);

// The text of a document as the command prints it: laid out like
// nlohmann's dump (compact, or indented by `indent` spaces), but every float
// number as the shortest text of the 32-bit float it holds (0.8, where
// nlohmann's double printer writes 0.800000011920929).
std::string writeJson(const OrderedJson& document, int indent = -1);

template <std::size_t N>
OrderedJson writeFloats(const std::array<float, N>& values) {
    OrderedJson out = OrderedJson::array();
    for (float v : values) {
        out.push_back(writeFloat(v));
    }
    return out;
}

// Parses one JSON document, refusing an object that gives a key twice (the
// library would keep the last one without a word). Throws Json's exceptions
// for bad syntax and InputError naming the key given twice.
Json parseJson(const std::string& text);
Json parseJson(std::istream& in);

// Text from the input made safe to quote in a message: bytes that are not
// UTF-8, and control characters, become \xNN, so neither the JSON writer nor
// a terminal meets them raw.
std::string printable(const std::string& text);

// Rejects every key of `object` not in `known`.
void requireKnownKeys(const Json& object, const std::string& field, std::initializer_list<const char*> known);

const Json& requireObject(const Json& value, const std::string& field);
const Json& requireArray(const Json& value, const std::string& field);

}  // namespace sorvane::cli
