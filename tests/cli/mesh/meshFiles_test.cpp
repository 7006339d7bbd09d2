#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <utility>

#include "cli/common/inputError.h"
#include "cli/mesh/meshShapes.h"
#include "cli/mesh/objReader.h"
#include "tests/support/scratchFolder.h"

namespace sorvane::mesh {
namespace {

using cli::InputError;

double lengthOf(Float3 v) { return std::sqrt(double{v.x} * v.x + double{v.y} * v.y + double{v.z} * v.z); }

// A unit cube's corners and its six quads, wound outwards, no normals.
const char* const kCube =
    "# a cube\n"
    "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 1\nv 1 0 1\nv 1 1 1\nv 0 1 1\n"
    "f 1 4 3 2\nf 5 6 7 8\nf 1 2 6 5\nf 2 3 7 6\nf 3 4 8 7\nf 4 1 5 8\n";

struct GoodCase {
    const char* what;
    std::string text;
    std::size_t triangles;
    Float3 halfExtent;
    bool uvs;
};

class GoodObj : public ::testing::TestWithParam<GoodCase> {};

TEST_P(GoodObj, IsReadFittedAndSmoothed) {
    const GoodCase& c = GetParam();
    const TriangleMesh mesh = parseObj(c.text, "good.obj");
    EXPECT_EQ(mesh.triangles.size(), c.triangles);
    EXPECT_NEAR(mesh.halfExtent.x, c.halfExtent.x, 1e-6);
    EXPECT_NEAR(mesh.halfExtent.y, c.halfExtent.y, 1e-6);
    EXPECT_NEAR(mesh.halfExtent.z, c.halfExtent.z, 1e-6);
    float low[3] = {1e9f, 1e9f, 1e9f}, high[3] = {-1e9f, -1e9f, -1e9f};
    for (const Triangle& t : mesh.triangles) {
        for (int k = 0; k < 3; ++k) {
            const Float3 p = mesh.positions[t.position[static_cast<std::size_t>(k)]];
            const float xyz[] = {p.x, p.y, p.z};
            for (int a = 0; a < 3; ++a) {
                low[a] = std::min(low[a], xyz[a]);
                high[a] = std::max(high[a], xyz[a]);
            }
            EXPECT_NEAR(lengthOf(mesh.normals[t.normal[static_cast<std::size_t>(k)]]), 1.0, 1e-6);
            EXPECT_EQ(t.uv[static_cast<std::size_t>(k)] != kNone, c.uvs);
        }
    }
    // Centred on the origin, the longest side from -1 to 1.
    const float half[] = {c.halfExtent.x, c.halfExtent.y, c.halfExtent.z};
    for (int a = 0; a < 3; ++a) {
        EXPECT_NEAR(low[a], -half[a], 1e-6) << "axis " << a;
        EXPECT_NEAR(high[a], half[a], 1e-6) << "axis " << a;
    }
}

std::string crlf(std::string text, const char* ending) {
    std::string out;
    for (char ch : text) {
        if (ch == '\n') {
            out += ending;
        } else {
            out += ch;
        }
    }
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Mesh, GoodObj,
    ::testing::Values(GoodCase{"quads, cut into two triangles each", kCube, 12, {1, 1, 1}, false},
                      GoodCase{"CRLF line ends", crlf(kCube, "\r\n"), 12, {1, 1, 1}, false},
                      GoodCase{"CR line ends", crlf(kCube, "\r"), 12, {1, 1, 1}, false},
                      GoodCase{
                          "a byte-order mark", std::string("\xEF\xBB\xBF") + kCube, 12, {1, 1, 1}, false},
                      GoodCase{"a flat box, stretched",
                               "v -4 0 0\nv 4 0 0\nv 4 1 0\nv -4 1 0\nf 1 2 3 4\n",
                               2,
                               {1, 0.125f, 0},
                               false},
                      GoodCase{"a pentagon is a fan of three",
                               "v 0 0 0\nv 2 0 0\nv 3 1 0\nv 1 2 0\nv -1 1 0\nf 1 2 3 4 5\n",
                               3,
                               {1, 0.5f, 0},
                               false},
                      GoodCase{"negative indices count back from the last defined",
                               "v 0 0 0\nv 1 0 0\nv 0 1 0\nf -3 -2 -1\nv 0 0 -1\nf -4 -1 -3\n",
                               2,
                               {1, 1, 1},
                               false},
                      GoodCase{"texture coordinates and normals, groups, materials not opened",
                               "mtllib missing.mtl\no thing\ng side\nusemtl red\ns 1\n"
                               "v 0 0 0 1\nv 1 0 0 0.5 0.5 0.5\nv 0 1 0\nvt 0 0\nvt 1 0 0\nvt 0 1\nvn 0 0 1\n"
                               "f 1/1/1 2/2/1 3/3/1\n",
                               1,
                               {1, 1, 0},
                               true},
                      GoodCase{"a stray vertex far away does not move the mesh",
                               "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1000 1000 1000\nf 1 2 3\n",
                               1,
                               {1, 1, 0},
                               false},
                      GoodCase{"numbers as other programs write them",
                               "v +1. -0.0 .5e1\nv 1e-0 1E+0 -.5\nv 0 1 0\nf 1 2 3\n",
                               1,
                               {0.5f / 2.75f, 0.5f / 2.75f, 1},
                               false}));

TEST(Mesh, SmoothsWhereTheFileHasNoNormals) {
    const TriangleMesh cube = parseObj(kCube, "cube.obj");
    // Each corner's normal leans out along the diagonal through it: its
    // three faces weigh alike.
    for (const Triangle& t : cube.triangles) {
        for (int k = 0; k < 3; ++k) {
            const Float3 p = cube.positions[t.position[static_cast<std::size_t>(k)]];
            const Float3 n = cube.normals[t.normal[static_cast<std::size_t>(k)]];
            const double s = 1.0 / std::sqrt(3.0);
            EXPECT_NEAR(n.x, std::copysign(s, p.x), 1e-6);
            EXPECT_NEAR(n.y, std::copysign(s, p.y), 1e-6);
            EXPECT_NEAR(n.z, std::copysign(s, p.z), 1e-6);
        }
    }
}

TEST(Mesh, KeepsTheFilesNormalsAndSmoothsOnlyWhatLacksOne) {
    // Two triangles of a square; the first corner's normal is given (and
    // not unit length), the others' are not, and a zero one counts as none.
    const TriangleMesh mesh = parseObj(
        "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvn 0 3 4\nvn 0 0 0\nf 1//1 2 3\nf 1 3//2 4\n", "square.obj");
    ASSERT_EQ(mesh.triangles.size(), 2u);
    const Float3 given = mesh.normals[mesh.triangles[0].normal[0]];
    EXPECT_NEAR(given.y, 0.6, 1e-6);
    EXPECT_NEAR(given.z, 0.8, 1e-6);
    for (std::size_t k : {1u, 2u}) {
        const Float3 smooth = mesh.normals[mesh.triangles[0].normal[k]];
        EXPECT_NEAR(std::fabs(smooth.z), 1.0, 1e-6);
    }
    EXPECT_NEAR(std::fabs(mesh.normals[mesh.triangles[1].normal[1]].z), 1.0, 1e-6);
}

TEST(Mesh, LeavesOutTrianglesOfNoAreaAndSaysWhere) {
    const TriangleMesh mesh =
        parseObj("v 0 0 0\nv 1 0 0\nv 0 1 0\nv 2 0 0\nf 1 2 3\nf 1 2 4\nf 1 1 3\n", "slivers.obj");
    EXPECT_EQ(mesh.triangles.size(), 1u);
    ASSERT_EQ(mesh.notes.size(), 1u);
    EXPECT_EQ(mesh.notes[0], "slivers.obj:6: 2 triangles of no area left out (the first here)");
}

struct BadCase {
    const char* what;
    std::string text;
    const char* message;  // the whole message
};

class BadObj : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadObj, IsRefusedNamingTheFileAndLine) {
    const BadCase& c = GetParam();
    try {
        parseObj(c.text, "bad.obj");
        FAIL() << c.what << ": accepted";
    } catch (const InputError& error) {
        EXPECT_EQ(error.message(), c.message) << c.what;
    }
}

const char* const kTriangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";

INSTANTIATE_TEST_SUITE_P(
    Mesh, BadObj,
    ::testing::Values(
        BadCase{"empty", "", "bad.obj: no faces: a mesh needs at least one triangle"},
        BadCase{"only vertices", kTriangle, "bad.obj: no faces: a mesh needs at least one triangle"},
        BadCase{"a PNG", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16),
                "bad.obj:2: not an OBJ file: it holds binary data (byte 26)"},
        BadCase{"JSON", "{\"objects\": []}\n",
                "bad.obj:1: \"{\"objects\":\" is not an OBJ statement (is this an OBJ file?)"},
        BadCase{"NaN", std::string(kTriangle) + "v nan 0 0\nf 1 2 3\n",
                "bad.obj:4: a vertex: \"nan\" is not a number"},
        BadCase{"infinity", "v 0 0 inf\n", "bad.obj:1: a vertex: \"inf\" is not a number"},
        BadCase{"past a float", "v 0 0 1e39\n", "bad.obj:1: a vertex: 1e39 is out of a float's range"},
        BadCase{"past a double", "vn 0 0 1e999\n", "bad.obj:1: a normal: 1e999 is out of a float's range"},
        BadCase{"a word for a number", "vt 0.5 half\n",
                "bad.obj:1: a texture coordinate: \"half\" is not a number"},
        BadCase{"hex, which the loader reads as 0", "v 0x10 0 0\n",
                "bad.obj:1: a vertex: \"0x10\" is not a number"},
        BadCase{"too few coordinates", "v 1 2\n", "bad.obj:1: a vertex takes 3 to 7 numbers, not 2"},
        BadCase{"a face of two corners", std::string(kTriangle) + "f 1 2\n",
                "bad.obj:4: a face needs at least 3 corners, not 2"},
        BadCase{"index 0", std::string(kTriangle) + "f 0 1 2\n",
                "bad.obj:4: corner 1 of the face: vertex 0: they are numbered from 1"},
        BadCase{"a huge index", std::string(kTriangle) + "f 1 2 99999999999999999999999\n",
                "bad.obj:4: corner 3 of the face: vertex 99999999999999999999999 is not defined: 3 vertices "
                "are defined before this line"},
        BadCase{
            "an index past the end", std::string(kTriangle) + "f 1 2 4\nv 0 0 1\n",
            "bad.obj:4: corner 3 of the face: vertex 4 is not defined: 3 vertices are defined before this "
            "line"},
        BadCase{
            "a negative index past the start", std::string(kTriangle) + "f -1 -2 -4\n",
            "bad.obj:4: corner 3 of the face: vertex -4 is not defined: 3 vertices are defined before this "
            "line"},
        BadCase{"a texture coordinate not defined", std::string(kTriangle) + "vt 0 0\nf 1/1 2/2 3/1\n",
                "bad.obj:5: corner 2 of the face: texture coordinate 2 is not defined: 1 texture coordinate "
                "is defined before this line"},
        BadCase{"a normal not defined", std::string(kTriangle) + "f 1//1 2//1 3//1\n",
                "bad.obj:4: corner 1 of the face: normal 1 is not defined: 0 normals are defined before this "
                "line"},
        BadCase{"a malformed corner", std::string(kTriangle) + "f 1/ 2 3\n",
                "bad.obj:4: corner 1 of the face: \"\" is not a texture coordinate number"},
        BadCase{"every face flat", "v 0 0 0\nv 1 0 0\nv 2 0 0\nf 1 2 3\nf 3 2 1\n",
                "bad.obj: no triangle has any area (2 triangles, every one of them flat)"},
        BadCase{"every vertex at one point", "v 1 1 1\nv 1 1 1\nv 1 1 1\nf 1 2 3\n",
                "bad.obj: every vertex lies at one point: no triangle has any area"},
        BadCase{"the loader's own complaint", std::string(kTriangle) + "l 0 1\nf 1 2 3\n",
                "bad.obj: tinyobjloader: Failed parse `l' line(e.g. zero value for vertex index. line 4.)"}));

