#include "host/mentalray/layoutProbe.h"

#include <algorithm>
#include <climits>
#include <cstddef>

#include "host/mentalray/recordOwner.h"
#include "host/mentalray/shaderLibrary.h"
#include "host/mentalray/shaderRecord.h"

namespace sorvane::mrhost {

namespace {

// How a probe marks its record (ShaderInstance marks its own differently).
constexpr std::uint32_t kProbeMagic = 0x70726f62;  // "prob"

}  // namespace

LayoutProbe::LayoutProbe(const ShaderLibrary& library, int declaredBytes)
    : library_(library),
      blockBytes_(std::max(kMinimumBlockBytes, (std::max(declaredBytes, 0) + 4095) / 4096 * 4096)) {
    const std::size_t blockWords = static_cast<std::size_t>(blockBytes_) / 4;
    // Block and ghost area alike hold 1: a non-zero ghost tag for every word,
    // so that every mi_eval asks mi_phen_eval.
    const std::vector<std::uint32_t> words(2 * blockWords, 1u);
    records_ = newShaderRecord(words, blockBytes_, blockBytes_);
    setRecordOwner(records_.front(), kProbeMagic, this);
    scratch_.assign(blockWords, 1u);
}

std::vector<int> LayoutProbe::run() {
    reads_.clear();
    miState state = eyeRayState(records_.front());
    miColor result{0.0f, 0.0f, 0.0f, 0.0f};
    library_.call(&result, &state, records_.front().parameters);
    return reads_;
}

LayoutProbe* LayoutProbe::fromState(const miState* state) {
    return recordOwner<LayoutProbe>(state, kProbeMagic);
}

const void* LayoutProbe::read(const void* parm) {
    const std::ptrdiff_t offset = static_cast<const char*>(parm) - records_.front().parameters;
    reads_.push_back(static_cast<int>(std::clamp<std::ptrdiff_t>(offset, INT_MIN, INT_MAX)));
    return scratch_.data();
}

namespace {

// One field of the declared block's top level: a parameter, or one of an array's three.
struct DeclaredField {
    int offset = 0;
    int size = 0;
    std::string name;
    std::string what;  // "a color", "the count of an array light", ...
};

std::string withArticle(const std::string& noun) {
    return (noun.find_first_of("aeiou") == 0 ? "an " : "a ") + noun;
}

std::vector<DeclaredField> declaredFields(const BlockLayout& layout) {
    std::vector<DeclaredField> fields;
    for (const ParameterLayout& p : layout.parameters()) {
        const std::string type = typeText(*p.parameter);
        if (p.parameter->isArray) {
            fields.push_back({p.offset, 4, p.parameter->name, "the start index of " + withArticle(type)});
            fields.push_back({p.offset + 4, 4, p.parameter->name, "the count of " + withArticle(type)});
            fields.push_back(
                {p.elementOffset, p.size, p.parameter->name, "the first element of " + withArticle(type)});
        } else {
            fields.push_back({p.offset, p.size, p.parameter->name, withArticle(type)});
        }
    }
    std::stable_sort(fields.begin(), fields.end(),
                     [](const DeclaredField& a, const DeclaredField& b) { return a.offset < b.offset; });
    return fields;
}

// What a field of `bytes` can be, as the library's reads cannot tell the type.
std::string kindsOfSize(int bytes) {
    switch (bytes) {
        case 4:
            return " (a boolean, integer, scalar or tag)";
        case 12:
            return " (a vector)";
        case 16:
            return " (a color)";
        case 64:
            return " (a transform)";
        default:
            return "";
    }
}

std::string describe(const DeclaredField& f) {
    return "parameter \"" + f.name + "\" is laid out at " + std::to_string(f.offset) + " as " + f.what +
           " (" + std::to_string(f.size) + (f.size == 1 ? " byte)" : " bytes)");
}

}  // namespace

std::optional<std::string> firstLayoutDifference(const BlockLayout& layout, std::vector<int> reads) {
    std::sort(reads.begin(), reads.end());
    reads.erase(std::unique(reads.begin(), reads.end()), reads.end());
    const std::vector<DeclaredField> fields = declaredFields(layout);
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < fields.size() && j < reads.size()) {
        const DeclaredField& f = fields[i];
        if (reads[j] < f.offset) {
            return "the library reads a field at " + std::to_string(reads[j]) +
                   (i == 0 ? ", before the first parameter"
                           : ", inside parameter \"" + fields[i - 1].name + "\" laid out at " +
                                 std::to_string(fields[i - 1].offset));
        }
        if (reads[j] > f.offset) return describe(f) + "; the library reads no field there";
        // The same start; the next starts tell how far each field reaches.
        if (j + 1 < reads.size()) {
            const int libraryBytes = reads[j + 1] - f.offset;
            const int declaredBytes = i + 1 < fields.size() ? fields[i + 1].offset - f.offset : f.size;
            if (libraryBytes != declaredBytes) {
                return describe(f) + "; the library's field there is " + std::to_string(libraryBytes) +
                       " bytes" + kindsOfSize(libraryBytes);
            }
        }
        ++i;
        ++j;
    }
    if (i < fields.size()) return describe(fields[i]) + "; the library reads no field there";
    if (j < reads.size()) {
        const std::size_t declared = layout.parameters().size();
        const std::string count = reads.size() == 1 ? "1 field" : std::to_string(reads.size()) + " fields";
        if (declared == 0) {
            return "declares no parameters; the library reads " + count + ", the first at offset " +
                   std::to_string(reads[j]);
        }
        return "declares " + std::to_string(declared) + (declared == 1 ? " parameter" : " parameters") +
               "; the library reads " + count + ", the first missing at offset " + std::to_string(reads[j]);
    }
    return std::nullopt;
}

std::optional<std::string> firstDeclarationDifference(const Declaration& declared, const Declaration& shipped,
                                                      const std::string& shippedPath) {
    const auto text = [](const Parameter& p) { return typeText(p) + " \"" + p.name + "\""; };
    const std::size_t common = std::min(declared.parameters.size(), shipped.parameters.size());
    for (std::size_t i = 0; i < common; ++i) {
        const std::string ours = text(declared.parameters[i]);
        const std::string theirs = text(shipped.parameters[i]);
        if (ours != theirs) {
            return "parameter " + std::to_string(i + 1) + " is declared " + ours + ", where the shipped " +
                   "declaration " + shippedPath + " has " + theirs;
        }
    }
    if (declared.parameters.size() != shipped.parameters.size()) {
        return "declares " + std::to_string(declared.parameters.size()) +
               " parameters, the shipped declaration " + shippedPath + " " +
               std::to_string(shipped.parameters.size());
    }
    return std::nullopt;
}

}  // namespace sorvane::mrhost
