#pragma once

// What the hosts' renderers ask of the scene for shadows. One question for
// both, in plain floats, so that whoever holds the geometry answers it once.

namespace sorvane::lighting {

struct Point {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

// Whether anything lies strictly between two points (camera space).
class ShadowQuery {
public:
    virtual ~ShadowQuery() = default;
    virtual bool blocked(Point from, Point to) const = 0;
};

}  // namespace sorvane::lighting
