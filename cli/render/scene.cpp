#include "cli/render/scene.h"

namespace sorvane::render {

const char* lightTypeName(LightType type) {
    switch (type) {
        case LightType::directional:
            return "directional";
        case LightType::point:
            return "point";
        case LightType::spot:
            return "spot";
        case LightType::ambient:
            return "ambient";
        case LightType::area:
            return "area";
    }
    return "?";
}

namespace {

AttributeValue value(const char* name, float v) {
    AttributeValue a;
    a.name = name;
    a.values = {v, 0.0f, 0.0f, 0.0f};
    a.count = 1;
    a.origin = "the default scene's floor";
    return a;
}

AttributeValue value(const char* name, float r, float g, float b) {
    AttributeValue a = value(name, r);
    a.values = {r, g, b, 0.0f};
    a.count = 3;
    return a;
}

Vec3 aim(Vec3 from, Vec3 at) { return normalized(at - from); }

}  // namespace

Scene defaultScene() {
    Scene scene;
    scene.camera = Camera{};

    // A matte checkered floor, shaded by the same plug-in with its scattering,
    // opposition, backlight and highlight turned off.
    Material floor;
    floor.attributes = {value("color", 0.62f, 0.6f, 0.57f),         value("diffuse", 0.85f),
                        value("scatteringColor", 0.0f, 0.0f, 0.0f), value("scattering", 0.0f),
                        value("oppositionColor", 0.0f, 0.0f, 0.0f), value("opposition", 0.0f),
                        value("backlightColor", 0.0f, 0.0f, 0.0f),  value("backlight", 0.0f),
                        value("specularColor", 0.0f, 0.0f, 0.0f),   value("specularRollOff", 0.0f)};
    floor.textures = {TextureBinding{"color", 1.0f, 0.55f, "the default scene's floor"}};
    scene.materials.push_back(floor);

    Object ball;
    ball.name = "ball";
    ball.type = ObjectType::sphere;
    ball.center = {0.0f, 1.0f, 0.0f};
    ball.radius = 1.0f;
    ball.axis = {0.0f, 1.0f, 0.0f};
    ball.tangent = {0.0f, 0.0f, -1.0f};  // the texture seam faces away from the camera
    ball.material = 0;

    Object ground;
    ground.name = "floor";
    ground.type = ObjectType::plane;
    ground.center = {0.0f, 0.0f, 0.0f};
    ground.radius = 0.0f;
    ground.axis = {0.0f, 1.0f, 0.0f};
    ground.tangent = {1.0f, 0.0f, 0.0f};
    ground.material = 1;
    scene.objects = {ball, ground};

    // Key from the front left, soft; fill from the right, cool and dim; a spot
    // behind the ball towards the camera, so the backlight and the scattering
    // of light coming through show on the rim.
    Light key;
    key.name = "key";
    key.type = LightType::area;
    key.position = {-3.2f, 4.2f, 3.4f};
    key.direction = aim(key.position, {0.0f, 0.8f, 0.0f});
    key.color = {1.0f, 0.95f, 0.87f};
    key.intensity = 0.42f;
    key.width = 1.8f;
    key.height = 1.8f;
    key.lightRadius = 0.9f;
    key.samples = 8;

    Light fill;
    fill.name = "fill";
    fill.type = LightType::point;
    fill.position = {4.5f, 1.8f, 3.2f};
    fill.color = {0.72f, 0.8f, 1.0f};
    fill.intensity = 0.1f;

    Light back;
    back.name = "back";
    back.type = LightType::spot;
    back.position = {0.8f, 4.5f, -4.5f};
    back.direction = aim(back.position, {0.0f, 0.95f, 0.0f});
    back.color = {1.0f, 0.97f, 0.92f};
    back.intensity = 0.55f;
    back.coneAngle = 22.0f;
    back.penumbraAngle = 5.0f;

    scene.lights = {key, fill, back};
    return scene;
}

Scene toCameraSpace(const Scene& world) {
    const Camera& c = world.camera;
    const Vec3 forward = normalized(c.lookAt - c.position);
    const Vec3 right = normalized(cross(forward, c.up));
    const Vec3 up = cross(right, forward);
    const auto direction = [&](Vec3 d) { return Vec3{dot(d, right), dot(d, up), -dot(d, forward)}; };
    const auto point = [&](Vec3 p) { return direction(p - c.position); };

    Scene out = world;
    out.camera.position = {};
    out.camera.lookAt = {0.0f, 0.0f, -1.0f};
    out.camera.up = {0.0f, 1.0f, 0.0f};
    out.worldUp = direction(world.worldUp);
    for (Object& o : out.objects) {
        o.center = point(o.center);
        o.axis = normalized(direction(o.axis));
        o.tangent = normalized(direction(o.tangent));
    }
    for (Light& l : out.lights) {
        l.position = point(l.position);
        l.direction = normalized(direction(l.direction));
    }
    return out;
}

Rgb environmentRadiance(const Environment& environment, Vec3 worldUp, Vec3 direction) {
    // Linear in the height, so its irradiance has a closed form.
    const float w = 0.5f * (1.0f + dot(normalized(direction), worldUp));
    return environment.ground * (1.0f - w) + environment.sky * w;
}

}  // namespace sorvane::render
