#include "cli/mesh/objReader.h"

#include <tiny_obj_loader.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <istream>
#include <limits>
#include <streambuf>
#include <string_view>

#include "cli/common/inputError.h"
#include "cli/common/inputFile.h"
#include "cli/common/jsonValues.h"

namespace sorvane::mesh {

namespace {

using cli::InputError;

// tinyobjloader keeps a face's corner count in a byte.
constexpr std::size_t kMaxCorners = 255;

// The OBJ format's statements that draw nothing here, passed over.
constexpr std::string_view kPassedOver[] = {
    "g",     "o",        "s",        "mg",         "usemtl",    "mtllib", "l",      "p",    "lod",
    "bevel", "c_interp", "d_interp", "shadow_obj", "trace_obj", "maplib", "usemap", "call", "csh"};
// Free-form geometry, which is not drawn: said once.
constexpr std::string_view kFreeForm[] = {"vp",    "cstype", "deg",  "bmat",  "step", "curv",
                                          "curv2", "surf",   "parm", "trim",  "hole", "scrv",
                                          "sp",    "end",    "con",  "ctech", "stech"};

bool among(std::string_view word, const std::string_view* first, const std::string_view* last) {
    return std::find(first, last, word) != last;
}

// Spaces and tabs part the words of a statement, as the loader parts them.
std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) out.push_back(line.substr(start, i - start));
    }
    return out;
}

bool digit(char c) { return c >= '0' && c <= '9'; }

// A decimal number as the loader reads one in full ([sign] digits [. digits]
// [e [sign] digits]); anything else it would read as 0, or in part.
bool decimal(std::string_view s) {
    std::size_t i = 0, mantissa = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    while (i < s.size() && digit(s[i])) ++i, ++mantissa;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && digit(s[i])) ++i, ++mantissa;
    }
    if (mantissa == 0) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        const std::size_t exponent = i;
        while (i < s.size() && digit(s[i])) ++i;
        if (i == exponent) return false;
    }
    return i == s.size();
}

class Checker {
public:
    Checker(const std::string& name) : name_(name) {}

    // Text, not binary data: read before any statement, so another format
    // is named for what it is.
    void text(std::size_t number, std::string_view text);
    void line(std::size_t number, std::string_view text);
    const std::vector<std::size_t>& faceLines() const { return faceLines_; }
    const std::vector<std::string>& notes() const { return notes_; }

private:
    InputError error(const std::string& why) const {
        return InputError(name_ + ":" + std::to_string(number_), why);
    }
    void numbers(const std::vector<std::string_view>& w, std::size_t least, std::size_t most,
                 const char* what);
    void face(const std::vector<std::string_view>& w);
    std::uint64_t reference(std::string_view text, std::size_t count, const char* what, const char* plural,
                            std::size_t corner);

    std::string name_;
    std::size_t number_ = 0;
    std::size_t vertices_ = 0, normals_ = 0, uvs_ = 0;
    std::vector<std::size_t> faceLines_;
    std::vector<std::string> notes_;
    bool freeFormSaid_ = false;
};

void Checker::text(std::size_t number, std::string_view text) {
    number_ = number;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\t') || u == 0x7f) {
            throw error("not an OBJ file: it holds binary data (byte " + std::to_string(u) + ")");
        }
    }
}

void Checker::line(std::size_t number, std::string_view text) {
    number_ = number;
    const std::vector<std::string_view> w = words(text);
    if (w.empty() || w[0][0] == '#') return;
    const std::string_view keyword = w[0];
    if (keyword == "v") {
        // x y z, then a weight or a colour, as some programs write them.
        numbers(w, 3, 7, "a vertex");
        ++vertices_;
    } else if (keyword == "vn") {
        numbers(w, 3, 3, "a normal");
        ++normals_;
    } else if (keyword == "vt") {
        numbers(w, 1, 3, "a texture coordinate");
        ++uvs_;
    } else if (keyword == "f") {
        face(w);
        faceLines_.push_back(number);
    } else if (among(keyword, std::begin(kFreeForm), std::end(kFreeForm))) {
        if (!freeFormSaid_) {
            notes_.push_back(name_ + ":" + std::to_string(number) +
                             ": free-form curves and surfaces are passed over; only faces are drawn");
        }
        freeFormSaid_ = true;
    } else if (!among(keyword, std::begin(kPassedOver), std::end(kPassedOver))) {
        throw error("\"" + cli::printable(std::string(keyword.substr(0, 40))) +
                    "\" is not an OBJ statement (is this an OBJ file?)");
    }
}

