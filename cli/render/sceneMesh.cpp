#include "cli/render/sceneMesh.h"

#include <embree3/rtcore.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <stdexcept>

#include "cli/common/inputError.h"
#include "cli/common/jsonValues.h"
#include "cli/common/nameSuggestions.h"
#include "cli/mesh/meshShapes.h"
#include "cli/mesh/objReader.h"

namespace sorvane::render {

namespace {

// What Embree last said went wrong on this thread.
thread_local std::string embreeError;

void recordError(void*, RTCError, const char* text) {
    embreeError = text != nullptr ? text : "unknown error";
}

std::string takeError(RTCDevice device) {
    const RTCError code = rtcGetDeviceError(device);
    if (code == RTC_ERROR_NONE) return {};
    std::string text = embreeError.empty() ? "error " + std::to_string(static_cast<int>(code)) : embreeError;
    embreeError.clear();
    return text;
}

}  // namespace

RTCDevice embreeDevice() {
    static const RTCDevice device = [] {
        const RTCDevice created = rtcNewDevice("verbose=0");
        if (created == nullptr) {
            throw std::runtime_error("the ray tracer (Embree) cannot start: error " +
                                     std::to_string(static_cast<int>(rtcGetDeviceError(nullptr))));
        }
        rtcSetDeviceErrorFunction(created, recordError, nullptr);
        return created;
    }();
    return device;
}

SceneMesh::SceneMesh(mesh::TriangleMesh triangles) : triangles_(std::move(triangles)) {
    for (const mesh::Float3& p : triangles_.positions) {
        reach_ = std::max(reach_, std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z));
    }
}

SceneMesh::~SceneMesh() {
    if (scene_ != nullptr) rtcReleaseScene(scene_);
}

RTCScene SceneMesh::accelerator() const {
    std::call_once(built_, [this] {
        const RTCDevice device = embreeDevice();
        RTCScene scene = rtcNewScene(device);
        // Built once and traced by every pixel: the slower, better build pays.
        rtcSetSceneBuildQuality(scene, RTC_BUILD_QUALITY_HIGH);
        // No ray slips between two triangles through their shared edge.
        rtcSetSceneFlags(scene, RTC_SCENE_FLAG_ROBUST);
        const RTCGeometry geometry = rtcNewGeometry(device, RTC_GEOMETRY_TYPE_TRIANGLE);
        const std::vector<mesh::Float3>& positions = triangles_.positions;
        const std::vector<mesh::Triangle>& faces = triangles_.triangles;
        auto* vertices = static_cast<float*>(rtcSetNewGeometryBuffer(
            geometry, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3, 3 * sizeof(float), positions.size()));
        auto* indices = static_cast<unsigned*>(rtcSetNewGeometryBuffer(
            geometry, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3, 3 * sizeof(unsigned), faces.size()));
        if (vertices != nullptr && indices != nullptr) {
            for (std::size_t i = 0; i < positions.size(); ++i) {
                vertices[3 * i] = positions[i].x;
                vertices[3 * i + 1] = positions[i].y;
                vertices[3 * i + 2] = positions[i].z;
            }
            for (std::size_t i = 0; i < faces.size(); ++i) {
                std::copy(faces[i].position.begin(), faces[i].position.end(), indices + 3 * i);
            }
            rtcSetGeometryBuildQuality(geometry, RTC_BUILD_QUALITY_HIGH);
            rtcCommitGeometry(geometry);
            rtcAttachGeometry(scene, geometry);
        }
        rtcReleaseGeometry(geometry);
        if (vertices != nullptr && indices != nullptr) rtcCommitScene(scene);
        const std::string error = takeError(device);
        if (!error.empty() || vertices == nullptr || indices == nullptr) {
            rtcReleaseScene(scene);
            throw std::runtime_error("the ray tracer (Embree) cannot hold the mesh " + triangles_.name +
                                     ": " + (error.empty() ? "out of memory" : error));
        }
        scene_ = scene;
    });
    return scene_;
}

bool isShapeName(const std::string& text) {
    return !text.empty() && text.find_first_of("./") == std::string::npos;
}

std::vector<std::string> meshNames() {
    std::vector<std::string> names{"sphere"};
    for (const std::string& name : mesh::shapeNames()) names.push_back(name);
    return names;
}

std::shared_ptr<const SceneMesh> findMesh(const std::string& nameOrFile) {
    if (nameOrFile == "sphere") return nullptr;
    if (!isShapeName(nameOrFile)) return std::make_shared<const SceneMesh>(mesh::readObjFile(nameOrFile));
    const std::vector<std::string> names = meshNames();
    if (std::find(names.begin(), names.end(), nameOrFile) == names.end()) {
        std::string known;
        for (const std::string& n : names) known += (known.empty() ? "" : ", ") + n;
        throw cli::InputError("no mesh \"" + cli::printable(nameOrFile) + "\"" +
                              cli::didYouMean(nameOrFile, names) + " (meshes: " + known +
                              "; or an OBJ file, named with a dot or a slash)");
    }
    // Made once: the studio draws the same shape request after request.
    static std::mutex mutex;
    static std::map<std::string, std::shared_ptr<const SceneMesh>> made;
    const std::lock_guard<std::mutex> lock(mutex);
    auto found = made.find(nameOrFile);
    if (found == made.end()) {
        found =
            made.emplace(nameOrFile, std::make_shared<const SceneMesh>(mesh::makeShape(nameOrFile))).first;
    }
    return found->second;
}

void placeMesh(Scene& scene, const std::shared_ptr<const SceneMesh>& mesh, const std::string& option) {
    bool placed = false;
    for (Object& object : scene.objects) {
        if (object.material != 0 || object.type == ObjectType::plane) continue;
        object.type = mesh ? ObjectType::mesh : ObjectType::sphere;
        object.mesh = mesh;
        placed = true;
    }
    if (!placed) {
        throw cli::InputError(option,
                              "the scene has no ball that wears the previewed material to take "
                              "the mesh's place");
    }
}

}  // namespace sorvane::render