TEST(Mesh, RefusesAFaceOfMoreCornersThanTheLoaderCounts) {
    std::string text;
    for (int i = 0; i < 256; ++i) {
        text +=
            "v " + std::to_string(std::cos(i * 0.0245)) + " " + std::to_string(std::sin(i * 0.0245)) + " 0\n";
    }
    text += "f";
    for (int i = 1; i <= 256; ++i) text += " " + std::to_string(i);
    try {
        parseObj(text, "round.obj");
        FAIL() << "accepted";
    } catch (const InputError& error) {
        EXPECT_EQ(error.message(), "round.obj:257: a face of 256 corners; at most 255 are read");
    }
}

class ObjFile : public ::testing::Test {
protected:
    std::string write(const std::string& name, const std::string& text) {
        const std::filesystem::path path = folder_ / name;
        std::ofstream(path, std::ios::binary) << text;
        return path.string();
    }
    const sorvane::testing::ScratchFolder scratch_{"mesh"};
    const std::filesystem::path& folder_ = scratch_.folder();
};

TEST_F(ObjFile, IsReadUnderItsName) {
    const std::string path = write("cube.obj", kCube);
    EXPECT_EQ(readObjFile(path).name, path);
    EXPECT_EQ(readObjFile(path).triangles.size(), 12u);
}