void Checker::numbers(const std::vector<std::string_view>& w, std::size_t least, std::size_t most,
                      const char* what) {
    const std::size_t count = w.size() - 1;
    if (count < least || count > most) {
        throw error(std::string(what) + " takes " + std::to_string(least) +
                    (least == most ? "" : " to " + std::to_string(most)) + " numbers, not " +
                    std::to_string(count));
    }
    for (std::size_t i = 1; i < w.size(); ++i) {
        const std::string_view s = w[i];
        double value = 0.0;
        const char* first = s.data() + (s[0] == '+' ? 1 : 0);
        const auto [end, status] = std::from_chars(first, s.data() + s.size(), value);
        if (!decimal(s) || end != s.data() + s.size()) {
            throw error(std::string(what) + ": \"" + cli::printable(std::string(s.substr(0, 40))) +
                        "\" is not a number");
        }
        if (status != std::errc() || !(std::fabs(value) <= std::numeric_limits<float>::max())) {
            throw error(std::string(what) + ": " + std::string(s.substr(0, 40)) +
                        " is out of a float's range");
        }
    }
}

// One index of a corner: 1 for the first defined, -1 for the last defined
// so far. Returns it from 0.
std::uint64_t Checker::reference(std::string_view text, std::size_t count, const char* what,
                                 const char* plural, std::size_t corner) {
    const auto bad = [&](const std::string& why) {
        return error("corner " + std::to_string(corner) + " of the face: " + why);
    };
    const bool negative = !text.empty() && text[0] == '-';
    const std::string_view digits = text.substr(!text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0);
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), digit)) {
        throw bad("\"" + cli::printable(std::string(text.substr(0, 40))) + "\" is not a " + what + " number");
    }
    std::uint64_t n = 0;
    const auto [end, status] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    (void)end;
    if (status == std::errc() && n == 0) throw bad(std::string(what) + " 0: they are numbered from 1");
    if (status != std::errc() || n > count) {
        throw bad(std::string(what) + " " + (negative ? "-" : "") + std::string(digits.substr(0, 24)) +
                  " is not defined: " + std::to_string(count) + " " + (count == 1 ? what : plural) +
                  (count == 1 ? " is" : " are") + " defined before this line");
    }
    return negative ? count - n : n - 1;
}

void Checker::face(const std::vector<std::string_view>& w) {
    const std::size_t corners = w.size() - 1;
    if (corners < 3) {
        throw error("a face needs at least 3 corners, not " + std::to_string(corners));
    }
    if (corners > kMaxCorners) {
        throw error("a face of " + std::to_string(corners) + " corners; at most " +
                    std::to_string(kMaxCorners) + " are read");
    }
    for (std::size_t i = 1; i < w.size(); ++i) {
        // v, v/vt, v//vn or v/vt/vn
        const std::string_view corner = w[i];
        const std::size_t first = corner.find('/');
        reference(corner.substr(0, first), vertices_, "vertex", "vertices", i);
        if (first == std::string_view::npos) continue;
        const std::size_t second = corner.find('/', first + 1);
        const std::string_view uv = corner.substr(
            first + 1, second == std::string_view::npos ? std::string_view::npos : second - first - 1);
        if (second == std::string_view::npos || !uv.empty())
            reference(uv, uvs_, "texture coordinate", "texture coordinates", i);
        if (second != std::string_view::npos) {
            reference(corner.substr(second + 1), normals_, "normal", "normals", i);
        }
    }
}

