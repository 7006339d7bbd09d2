// Meshes in the preview: traced by Embree in the ball's place, shadowing as
// the ball does, shaded on the side facing the viewer, from scene files and
// --mesh alike.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "cli/common/inputError.h"
#include "cli/render/previewRender.h"
#include "cli/render/sceneFile.h"
#include "cli/render/sceneMesh.h"
#include "cli/render/sceneTracer.h"
#include "cli/render/tileRenderer.h"
#include "standInBackend.h"
#include "tests/support/scratchFolder.h"
#include "tests/support/tessellatedBall.h"

namespace sorvane::render {
namespace {

using testing::StandInBackend;

Vec3 vec(mesh::Float3 p) { return {p.x, p.y, p.z}; }

std::shared_ptr<const SceneMesh> meshOf(mesh::TriangleMesh triangles) {
    return std::make_shared<const SceneMesh>(std::move(triangles));
}

const std::shared_ptr<const SceneMesh>& fineBall() {
    static const auto ball = meshOf(sorvane::testing::tessellatedBall(256, 128));
    return ball;
}

// A square lying flat (in x and z), its texture coordinates its corners'.
std::shared_ptr<const SceneMesh> flatSquare() {
    mesh::MeshSource source;
    source.positions = {-2, 5, -2, 2, 5, -2, 2, 5, 2, -2, 5, 2};
    source.uvs = {0, 0, 1, 0, 1, 1, 0, 1};
    const auto c = [](std::uint32_t i) { return mesh::MeshSource::Corner{i, mesh::kNone, i}; };
    source.triangles = {{c(0), c(1), c(2)}, {c(0), c(2), c(3)}};
    return meshOf(mesh::buildMesh(source, "square"));
}

// In camera space: the camera at the origin looking down -z.
Scene oneObject(ObjectType type, const std::shared_ptr<const SceneMesh>& mesh, Vec3 center) {
    Scene scene;
    Object object;
    object.type = type;
    object.mesh = mesh;
    object.center = center;
    object.radius = 1.0f;
    object.axis = {0, 1, 0};
    object.tangent = {0, 0, -1};
    scene.objects = {object};
    return scene;
}

struct MeshTraceCase {
    const char* what;
    Vec3 origin, direction;
    bool hits;
    float t;
    Vec3 normal;
};

class MeshTrace : public ::testing::TestWithParam<MeshTraceCase> {};

TEST_P(MeshTrace, FindsTheMeshWhereTheBallWouldBe) {
    const Scene scene = oneObject(ObjectType::mesh, fineBall(), {0, 0, -5});
    const SceneTracer tracer(scene);
    const MeshTraceCase& c = GetParam();
    Hit hit;
    ASSERT_EQ(tracer.trace({c.origin, unitVector(c.direction)}, hit), c.hits) << c.what;
    if (!c.hits) return;
    EXPECT_EQ(hit.object, 0);
    EXPECT_NEAR(hit.t, c.t, 2e-3f) << c.what;  // the facets lie within the ball by its sagitta
    EXPECT_NEAR(hit.normal.x, c.normal.x, 1e-2f) << c.what;
    EXPECT_NEAR(hit.normal.y, c.normal.y, 1e-2f) << c.what;
    EXPECT_NEAR(hit.normal.z, c.normal.z, 1e-2f) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Render, MeshTrace,
    ::testing::Values(
        MeshTraceCase{"head on", {0, 0, 0}, {0, 0, -1}, true, 4.0f, {0, 0, 1}},
        MeshTraceCase{"from inside, the normal faces the ray", {0, 0, -5}, {0, 0, -1}, true, 1.0f, {0, 0, 1}},
        MeshTraceCase{"from above", {0, 3, -5}, {0, -1, 0}, true, 2.0f, {0, 1, 0}},
        MeshTraceCase{"beside it", {0, 0, 0}, {0.3f, 0, -1}, false, 0, {}},
        MeshTraceCase{"away from it", {0, 0, 0}, {0, 0, 1}, false, 0, {}}));

// Whatever the angle, even at the outline, the shading normal is a unit
// vector turned towards the viewer, as the sphere's always is.
TEST(Render, MeshNormalsFaceTheViewerUpToTheOutline) {
    const Scene scene =
        oneObject(ObjectType::mesh, meshOf(sorvane::testing::tessellatedBall(24, 12)), {0, 0, -5});
    const SceneTracer tracer(scene);
    int hits = 0;
    for (int i = 0; i <= 400; ++i) {
        const float x = -0.25f + 0.5f * static_cast<float>(i) / 400.0f;
        const Ray ray{{0, 0, 0}, unitVector({x, 0.013f * static_cast<float>(i % 7), -1})};
        Hit hit;
        if (!tracer.trace(ray, hit)) continue;
        ++hits;
        EXPECT_NEAR(length(hit.normal), 1.0f, 1e-5f);
        EXPECT_GT(dot(hit.normal, -ray.direction), 0.0f) << "x " << x;
    }
    EXPECT_GT(hits, 250);
}

// Rays aimed exactly at the mesh's vertices and along its edges, where two
// triangles meet, find one of them: no pinholes for the camera, no light
// leaking through a closed mesh.
TEST(Render, NoRaySlipsBetweenTriangles) {
    const auto ball = meshOf(sorvane::testing::tessellatedBall(48, 24));
    const Scene scene = oneObject(ObjectType::mesh, ball, {0, 0, -5});
    const SceneTracer tracer(scene);
    const mesh::TriangleMesh& m = ball->triangles();
    int aimed = 0, missed = 0, leaked = 0;
    for (const mesh::Triangle& t : m.triangles) {
        for (std::size_t k = 0; k < 3; ++k) {
            const Vec3 a = vec(m.positions[t.position[k]]), b = vec(m.positions[t.position[(k + 1) % 3]]);
            for (const float f : {0.0f, 0.25f, 0.5f}) {
                const Vec3 local = a + (b - a) * f;
                const Vec3 at = local + Vec3{0, 0, -5};
                if (local.z > 0.5f) {  // well inside the outline, seen from the camera
                    ++aimed;
                    Hit hit;
                    if (!tracer.trace({{0, 0, 0}, unitVector(at)}, hit)) ++missed;
                }
                if (!tracer.occluded({0, 0, -5}, Vec3{0, 0, -5} + unitVector(local) * 3.0f)) ++leaked;
            }
        }
    }
    EXPECT_GT(aimed, 1000);
    EXPECT_EQ(missed, 0);
    EXPECT_EQ(leaked, 0);
}

TEST(Render, NearestOfMeshesAndSpheresIsHit) {
    Scene scene = oneObject(ObjectType::mesh, fineBall(), {0, 0, -5});
    Object behind = scene.objects[0], before = scene.objects[0];
    behind.type = before.type = ObjectType::sphere;
    behind.mesh = before.mesh = nullptr;
    behind.center = {0, 0, -8};
    before.center = {0, 0, -2};
    scene.objects.push_back(behind);
    Hit hit;
    EXPECT_TRUE(SceneTracer(scene).trace({{0, 0, 0}, {0, 0, -1}}, hit));
    EXPECT_EQ(hit.object, 0);
    scene.objects.push_back(before);
    EXPECT_TRUE(SceneTracer(scene).trace({{0, 0, 0}, {0, 0, -1}}, hit));
    EXPECT_EQ(hit.object, 2);
    EXPECT_NEAR(hit.t, 1.0f, 1e-5f);
}

TEST(Render, MeshesCastShadows) {
    const Scene scene = oneObject(ObjectType::mesh, fineBall(), {0, 0, -5});
    const SceneTracer tracer(scene);
    EXPECT_TRUE(tracer.occluded({0, 0, 0}, {0, 0, -10}));
    EXPECT_TRUE(tracer.occluded({0, 0, 0}, {0, 0.9f, -10}));
    EXPECT_FALSE(tracer.occluded({0, 0, 0}, {0, 0, -3.9f}));
    EXPECT_FALSE(tracer.occluded({0, 0, -4}, {0, 0, 0}));  // starting on the surface, looking away
    EXPECT_FALSE(tracer.occluded({0, 2, 0}, {0, 2, -10}));
}

// A flat mesh stands where the ball rests, not at the ball's centre.
TEST(Render, AFlatMeshRestsOnTheBottomOfTheBallsBounds) {
    const Scene scene = oneObject(ObjectType::mesh, flatSquare(), {0, 1, -5});
    const SceneTracer tracer(scene);
    Hit hit;
    ASSERT_TRUE(tracer.trace({{0.5f, 3, -5}, {0, -1, 0}}, hit));
    EXPECT_NEAR(hit.t, 3.0f, 1e-5f);
    EXPECT_NEAR(hit.normal.y, 1.0f, 1e-6f);
    // Its texture coordinates are its own: x from -1 to 1 is u from 0 to 1.
    EXPECT_NEAR(hit.u, 0.75f, 1e-5f);
    EXPECT_FALSE(tracer.trace({{1.01f, 3, -5}, {0, -1, 0}}, hit)) << "as wide as the ball";
}

// Without texture coordinates of its own, a mesh takes the ball's mapping,
// so a checker lands where it lands on the ball.
TEST(Render, AMeshWithoutTextureCoordinatesMapsAsTheBall) {
    const Scene ball = oneObject(ObjectType::sphere, nullptr, {0, 0, -5});
    const Scene mesh = oneObject(ObjectType::mesh, fineBall(), {0, 0, -5});
    for (const Vec3 direction : {Vec3{0.1f, 0.05f, -1}, Vec3{-0.12f, 0.1f, -1}, Vec3{0.03f, -0.15f, -1}}) {
        Hit expected, hit;
        const Ray ray{{0, 0, 0}, unitVector(direction)};
        ASSERT_TRUE(SceneTracer(ball).trace(ray, expected));
        ASSERT_TRUE(SceneTracer(mesh).trace(ray, hit));
        EXPECT_NEAR(hit.u, expected.u, 2e-3f);
        EXPECT_NEAR(hit.v, expected.v, 2e-3f);
    }
}

Image renderScene(const Scene& world, int threads, RenderStats* stats = nullptr) {
    const Scene scene = toCameraSpace(world);
    std::vector<ResolvedMaterial> materials(scene.materials.size());
    StandInBackend backend;
    return renderImage(scene, materials, backend, RenderSettings{48, 48, 4, threads}, {}, stats);
}

// The fitted tessellation of the ball draws the ball: the same coverage and
// nearly the same shading in the default scene, shadows on the floor included.
TEST(Render, AMeshOfTheBallDrawsTheBall) {
    Scene world = defaultScene();
    const Image sphere = renderScene(world, 1);
    placeMesh(world, fineBall(), "--mesh");
    const Image mesh = renderScene(world, 1);
    double coverage = 0.0, color = 0.0;
    for (std::size_t i = 0; i < sphere.alpha().size(); ++i) {
        coverage += std::fabs(sphere.alpha()[i] - mesh.alpha()[i]);
        const Rgb a = sphere.pixels()[i], b = mesh.pixels()[i];
        color += std::fabs(a.r - b.r) + std::fabs(a.g - b.g) + std::fabs(a.b - b.b);
    }
    const double pixels = static_cast<double>(sphere.alpha().size());
    EXPECT_LT(coverage / pixels, 0.005);
    EXPECT_LT(color / pixels, 0.01);
}

TEST(Render, AMeshRenderDoesNotDependOnTheThreads) {
    Scene world = defaultScene();
    placeMesh(world, findMesh("torusknot"), "--mesh");
    const Image one = renderScene(world, 1);
    RenderStats stats;
    const Image three = renderScene(world, 3, &stats);
    ASSERT_EQ(one.pixels().size(), three.pixels().size());
    for (std::size_t i = 0; i < one.pixels().size(); ++i) ASSERT_TRUE(one.pixels()[i] == three.pixels()[i]);
    EXPECT_GT(stats.shadingSamples, 0u);
}

TEST(Render, MeshesGoByName) {
    EXPECT_EQ(findMesh("sphere"), nullptr);
    EXPECT_EQ(findMesh("torusknot"), findMesh("torusknot")) << "made once";
    EXPECT_EQ(meshNames(), (std::vector<std::string>{"sphere", "torusknot"}));
    try {
        findMesh("torusnot");
        FAIL() << "accepted";
    } catch (const cli::InputError& error) {
        EXPECT_EQ(
            error.message(),
            "no mesh \"torusnot\"; did you mean \"torusknot\"? (meshes: sphere, torusknot; or an OBJ file, "
            "named with a dot or a slash)");
    }
}

TEST(Render, PlaceMeshTakesTheBallsWearingThePreviewedMaterial) {
    Scene scene = defaultScene();
    Object other = scene.objects[0];
    other.material = 1;
    scene.objects.push_back(other);
    placeMesh(scene, fineBall(), "--mesh");
    EXPECT_EQ(scene.objects[0].type, ObjectType::mesh);
    EXPECT_EQ(scene.objects[1].type, ObjectType::plane);
    EXPECT_EQ(scene.objects[2].type, ObjectType::sphere) << "another material's ball";
    placeMesh(scene, nullptr, "--mesh");
    EXPECT_EQ(scene.objects[0].type, ObjectType::sphere);
    EXPECT_EQ(scene.objects[0].mesh, nullptr);
    scene.objects[0].material = 1;
    try {
        placeMesh(scene, fineBall(), "--mesh");
        FAIL() << "accepted";
    } catch (const cli::InputError& error) {
        EXPECT_EQ(error.field(), "--mesh");
    }
}

class MeshSceneFile : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(folder_ / "meshes"); }
    std::string write(const std::string& name, const std::string& text) {
        std::ofstream(folder_ / name, std::ios::binary) << text;
        return (folder_ / name).string();
    }
    const sorvane::testing::ScratchFolder scratch_{"mesh-scene"};
    const std::filesystem::path& folder_ = scratch_.folder();
};

