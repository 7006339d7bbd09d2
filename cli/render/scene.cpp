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

Vec3 aim(Vec3 from, Vec3 at) { return unitVector(at - from); }

}  // namespace

Scene defaultScene() {
    Scene scene;
    scene.camera = Camera{};

    // A seamless set: an 18% grey floor, shaded by the renderer itself, under
    // a dark backdrop (the environment). The lights fall off with distance, so
    // the floor fades into the backdrop with no horizon to speak of.
    SceneMaterial floor;
    floor.stage = true;
    floor.stageColor = {0.18f, 0.18f, 0.18f};
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

    // Key: a soft area light from the left, a little above and in front, so
    // a terminator crosses the ball and its shadow falls to the right.
    Light key;
    key.name = "key";
    key.type = LightType::area;
    key.position = {-4.6f, 2.9f, 1.4f};
    key.direction = aim(key.position, {0.0f, 1.0f, 0.0f});
    key.color = {1.0f, 0.97f, 0.92f};
    key.decayRate = 2;
    key.intensity = 15.0f;  // about 0.55 at the ball
    key.width = 2.2f;
    key.height = 2.2f;
    key.lightRadius = 1.1f;
    key.samples = 9;

    // Rim: a strong spot from behind and above, low enough that what passes
    // over the ball lands in front of the camera, its soft edge ending at the
    // ball's outline as the light sees it: the ball takes all of its light and
    // no pool or arc reaches the visible floor.
    Light rim;
    rim.name = "rim";
    rim.type = LightType::spot;
    rim.position = {0.4f, 3.6f, -6.2f};
    rim.direction = aim(rim.position, {0.0f, 1.0f, 0.0f});
    rim.color = {0.95f, 0.97f, 1.0f};
    rim.decayRate = 2;
    rim.intensity = 40.0f;  // about 0.9 at the ball
    rim.coneAngle = 4.0f;
    // The penumbra's outer edge (9.5 degrees off the axis) lies beyond the
    // ball's outline (8.5): mental ray's translucency does not fade with a
    // light's penumbra, so an edge crossing the ball would draw a hard
    // crescent inside its top.
    rim.penumbraAngle = 7.5f;

    // A weak light beside the lens, so what faces the camera (the opposition
    // effect) is lit, as a flash would light it.
    Light camera;
    camera.name = "camera";
    camera.type = LightType::point;
    camera.position = {0.35f, 1.75f, 6.0f};
    camera.color = {1.0f, 1.0f, 1.0f};
    camera.decayRate = 2;
    camera.intensity = 4.0f;  // about 0.1 at the ball
    camera.shadows = false;

    scene.lights = {key, rim, camera};
    return scene;
}

Scene toCameraSpace(const Scene& world) {
    const Camera& c = world.camera;
    const Vec3 forward = unitVector(c.lookAt - c.position);
    const Vec3 right = unitVector(cross(forward, c.up));
    const Vec3 up = cross(right, forward);
    const auto direction = [&](Vec3 d) { return Vec3{dot(d, right), dot(d, up), -dot(d, forward)}; };
    const auto point = [&](Vec3 p) { return direction(p - c.position); };

    Scene out = world;
    out.camera.position = {};
    out.camera.lookAt = {0.0f, 0.0f, -1.0f};
    out.camera.up = {0.0f, 1.0f, 0.0f};
    out.worldUp = direction(world.worldUp);
    out.focusDistance = length(c.lookAt - c.position);
    for (Object& o : out.objects) {
        o.center = point(o.center);
        o.axis = unitVector(direction(o.axis));
        o.tangent = unitVector(direction(o.tangent));
    }
    for (Light& l : out.lights) {
        l.position = point(l.position);
        l.direction = unitVector(direction(l.direction));
    }
    // Camera space back to the world (the rows' transpose), then on to the map.
    const Vec3 back[3] = {
        {right.x, up.x, -forward.x}, {right.y, up.y, -forward.y}, {right.z, up.z, -forward.z}};
    const auto& toMap = world.environment.toMap;
    for (int i = 0; i < 3; ++i) {
        const Vec3 row = back[0] * toMap[i][0] + back[1] * toMap[i][1] + back[2] * toMap[i][2];
        out.environment.toMap[i] = {row.x, row.y, row.z};
    }
    return out;
}

Rgb environmentRadiance(const lighting::Environment& environment, Vec3 worldUp, Vec3 direction) {
    if (environment.map != nullptr) {
        const lighting::Color3 c = environment.map->radiance(
            lighting::inMapFrame(environment, direction.x, direction.y, direction.z));
        return Rgb{c[0], c[1], c[2]} * environment.intensity;
    }
    const float height = dot(unitVector(direction), worldUp);
    const auto& sky = environment.sky;
    const auto& ground = environment.ground;
    return {lighting::skyRadiance(sky[0], ground[0], height),
            lighting::skyRadiance(sky[1], ground[1], height),
            lighting::skyRadiance(sky[2], ground[2], height)};
}

}  // namespace sorvane::render
