#include "cli/render/sceneFile.h"

#include "cli/common/inputFile.h"
#include "cli/render/sceneMesh.h"

#include <array>
#include <cmath>
#include <filesystem>
#include <sstream>

namespace sorvane::render {

namespace {

using cli::readBool;
using cli::readFloat;
using cli::readFloats;
using cli::readInt;
using cli::requireArray;
using cli::requireKnownKeys;
using cli::requireObject;

Vec3 readVector(const Json& value, const std::string& field) {
    const auto v = readFloats<3>(value, field);
    for (int i = 0; i < 3; ++i) {
        if (!std::isfinite(v[i])) {
            throw InputError(field + "[" + std::to_string(i) + "]", "must be finite");
        }
    }
    return {v[0], v[1], v[2]};
}

// Beyond a million units from the origin, squared distances leave what a
// float holds and shading turns to NaN; the radius has the same bound.
constexpr float kCoordinateLimit = 1e6f;

Vec3 readPoint(const Json& value, const std::string& field) {
    const Vec3 v = readVector(value, field);
    const float c[] = {v.x, v.y, v.z};
    for (int i = 0; i < 3; ++i) {
        if (std::fabs(c[i]) > kCoordinateLimit) {
            throw InputError(field + "[" + std::to_string(i) + "]",
                             "must be at least -1e+06 and at most 1e+06");
        }
    }
    return v;
}

Vec3 readDirection(const Json& value, const std::string& field) {
    const Vec3 v = readVector(value, field);
    if (length(v) == 0.0f) {
        throw InputError(field, "must not be of zero length");
    }
    return unitVector(v);
}

Rgb readColor(const Json& value, const std::string& field) {
    const Vec3 v = readVector(value, field);
    if (v.x < 0.0f || v.y < 0.0f || v.z < 0.0f) {
        throw InputError(field, "a colour must not be negative");
    }
    return {v.x, v.y, v.z};
}

std::array<float, 3> channels(Rgb c) { return {c.r, c.g, c.b}; }

float readRanged(const Json& value, const std::string& field, float low, float high, bool openLow) {
    const float v = readFloat(value, field);
    if (!(openLow ? v > low : v >= low) || !(v <= high)) {
        std::ostringstream range;
        range << "must be " << (openLow ? "greater than " : "at least ") << low << " and at most " << high;
        throw InputError(field, range.str());
    }
    return v;
}

Camera parseCamera(const Json& value, const std::string& field, Camera camera) {
    requireObject(value, field);
    requireKnownKeys(value, field, {"position", "lookAt", "up", "fieldOfView"});
    if (value.contains("position")) camera.position = readPoint(value["position"], field + ".position");
    if (value.contains("lookAt")) camera.lookAt = readPoint(value["lookAt"], field + ".lookAt");
    if (value.contains("up")) camera.up = readDirection(value["up"], field + ".up");
    if (value.contains("fieldOfView")) {
        camera.fieldOfView = readRanged(value["fieldOfView"], field + ".fieldOfView", 0.0f, 170.0f, true);
    }
    const Vec3 forward = camera.lookAt - camera.position;
    if (length(forward) == 0.0f) {
        throw InputError(field + ".lookAt", "must differ from the camera's position");
    }
    if (length(cross(unitVector(forward), camera.up)) < 1e-4f) {
        throw InputError(field + ".up", "must not be parallel to the viewing direction");
    }
    return camera;
}

TextureBinding parseTexture(const std::string& attribute, const Json& value, const std::string& field) {
    TextureBinding texture;
    texture.attribute = attribute;
    texture.origin = field;
    if (value.is_string()) {
        if (value.get<std::string>() != "checker") {
            throw InputError(field, "unknown texture \"" + value.get<std::string>() +
                                        "\" (the one texture is \"checker\")");
        }
        return texture;
    }
    requireObject(value, field);
    requireKnownKeys(value, field, {"type", "checks", "dark"});
    if (!value.contains("type") || value["type"] != "checker") {
        throw InputError(field + ".type", "must be \"checker\"");
    }
    if (value.contains("checks"))
        texture.checks = readRanged(value["checks"], field + ".checks", 0.0f, 1e4f, true);
    if (value.contains("dark")) texture.dark = readRanged(value["dark"], field + ".dark", 0.0f, 1e4f, false);
    return texture;
}

// A name is optional, but one given must be a string.
std::string readName(const Json& value, const std::string& field, const std::string& fallback) {
    if (!value.contains("name")) return fallback;
    if (!value["name"].is_string()) {
        throw InputError(field + ".name", std::string("expected a string, got ") + value["name"].type_name());
    }
    return value["name"].get<std::string>();
}

Object parseObject(const Json& value, const std::string& field, Scene& scene, const std::string& folder) {
    requireObject(value, field);
    Object object;
    if (!value.contains("type") || !value["type"].is_string()) {
        throw InputError(field + ".type", "must be \"sphere\", \"plane\" or \"mesh\"");
    }
    const std::string type = value["type"].get<std::string>();
    if (type == "sphere" || type == "mesh") {
        if (type == "mesh") {
            requireKnownKeys(value, field, {"name", "type", "mesh", "center", "radius", "material"});
            if (!value.contains("mesh") || !value["mesh"].is_string()) {
                throw InputError(field + ".mesh", "must name a mesh (\"torusknot\") or an OBJ file");
            }
            // A file beside the scene file, as a relative path is meant.
            std::string name = value["mesh"].get<std::string>();
            if (!isShapeName(name) && !folder.empty() && !std::filesystem::path(name).is_absolute()) {
                name = (std::filesystem::path(folder) / name).string();
            }
            try {
                object.mesh = findMesh(name);
            } catch (const InputError& error) {
                throw InputError(field + ".mesh", error.message());
            }
        } else {
            requireKnownKeys(value, field, {"name", "type", "center", "radius", "material"});
        }
        object.type = object.mesh ? ObjectType::mesh : ObjectType::sphere;
        object.center = readPoint(value.value("center", Json::array({0, 1, 0})), field + ".center");
        if (value.contains("radius"))
            object.radius = readRanged(value["radius"], field + ".radius", 0.0f, 1e6f, true);
        object.axis = scene.worldUp;
        object.tangent = {0.0f, 0.0f, -1.0f};
    } else if (type == "plane") {
        requireKnownKeys(value, field, {"name", "type", "point", "normal", "radius", "material"});
        object.type = ObjectType::plane;
        object.center = readPoint(value.value("point", Json::array({0, 0, 0})), field + ".point");
        object.axis = readDirection(value.value("normal", Json::array({0, 1, 0})), field + ".normal");
        object.radius = 0.0f;
        if (value.contains("radius"))
            object.radius = readRanged(value["radius"], field + ".radius", 0.0f, 1e6f, false);
        // Any direction in the plane will do for the texture coordinates.
        const Vec3 helper = std::fabs(object.axis.x) < 0.9f ? Vec3{1, 0, 0} : Vec3{0, 0, 1};
        object.tangent = unitVector(helper - object.axis * dot(helper, object.axis));
    } else {
        throw InputError(field + ".type",
                         "unknown object type \"" + type + "\" (use \"sphere\", \"plane\" or \"mesh\")");
    }
    object.name = readName(value, field, type);
    const Json material = value.value("material", Json("preview"));
    if (material.is_string()) {
        const std::string name = material.get<std::string>();
        if (name == "stage") {
            // The set's matte grey, shaded alike in every swatch.
            SceneMaterial stage;
            stage.stage = true;
            scene.materials.push_back(stage);
            object.material = static_cast<int>(scene.materials.size()) - 1;
        } else if (name == "preview") {
            object.material = 0;
        } else {
            throw InputError(field + ".material", "must be \"preview\", \"stage\" or a material object");
        }
    } else {
        scene.materials.push_back(parseMaterial(material, field + ".material"));
        object.material = static_cast<int>(scene.materials.size()) - 1;
    }
    return object;
}

LightType parseLightType(const Json& value, const std::string& field) {
    if (value.is_string()) {
        const std::string t = value.get<std::string>();
        for (LightType type : {LightType::directional, LightType::point, LightType::spot, LightType::ambient,
                               LightType::area}) {
            if (t == lightTypeName(type)) return type;
        }
        throw InputError(field,
                         "unknown light type \"" + t + "\" (use directional, point, spot, ambient or area)");
    }
    throw InputError(field, "must be one of directional, point, spot, ambient, area");
}

Light parseLight(const Json& value, const std::string& field, int index) {
    requireObject(value, field);
    Light light;
    if (!value.contains("type")) throw InputError(field + ".type", "is missing");
    light.type = parseLightType(value["type"], field + ".type");
    switch (light.type) {
        case LightType::directional:
            requireKnownKeys(
                value, field,
                {"name", "type", "color", "intensity", "shadows", "direction", "aim", "position"});
            break;
        case LightType::point:
            requireKnownKeys(value, field,
                             {"name", "type", "color", "intensity", "shadows", "position", "decayRate",
                              "lightRadius", "samples"});
            break;
        case LightType::spot:
            requireKnownKeys(
                value, field,
                {"name", "type", "color", "intensity", "shadows", "position", "direction", "aim", "decayRate",
                 "coneAngle", "penumbraAngle", "dropoff", "lightRadius", "samples"});
            break;
        case LightType::ambient:
            requireKnownKeys(value, field, {"name", "type", "color", "intensity"});
            break;
        case LightType::area:
            requireKnownKeys(value, field,
                             {"name", "type", "color", "intensity", "shadows", "position", "direction", "aim",
                              "decayRate", "width", "height", "samples"});
            break;
    }
    light.name = readName(value, field, "light" + std::to_string(index + 1));
    if (value.contains("color")) light.color = readColor(value["color"], field + ".color");
    if (value.contains("intensity"))
        light.intensity = readRanged(value["intensity"], field + ".intensity", 0.0f, 1e6f, false);
    if (value.contains("shadows")) light.shadows = readBool(value["shadows"], field + ".shadows");
    const bool placed = light.type != LightType::ambient;
    const bool aimed = light.type == LightType::directional || light.type == LightType::spot ||
                       light.type == LightType::area;
    if (placed) {
        if (value.contains("position")) {
            light.position = readPoint(value["position"], field + ".position");
        } else if (light.type != LightType::directional) {
            throw InputError(field + ".position",
                             "is missing (a " + std::string(lightTypeName(light.type)) + " light needs one)");
        }
    }
    if (aimed) {
        if (value.contains("direction") && value.contains("aim")) {
            throw InputError(field, "give \"direction\" or \"aim\", not both");
        }
        if (value.contains("direction")) {
            light.direction = readDirection(value["direction"], field + ".direction");
        } else if (value.contains("aim")) {
            const Vec3 at = readPoint(value["aim"], field + ".aim");
            if (length(at - light.position) == 0.0f) {
                throw InputError(field + ".aim", "must differ from the light's position");
            }
            light.direction = unitVector(at - light.position);
        } else {
            throw InputError(field + ".direction", "is missing (give \"direction\" or \"aim\")");
        }
    }
    if (value.contains("decayRate")) {
        light.decayRate = readInt(value["decayRate"], field + ".decayRate");
        if (light.decayRate < 0 || light.decayRate > 2) {
            throw InputError(field + ".decayRate", "must be 0 (none), 1 (linear) or 2 (quadratic)");
        }
    }
    if (value.contains("coneAngle"))
        light.coneAngle = readRanged(value["coneAngle"], field + ".coneAngle", 0.0f, 179.0f, true);
    if (value.contains("penumbraAngle"))
        light.penumbraAngle =
            readRanged(value["penumbraAngle"], field + ".penumbraAngle", 0.0f, 90.0f, false);
    if (value.contains("dropoff"))
        light.dropoff = readRanged(value["dropoff"], field + ".dropoff", 0.0f, 1000.0f, false);
    if (value.contains("width")) light.width = readRanged(value["width"], field + ".width", 0.0f, 1e4f, true);
    if (value.contains("height"))
        light.height = readRanged(value["height"], field + ".height", 0.0f, 1e4f, true);
    if (value.contains("lightRadius"))
        light.lightRadius = readRanged(value["lightRadius"], field + ".lightRadius", 0.0f, 1e4f, false);
    if (value.contains("samples")) {
        light.samples = readInt(value["samples"], field + ".samples");
        if (light.samples < 1 || light.samples > 256) {
            throw InputError(field + ".samples", "must be between 1 and 256");
        }
    } else if (light.type == LightType::area) {
        light.samples = 8;
    }
    return light;
}

}  // namespace

AttributeValue parseAttributeValue(const std::string& name, const Json& value, const std::string& field) {
    // A material value that is not finite would only paint garbage.
    const auto finite = [](const Json& v, const std::string& where) {
        const float f = readFloat(v, where);
        if (!std::isfinite(f)) throw InputError(where, "must be a finite number, not " + v.dump());
        return f;
    };
    AttributeValue a;
    a.name = name;
    a.origin = field;
    if (value.is_boolean()) {
        a.boolean = true;
        a.count = 1;
        a.values[0] = value.get<bool>() ? 1.0f : 0.0f;
        return a;
    }
    if (value.is_array()) {
        if (value.empty() || value.size() > 4) {
            throw InputError(field, "expected a number, true/false or a list of 3 numbers");
        }
        a.count = static_cast<int>(value.size());
        for (std::size_t i = 0; i < value.size(); ++i) {
            a.values[i] = finite(value[i], field + "[" + std::to_string(i) + "]");
        }
        return a;
    }
    a.count = 1;
    a.values[0] = finite(value, field);
    return a;
}

SceneMaterial parseMaterial(const Json& value, const std::string& field) {
    requireObject(value, field);
    requireKnownKeys(value, field, {"preset", "attributes", "textures"});
    SceneMaterial material;
    if (value.contains("preset")) {
        if (!value["preset"].is_string()) throw InputError(field + ".preset", "must be a preset name");
        material.preset = value["preset"].get<std::string>();
    }
    if (value.contains("attributes")) {
        const Json& attributes = requireObject(value["attributes"], field + ".attributes");
        for (const auto& [name, v] : attributes.items()) {
            material.attributes.push_back(parseAttributeValue(name, v, field + ".attributes." + name));
        }
    }
    if (value.contains("textures")) {
        const Json& textures = requireObject(value["textures"], field + ".textures");
        for (const auto& [name, v] : textures.items()) {
            material.textures.push_back(parseTexture(name, v, field + ".textures." + name));
        }
    }
    return material;
}

Scene parseScene(const Json& document, const std::string& directory) {
    requireObject(document, "scene");
    requireKnownKeys(document, "", {"camera", "environment", "material", "objects", "lights"});
    Scene scene = defaultScene();
    if (document.contains("camera")) scene.camera = parseCamera(document["camera"], "camera", scene.camera);
    if (document.contains("environment")) {
        const Json& e = requireObject(document["environment"], "environment");
        requireKnownKeys(e, "environment", {"sky", "ground", "file", "intensity", "rotate"});
        if (e.contains("sky")) scene.environment.sky = channels(readColor(e["sky"], "environment.sky"));
        if (e.contains("ground"))
            scene.environment.ground = channels(readColor(e["ground"], "environment.ground"));
        if (e.contains("file")) {
            if (!e["file"].is_string() || e["file"].get<std::string>().empty()) {
                throw InputError("environment.file", "must name an OpenEXR image");
            }
            EnvironmentImage image;
            const std::filesystem::path file = e["file"].get<std::string>();
            // Relative to the scene file, wherever the command runs.
            image.file = file.is_absolute() || directory.empty()
                             ? file.string()
                             : (std::filesystem::path(directory) / file).string();
            if (e.contains("intensity"))
                image.intensity = readRanged(e["intensity"], "environment.intensity", 0.0f, 1e6f, false);
            if (e.contains("rotate"))
                image.rotate = readRanged(e["rotate"], "environment.rotate", -1e4f, 1e4f, false);
            scene.environmentImage = image;
        } else {
            for (const char* key : {"intensity", "rotate"}) {
                if (e.contains(key)) {
                    throw InputError(std::string("environment.") + key,
                                     "applies to an image: give \"file\" too");
                }
            }
        }
    }
    if (document.contains("material")) scene.materials[0] = parseMaterial(document["material"], "material");
    if (document.contains("objects")) {
        const Json& objects = requireArray(document["objects"], "objects");
        scene.materials.resize(1);
        scene.objects.clear();
        for (std::size_t i = 0; i < objects.size(); ++i) {
            scene.objects.push_back(
                parseObject(objects[i], "objects[" + std::to_string(i) + "]", scene, directory));
        }
    }
    if (document.contains("lights")) {
        const Json& lights = requireArray(document["lights"], "lights");
        scene.lights.clear();
        for (std::size_t i = 0; i < lights.size(); ++i) {
            scene.lights.push_back(
                parseLight(lights[i], "lights[" + std::to_string(i) + "]", static_cast<int>(i)));
        }
        scene.ownLights = true;
    }
    return scene;
}

Scene readSceneFile(const std::string& path) {
    const std::string text = cli::readTextFile(path, "the scene file");
    Json document;
    try {
        document = cli::parseJson(text);
    } catch (const InputError& error) {
        throw InputError(path, cli::messageOf(error));
    } catch (const Json::exception& error) {
        // Syntax errors, and numbers too large for a double (1e400).
        throw InputError(path, std::string("not valid JSON: ") + error.what());
    }
    try {
        return parseScene(document, std::filesystem::path(path).parent_path().string());
    } catch (const InputError& error) {
        // Name the file before the field; what() already holds "field: message".
        throw InputError(path, cli::messageOf(error));
    }
}

}  // namespace sorvane::render