// The text as a stream, without a copy of it.
class TextBuffer : public std::streambuf {
public:
    explicit TextBuffer(std::string_view text) {
        char* begin = const_cast<char*>(text.data());
        setg(begin, begin, begin + text.size());
    }
};

std::uint32_t index(int value) { return value < 0 ? kNone : static_cast<std::uint32_t>(value); }

}  // namespace

TriangleMesh parseObj(const std::string& text, const std::string& name) {
    std::string_view rest(text);
    // A byte-order mark, which the loader would take for part of the first word.
    if (rest.substr(0, 3) == "\xEF\xBB\xBF") rest.remove_prefix(3);

    // Lines end at \n, \r\n or \r, as the loader ends them.
    const auto eachLine = [&](auto&& visit) {
        std::size_t number = 0, i = 0;
        while (i < rest.size()) {
            std::size_t end = i;
            while (end < rest.size() && rest[end] != '\n' && rest[end] != '\r') ++end;
            visit(++number, rest.substr(i, end - i));
            const bool crlf = end + 1 < rest.size() && rest[end] == '\r' && rest[end + 1] == '\n';
            i = end + (crlf ? 2 : 1);
        }
    };
    Checker checker(name);
    eachLine([&](std::size_t number, std::string_view line) { checker.text(number, line); });
    eachLine([&](std::size_t number, std::string_view line) { checker.line(number, line); });

    TextBuffer buffer(rest);
    std::istream stream(&buffer);
    tinyobj::attrib_t attrib;
    std::vector<tinyobj::shape_t> shapes;
    std::vector<tinyobj::material_t> materials;
    std::string warnings, errors;
    // No material reader: a file the OBJ names is not opened.
    if (!tinyobj::LoadObj(&attrib, &shapes, &materials, &warnings, &errors, &stream, nullptr, false, false)) {
        std::string why = errors.empty() ? std::string("cannot be read as an OBJ file") : errors;
        while (!why.empty() && (why.back() == '\n' || why.back() == '.')) why.pop_back();
        throw InputError(name, "tinyobjloader: " + why);
    }

    MeshSource source;
    source.positions.assign(attrib.vertices.begin(), attrib.vertices.end());
    source.normals.assign(attrib.normals.begin(), attrib.normals.end());
    source.uvs.assign(attrib.texcoords.begin(), attrib.texcoords.end());
    const std::vector<std::size_t>& faceLines = checker.faceLines();
    std::size_t faces = 0;
    for (const tinyobj::shape_t& shape : shapes) faces += shape.mesh.num_face_vertices.size();
    // Each face keeps its line while the loader's faces are the statements checked.
    const bool lined = faces == faceLines.size();
    std::size_t face = 0;
    for (const tinyobj::shape_t& shape : shapes) {
        std::size_t offset = 0;
        for (const unsigned char corners : shape.mesh.num_face_vertices) {
            if (offset + corners > shape.mesh.indices.size()) {
                throw InputError(name, "the loader's faces hold fewer corners than they count");
            }
            const auto corner = [&](std::size_t k) {
                const tinyobj::index_t& i = shape.mesh.indices[offset + k];
                if (i.vertex_index < 0) throw InputError(name, "a face corner has no vertex");
                return MeshSource::Corner{index(i.vertex_index), index(i.normal_index),
                                          index(i.texcoord_index)};
            };
            // A fan from the first corner: what a convex polygon is.
            for (std::size_t k = 1; k + 1 < corners; ++k) {
                source.triangles.push_back({corner(0), corner(k), corner(k + 1)});
                if (lined) source.lines.push_back(faceLines[face]);
            }
            offset += corners;
            ++face;
        }
    }
    TriangleMesh mesh = buildMesh(source, name);
    mesh.notes.insert(mesh.notes.begin(), checker.notes().begin(), checker.notes().end());
    return mesh;
}

TriangleMesh readObjFile(const std::string& path) {
    return parseObj(cli::readTextFile(path, "the mesh file", kObjFileLimit), path);
}

}  // namespace sorvane::mesh