TEST_F(MeshSceneFile, ReadsMeshesBesideTheSceneFile) {
    write("meshes/tri.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 2 2 2\nf 1 2 3\nf 1 2 4\nf 1 1 2\n");
    const std::string scene = write("scene.json", R"({"objects": [
        {"type": "mesh", "mesh": "meshes/tri.obj", "center": [0, 1, 0], "radius": 1},
        {"type": "mesh", "mesh": "torusknot", "center": [3, 1, 0], "material": "stage"},
        {"type": "mesh", "mesh": "sphere"}]})");
    const Scene read = readSceneFile(scene);
    ASSERT_EQ(read.objects.size(), 3u);
    EXPECT_EQ(read.objects[0].type, ObjectType::mesh);
    EXPECT_EQ(read.objects[0].mesh->triangles().name, (folder_ / "meshes/tri.obj").string());
    EXPECT_EQ(read.objects[1].mesh, findMesh("torusknot"));
    EXPECT_EQ(read.objects[2].type, ObjectType::sphere);
    // What the file left out is said once, in the preview's notes; the
    // metadata names the meshes.
    PreviewRequest request;
    request.scene = read;
    request.render = {16, 16, 1, 1};
    StandInBackend backend;
    const Preview preview = renderPreviewSwatches(request, {&backend});
    EXPECT_EQ(preview.notes,
              (std::vector<std::string>{(folder_ / "meshes/tri.obj").string() +
                                        ":7: 1 triangle of no area left out (the first here)"}));
    bool named = false;
    for (const auto& [key, value] : preview.metadata) {
        if (key == "mesh") named = value == (folder_ / "meshes/tri.obj").string() + " torusknot";
    }
    EXPECT_TRUE(named);
}

