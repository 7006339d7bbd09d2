#pragma once

// What the preview renders: a camera, a few objects, lights, an environment,
// and the materials on the objects. A scene file (JSON, see sceneFile.h) or
// the built-in default scene describes it in world space; toCameraSpace()
// moves it to the camera's space, where the renderer and the hosts work.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/material/materialFiles.h"
#include "cli/render/vec3.h"
#include "lighting/environment.h"

namespace sorvane::render {

struct Camera {
    Vec3 position{0.0f, 1.5f, 6.2f};
    Vec3 lookAt{0.0f, 0.8f, 0.0f};
    Vec3 up{0.0f, 1.0f, 0.0f};
    float fieldOfView = 30.0f;  // vertical, degrees
};

// Which hosts a material value is meant for, as the material files say: a
// preset can hold values that only one host's shader has (Maya's
// transparency, mental ray's subsurfaceIntensity).
using material::HostScope;

// One material attribute by the Maya node's name (the mental ray parameter of
// the same name gets it too). Colours have 3 values (4 for a mental ray
// colour with alpha); a single value given to a colour sets all channels.
struct AttributeValue {
    std::string name;
    std::array<float, 4> values{};
    int count = 0;
    bool boolean = false;  // written as true/false
    HostScope scope = HostScope::all;
    std::string origin;  // where it was given, for messages ("--set", "preset skin")
    // Read from a material file, where it was checked against both hosts'
    // attributes: a host that lacks it leaves it out without refusing it.
    bool checked = false;
};

// A procedural checker driving one attribute: squares alternate between the
// attribute's own value and that value times `dark`.
struct TextureBinding {
    std::string attribute;
    float checks = 8.0f;  // squares per unit of the object's texture coordinates
    float dark = 0.3f;
    std::string origin;
};

struct SceneMaterial {
    // A stage material (floor, backdrop) is shaded by the renderer's own matte
    // shader, never by a host: the set then looks the same in every swatch and
    // only the previewed material differs between the hosts.
    bool stage = false;
    Rgb stageColor{0.18f, 0.18f, 0.18f};  // its reflectance
    std::string preset = "default";
    std::vector<AttributeValue> attributes;  // applied in order, after the preset's
    std::vector<TextureBinding> textures;
};

enum class ObjectType { sphere, plane, mesh };

class SceneMesh;

// A mesh takes a ball's place: fitted into the ball's bounding cube, its
// largest side the ball's diameter, centred across the pole and resting
// where the ball rests (the cube's bottom, along the pole), so that a flat
// mesh stands on the floor rather than floating at the ball's centre. Its
// own axes are the ball's: y along the pole, -z along the tangent.
struct Object {
    std::string name;
    ObjectType type = ObjectType::sphere;
    Vec3 center;                            // sphere (and mesh) centre; a point of the plane
    float radius = 1.0f;                    // sphere (and mesh) radius; plane extent (0: unbounded)
    Vec3 axis{0.0f, 1.0f, 0.0f};            // sphere (and mesh) pole; plane normal
    Vec3 tangent{1.0f, 0.0f, 0.0f};         // where u starts (sphere, mesh) or runs (plane)
    int material = 0;                       // index into Scene::materials
    std::shared_ptr<const SceneMesh> mesh;  // a mesh's triangles
};

enum class LightType { directional, point, spot, ambient, area };

const char* lightTypeName(LightType type);

struct Light {
    std::string name;
    LightType type = LightType::point;
    Rgb color{1.0f, 1.0f, 1.0f};
    float intensity = 1.0f;
    Vec3 position;
    Vec3 direction{0.0f, -1.0f, 0.0f};  // where it shines (directional, spot, area)
    int decayRate = 0;                  // 0 none, 1 linear, 2 quadratic
    float coneAngle = 40.0f;            // spot, degrees, full angle
    float penumbraAngle = 0.0f;         // spot, degrees, added outside the cone
    float dropoff = 0.0f;               // spot
    float width = 1.0f;                 // area
    float height = 1.0f;                // area
    float lightRadius = 0.0f;           // soft shadows of point and spot lights
    int samples = 1;                    // area light samples, or shadow rays
    bool shadows = true;
};

// An environment image to light the scene by (environmentFile.h lights it).
struct EnvironmentImage {
    std::string file;
    float intensity = 1.0f;
    float rotate = 0.0f;  // degrees about the world's vertical
};

struct Scene {
    Camera camera;
    std::vector<Object> objects;
    std::vector<Light> lights;
    lighting::Environment environment;
    // Given, the image takes the place of sky and ground, and its lights join
    // the scene's: the scene file's own lights, or instead of the default's.
    std::optional<EnvironmentImage> environmentImage;
    bool ownLights = false;  // the lights are the scene file's
    // materials[0] is the previewed material: --preset, --set, --wedge and
    // --texture change it. Other entries belong to the set around it.
    std::vector<SceneMaterial> materials{SceneMaterial{}};
    // The vertical of the world in camera space, for the environment.
    Vec3 worldUp{0.0f, 1.0f, 0.0f};
    // From the camera to what it looks at: where the set fades from when no
    // object wears the previewed material.
    float focusDistance = 0.0f;
};

Scene defaultScene();

// The same scene in the camera's space (camera at the origin looking down -z,
// y up), as Maya hands samples to a shader.
Scene toCameraSpace(const Scene& world);

// The environment's radiance seen along a camera-space direction.
Rgb environmentRadiance(const lighting::Environment& environment, Vec3 worldUp, Vec3 direction);

}  // namespace sorvane::render