TEST_F(ObjFile, ThatCannotBeReadIsNamed) {
    const std::string missing = (folder_ / "missing.obj").string();
    const std::pair<std::string, std::string> cases[] = {
        {missing, missing + ": cannot open the mesh file: it does not exist"},
        {folder_.string(),
         folder_.string() + ": cannot read the mesh file: it is a directory, not a regular file"},
        {write("bad.obj", "v 0 0 0\nf 1 1 x\n"),
         (folder_ / "bad.obj").string() + ":2: corner 3 of the face: \"x\" is not a vertex number"}};
    for (const auto& [path, message] : cases) {
        try {
            readObjFile(path);
            ADD_FAILURE() << path << " accepted";
        } catch (const InputError& error) {
            EXPECT_EQ(error.message(), message);
        }
    }
}

TEST(Mesh, TorusKnotIsAClosedTubeWithSquareChecks) {
    const TriangleMesh knot = torusKnot(96, 12);
    EXPECT_EQ(knot.triangles.size(), 2u * 96 * 12);
    EXPECT_TRUE(knot.notes.empty());
    EXPECT_FLOAT_EQ(std::max({knot.halfExtent.x, knot.halfExtent.y, knot.halfExtent.z}), 1.0f);
    // Closed: every edge is shared by exactly two triangles, in opposite
    // directions (one winding throughout).
    std::map<std::pair<std::uint32_t, std::uint32_t>, int> edges;
    for (const Triangle& t : knot.triangles) {
        for (int k = 0; k < 3; ++k) {
            ++edges[{t.position[static_cast<std::size_t>(k)],
                     t.position[static_cast<std::size_t>((k + 1) % 3)]}];
        }
    }
    for (const auto& [edge, count] : edges) {
        EXPECT_EQ(count, 1);
        EXPECT_EQ(edges.count({edge.second, edge.first}), 1u);
    }
    // Texture coordinates: v once round the tube, u along it in steps as
    // long as the tube is round, so checks come out square.
    float uMax = 0.0f;
    for (const auto& uv : knot.uvs) uMax = std::max(uMax, uv[0]);
    EXPECT_EQ(uMax, std::round(uMax));
    EXPECT_GT(uMax, 4.0f);
}

TEST(Mesh, ShapesGoByName) {
    EXPECT_EQ(makeShape("torusknot").name, "torusknot");
    try {
        makeShape("torusknt");
        FAIL() << "accepted";
    } catch (const InputError& error) {
        EXPECT_NE(error.message().find("did you mean \"torusknot\"?"), std::string::npos) << error.message();
    }
}

}  // namespace
}  // namespace sorvane::mesh