TEST_F(MeshSceneFile, RefusesBadMeshesNamingTheFieldAndTheFile) {
    write("bad.obj", "v 0 0 0\nv 0 0 nan\n");
    const std::pair<const char*, std::string> cases[] = {
        {R"({"objects": [{"type": "mesh"}]})",
         "objects[0].mesh: must name a mesh (\"torusknot\") or an OBJ file"},
        {R"({"objects": [{"type": "mesh", "mesh": "knot"}]})", "objects[0].mesh: no mesh \"knot\""},
        {R"({"objects": [{"type": "mesh", "mesh": "missing.obj"}]})",
         "objects[0].mesh: " + (folder_ / "missing.obj").string() + ": cannot open the mesh file"},
        {R"({"objects": [{"type": "mesh", "mesh": "bad.obj"}]})",
         "objects[0].mesh: " + (folder_ / "bad.obj").string() + ":2: a vertex: \"nan\" is not a number"},
        {R"({"objects": [{"type": "mesh", "mesh": "torusknot", "normal": [0, 1, 0]}]})",
         "objects[0].normal: unknown key"},
        {R"({"objects": [{"type": "sphere", "mesh": "torusknot"}]})", "objects[0].mesh: unknown key"}};
    for (const auto& [json, message] : cases) {
        const std::string scene = write("scene.json", json);
        try {
            readSceneFile(scene);
            ADD_FAILURE() << json << " accepted";
        } catch (const cli::InputError& error) {
            EXPECT_EQ(error.message().rfind(scene + ": " + message, 0), 0u) << error.message();
        }
    }
}

}  // namespace
}  // namespace sorvane::render
