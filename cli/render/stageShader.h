#pragma once

// The matte shader of the set (floor, backdrop): what the renderer shades
// itself instead of asking a host, so that the set and its shadows are the
// same pixels in every swatch. It lights with the scene's lights as both hosts
// describe them (decay, cone, soft shadows over a light's disc or rectangle)
// and reflects like a Lambert surface without the 1/pi, as the hosts' diffuse
// terms do, so a floor of reflectance 0.18 under a light of intensity 1 reads
// 0.18.

#include <cstdint>

#include "cli/render/sceneTracer.h"

namespace sorvane::render {

class StageShader {
public:
    // Both in camera space; they must outlive the shader.
    StageShader(const Scene& cameraSpace, const SceneTracer& tracer);

    // The light arriving at `point` over a surface facing `normal`, per unit
    // reflectance. `seed` places the shadow rays: the same seed, the same answer.
    Rgb irradiance(Vec3 point, Vec3 normal, std::uint32_t seed) const;

    // Seen along `rayDirection`. Beyond the previewed object, as the camera
    // sees it, the set fades into the backdrop, as a photographer's paper
    // sweep does, so there is no horizon line behind the ball. The fade goes
    // by distance from the camera, so it runs across the picture and never
    // draws an arc of its own through the light on the floor.
    Rgb shade(Vec3 point, Vec3 normal, Vec3 rayDirection, Rgb reflectance, std::uint32_t seed) const;

private:
    Rgb lightAt(const Light& light, Vec3 point, Vec3 normal, std::uint32_t seed) const;

    const Scene& scene_;
    const SceneTracer& tracer_;
    float objectDistance_ = 1.0f;  // from the camera to the previewed object's centre (see the constructor)
};

// Distances from the camera, in units of its distance to the previewed
// object, between which the set fades into the backdrop.
constexpr float kStageFadeStart = 1.2f;
constexpr float kStageFadeEnd = 3.5f;

}  // namespace sorvane::render
