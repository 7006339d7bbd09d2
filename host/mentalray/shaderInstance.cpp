#include "host/mentalray/shaderInstance.h"

#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>

#include "host/errors/hostError.h"
#include "host/mentalray/recordOwner.h"
#include "host/mentalray/shaderLibrary.h"
#include "host/mentalray/shaderRecord.h"

namespace sorvane::mrhost {

namespace {

// How an instance marks its record.
constexpr std::uint32_t kRecordMagic = 0x736f7276;  // "sorv"

std::uint32_t floatWord(float value) {
    std::uint32_t word;
    std::memcpy(&word, &value, sizeof word);
    return word;
}

std::string kindName(ParameterType kind) {
    switch (kind) {
        case ParameterType::Boolean:
            return "boolean";
        case ParameterType::Integer:
            return "integer";
        case ParameterType::Scalar:
            return "scalar";
        case ParameterType::Vector:
            return "vector";
        case ParameterType::Color:
            return "color";
        case ParameterType::Transform:
            return "transform";
        case ParameterType::Tag:
            return "tag";
        case ParameterType::Struct:
            return "struct";
    }
    return "?";
}

}  // namespace

ShaderInstance::ShaderInstance(const ShaderLibrary& library, const BlockLayout& layout,
                               const SceneDatabase& scene)
    : library_(library),
      layout_(layout),
      scene_(scene),
      fixed_(static_cast<std::size_t>(layout.size() / 4), 0) {
    for (const ParameterLayout& p : layout.parameters()) writeDefaults(p);
    rebuild();
}

// A struct's members have their own defaults; an array has none, nor have
// the members of its elements, which the block does not hold until set.
void ShaderInstance::writeDefaults(const ParameterLayout& p) {
    if (p.parameter->isArray) return;
    for (const ParameterLayout& member : p.members) writeDefaults(member);
    if (!p.parameter->hasDefault) return;
    const Field f{p.offset, p.parameter->kind, p.parameter->name};
    std::vector<float> values;
    for (double v : p.parameter->defaultValue) values.push_back(static_cast<float>(v));
    writeWords(f, wordsFor(f, values));
}

ShaderInstance::Field ShaderInstance::field(const std::string& name) const {
    // The block holds no element of an array until the array is set, so a
    // member of one has nowhere to go.
    for (std::size_t dot = name.find('.'); dot != std::string::npos; dot = name.find('.', dot + 1)) {
        const ParameterLayout* outer = layout_.find(name.substr(0, dot));
        if (outer != nullptr && outer->parameter->isArray) {
            throw HostError("\"" + name + "\" is a member of the elements of the array \"" +
                            name.substr(0, dot) + "\", which cannot be set one by one");
        }
    }
    if (const ParameterLayout* p = layout_.find(name)) {
        return {p->elementOffset, p->parameter->kind, name};
    }
    for (const char* prefix : {"i_", "n_"}) {
        if (name.rfind(prefix, 0) == 0) {
            const ParameterLayout* array = layout_.find(name.substr(2));
            if (array != nullptr && array->parameter->isArray) {
                return {array->offset + (prefix[0] == 'n' ? 4 : 0), ParameterType::Integer, name};
            }
        }
    }
    throw HostError("the shader \"" + layout_.declaration().name + "\" has no parameter \"" + name + "\"");
}

std::vector<std::uint32_t> ShaderInstance::wordsFor(const Field& f, const std::vector<float>& values) const {
    const std::size_t count = static_cast<std::size_t>(valueCount(f.kind));
    if (f.kind == ParameterType::Struct) {
        throw HostError("the struct parameter \"" + f.name + "\" is set member by member (\"" + f.name +
                        ".<member>\")");
    }
    const bool colorWithoutAlpha = f.kind == ParameterType::Color && values.size() == 3;
    if (values.size() != count && !colorWithoutAlpha) {
        throw HostError("the " + kindName(f.kind) + " parameter \"" + f.name + "\" takes " +
                        (f.kind == ParameterType::Color ? std::string("3 or 4 values")
                         : count == 1                   ? std::string("1 value")
                                                        : std::to_string(count) + " values") +
                        ", not " + std::to_string(values.size()));
    }
    std::vector<std::uint32_t> words;
    switch (f.kind) {
        case ParameterType::Boolean:
            words.push_back(values[0] != 0.0f ? 1u : 0u);
            break;
        case ParameterType::Integer:
        case ParameterType::Tag: {
            const float v = values[0];
            if (!(v == std::floor(v)) || v < -2147483648.0f || v >= 2147483648.0f) {
                throw HostError("the " + kindName(f.kind) + " parameter \"" + f.name +
                                "\" takes a whole number");
            }
            words.push_back(static_cast<std::uint32_t>(static_cast<std::int32_t>(v)));
            break;
        }
        default:
            for (float v : values) words.push_back(floatWord(v));
            if (colorWithoutAlpha) words.push_back(floatWord(1.0f));
            break;
    }
    return words;
}

void ShaderInstance::writeWords(const Field& f, const std::vector<std::uint32_t>& words) {
    std::memcpy(&fixed_[static_cast<std::size_t>(f.offset / 4)], words.data(), words.size() * 4);
}

namespace {

void requireKind(ParameterType actual, ParameterType wanted, const std::string& name) {
    if (actual != wanted) {
        throw HostError("the parameter \"" + name + "\" is a " + kindName(actual) + ", not a " +
                        kindName(wanted));
    }
}

}  // namespace

void ShaderInstance::setBoolean(const std::string& name, bool value) {
    const Field f = field(name);
    requireKind(f.kind, ParameterType::Boolean, name);
    writeWords(f, {value ? 1u : 0u});
    rebuild();
}

void ShaderInstance::setInteger(const std::string& name, int value) {
    const Field f = field(name);
    requireKind(f.kind, ParameterType::Integer, name);
    writeWords(f, {static_cast<std::uint32_t>(value)});
    rebuild();
}

void ShaderInstance::setScalar(const std::string& name, float value) {
    const Field f = field(name);
    requireKind(f.kind, ParameterType::Scalar, name);
    writeWords(f, {floatWord(value)});
    rebuild();
}

void ShaderInstance::setVector(const std::string& name, miVector value) {
    const Field f = field(name);
    requireKind(f.kind, ParameterType::Vector, name);
    writeWords(f, {floatWord(value.x), floatWord(value.y), floatWord(value.z)});
    rebuild();
}

void ShaderInstance::setColor(const std::string& name, miColor value) {
    const Field f = field(name);
    requireKind(f.kind, ParameterType::Color, name);
    writeWords(f, {floatWord(value.r), floatWord(value.g), floatWord(value.b), floatWord(value.a)});
    rebuild();
}

void ShaderInstance::setTag(const std::string& name, miTag value) {
    const Field f = field(name);
    requireKind(f.kind, ParameterType::Tag, name);
    writeWords(f, {value});
    rebuild();
}

void ShaderInstance::setValues(const std::string& name, const std::vector<float>& values) {
    const Field f = field(name);
    writeWords(f, wordsFor(f, values));
    rebuild();
}

void ShaderInstance::setArray(const std::string& name, const std::vector<miTag>& tags, int unused) {
    const ParameterLayout* p = layout_.find(name);
    if (p == nullptr || !p->parameter->isArray) {
        throw HostError("the shader \"" + layout_.declaration().name + "\" has no array parameter \"" + name +
                        "\"");
    }
    if (p->parameter->kind != ParameterType::Tag && p->parameter->kind != ParameterType::Integer) {
        throw HostError("the array \"" + name + "\" does not hold tags");
    }
    if (unused < 0) {
        throw HostError("the array \"" + name + "\" cannot start before its first element");
    }
    std::vector<miTag> elements(static_cast<std::size_t>(unused), miNULLTAG);
    elements.insert(elements.end(), tags.begin(), tags.end());
    arrayElements_[p->offset] = std::move(elements);
    fixed_[static_cast<std::size_t>(p->offset / 4)] = static_cast<std::uint32_t>(unused);
    fixed_[static_cast<std::size_t>(p->offset / 4 + 1)] = static_cast<std::uint32_t>(tags.size());
    rebuild();
}

void ShaderInstance::connect(const std::string& name, ConnectedValue value) {
    if (!value) throw HostError("the parameter \"" + name + "\" cannot be connected to nothing");
    const Field f = field(name);
    auto existing = connections_.find(f.offset);
    const int tag =
        existing != connections_.end() ? existing->second.first : static_cast<int>(connections_.size()) + 1;
    connections_[f.offset] = {tag, std::move(value)};
    rebuild();
}

void ShaderInstance::connectValues(const std::string& name, const std::vector<float>& values) {
    const Field f = field(name);
    if (layout_.find(name) != nullptr && layout_.find(name)->parameter->isArray) {
        throw HostError("connect the array \"" + name + "\" with its tags");
    }
    auto words = std::make_shared<const std::vector<std::uint32_t>>(wordsFor(f, values));
    connect(name, [words](const miState&) -> const void* { return words->data(); });
}

void ShaderInstance::connectTags(const std::string& name, const std::vector<miTag>& tags) {
    const ParameterLayout* p = layout_.find(name);
    if (p == nullptr || !p->parameter->isArray) {
        throw HostError("the shader \"" + layout_.declaration().name + "\" has no array parameter \"" + name +
                        "\"");
    }
    auto words =
        std::make_shared<const std::vector<miTag>>(tags.empty() ? std::vector<miTag>{miNULLTAG} : tags);
    connect(name, [words](const miState&) -> const void* { return words->data(); });
}

void ShaderInstance::forceGhostOffset(int ghostOffs) {
    ghostForced_ = true;
    forcedGhost_ = ghostOffs;
    rebuild();
}

// Lays the block out as the shader receives it, from the record's
// `parameters` on: the fixed part; the data of the block's last array from its
// first element on, past the fixed part; other arrays' data after that, their
// start index counted from their first element; then the ghost area, one tag
// per word of the block.
void ShaderInstance::rebuild() {
    std::vector<std::uint32_t> words = fixed_;
    const std::size_t fixedWords = fixed_.size();
    for (const auto& [offset, elements] : arrayElements_) {
        const std::size_t first = static_cast<std::size_t>(offset / 4 + 2);
        if (first + 1 == fixedWords) {
            if (words.size() < first + elements.size()) words.resize(first + elements.size(), 0);
            std::copy(elements.begin(), elements.end(), words.begin() + static_cast<std::ptrdiff_t>(first));
        }
    }
    for (const auto& [offset, elements] : arrayElements_) {
        const std::size_t first = static_cast<std::size_t>(offset / 4 + 2);
        if (first + 1 != fixedWords) {
            const std::size_t base = words.size() - first;
            words.insert(words.end(), elements.begin(), elements.end());
            words[first - 2] = static_cast<std::uint32_t>(static_cast<std::int32_t>(fixed_[first - 2]) +
                                                          static_cast<std::int32_t>(base));
        }
    }
    valueWords_ = static_cast<int>(words.size());
    const int ghostOffs = ghostForced_ ? forcedGhost_ : (connections_.empty() ? 0 : valueWords_ * 4);
    words.resize(words.size() * 2, 0);
    for (const auto& [offset, connection] : connections_) {
        words[static_cast<std::size_t>(offset / 4 + valueWords_)] =
            static_cast<std::uint32_t>(connection.first);
    }

    std::vector<miFunction> records = newShaderRecord(words, layout_.size(), ghostOffs);
    setRecordOwner(records.front(), kRecordMagic, this);
    records_ = std::move(records);
}

miState ShaderInstance::newState() const { return eyeRayState(function()); }

miBoolean ShaderInstance::shade(miColor& result, miState& state) const {
    state.shader = &function();
    return library_.call(&result, &state, const_cast<char*>(function().parameters));
}

const ShaderInstance* ShaderInstance::fromState(const miState* state) {
    return recordOwner<const ShaderInstance>(state, kRecordMagic);
}

const void* ShaderInstance::connectedValue(const miState& state, const void* parm) const {
    const char* base = function().parameters;
    const auto* at = static_cast<const char*>(parm);
    if (at < base || at >= base + static_cast<std::ptrdiff_t>(valueWords_) * 4) return nullptr;
    const auto it = connections_.find(static_cast<int>(at - base));
    return it == connections_.end() ? nullptr : it->second.second(state);
}

}  // namespace sorvane::mrhost
