#pragma once

// The meshes made in code, which the preview ships besides its ball.

#include <string>
#include <vector>

#include "cli/mesh/triangleMesh.h"

namespace sorvane::mesh {

// A (2, 3) torus knot, a trefoil tube standing on two of its lobes: every
// curvature a surface has, on one connected shape. `segments` along the
// knot, `sides` around the tube: twice their product triangles. Texture
// coordinates run along the tube (u) and around it (v, 0 to 1), with
// square checks.
TriangleMesh torusKnot(int segments, int sides);

// "torusknot": the knot at the size the preview draws it.
std::vector<std::string> shapeNames();
// Throws cli::InputError naming an unknown name, with the nearest ones.
TriangleMesh makeShape(const std::string& name);

}  // namespace sorvane::mesh
