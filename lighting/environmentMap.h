#pragma once

// A lighting environment from a linear lat-long image: the radiance along
// each direction, the irradiance about each normal, and the image turned
// into directional lights. One definition for the backdrop the command's
// renderer draws, the lights both hosts get and the irradiance mental ray
// gathers, so all of them see the same environment.
//
// The map's frame: y is the world's vertical, the image's top row looks
// straight up, its middle column looks down -z (what the preview's camera
// faces) and its columns run towards +x, so the image reads left to right as
// the camera sees the world.

#include <array>
#include <cstdint>
#include <vector>

namespace sorvane::lighting {

using Color3 = std::array<float, 3>;
using Direction = std::array<float, 3>;

// The unit direction through image coordinates u, v in [0, 1] (v = 0: the top).
Direction latLongDirection(float u, float v);
// The image coordinates of a direction (any length but zero).
void latLongCoordinates(const Direction& d, float& u, float& v);

class EnvironmentMap {
public:
    // Linear RGB, row by row from the top, three floats a pixel; every value
    // finite and not negative (the reader checks), width and height from 1.
    EnvironmentMap(int width, int height, std::vector<float> rgb);

    int width() const { return width_; }
    int height() const { return height_; }
    Color3 pixel(int x, int y) const;
    // The solid angle of one pixel of row y.
    double pixelSolidAngle(int y) const;

    // Along a direction of the map's frame, filtered between pixels.
    Color3 radiance(const Direction& d) const;
    // About a unit normal of the map's frame: the cosine-weighted integral
    // of the radiance over the hemisphere (pi L for an even radiance L).
    Color3 irradiance(const Direction& normal) const;
    // The integral of the radiance over the sphere, per channel.
    std::array<double, 3> integral() const;
    bool black() const { return black_; }

private:
    void buildIrradiance();

    int width_ = 0;
    int height_ = 0;
    std::vector<float> rgb_;
    bool black_ = true;
    // Irradiance about the directions of a small lat-long grid, looked up
    // between them: irradiance varies slowly, so a few hundred normals hold it.
    std::vector<float> irradiance_;
};

// A directional light standing for part of the environment: the unit
// direction towards it (map frame) and its colour as the hosts read a
// light's intensity, the irradiance it gives a surface facing it, over pi
// (a Lambert surface of reflectance 1 under it reads that value).
struct EnvironmentLight {
    Direction towards;
    Color3 color;
};

// `count` lights placed by importance: pixels are chosen in proportion to
// their luminance times their solid angle (a 2-D piecewise-constant
// distribution, rows then columns), at the points of a Hammersley set, so
// the same image always gives the same lights. Each carries the radiance
// over the chance of its direction, over `count`: together they hold the
// image's whole luminance integral, and its colour on average. A black
// image gives none.
std::vector<EnvironmentLight> environmentLights(const EnvironmentMap& map, int count);

}  // namespace sorvane::lighting
