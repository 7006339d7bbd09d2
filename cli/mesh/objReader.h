#pragma once

// Wavefront OBJ files, read by Debian's tinyobjloader. It reads leniently:
// a word that is no number becomes 0 and a face may point past the vertices
// defined. So each statement is checked first, and a file the preview cannot
// draw faithfully is refused with its line: a word that is no OBJ statement
// (binary data, another format), a coordinate that is not a finite number,
// a face of fewer than three corners or referring to a vertex, normal or
// texture coordinate not defined before it. Polygons are cut into fans of
// triangles. Materials (mtllib) are not read, nor any other file; lines,
// points and free-form curves and surfaces are passed over.

#include <cstddef>
#include <string>

#include "cli/mesh/triangleMesh.h"

namespace sorvane::mesh {

// An OBJ file larger than this is refused: about 8 million triangles.
constexpr std::size_t kObjFileLimit = std::size_t{512} << 20;

// Throws cli::InputError("NAME:LINE", why), or naming the file alone where
// no line is to blame.
TriangleMesh parseObj(const std::string& text, const std::string& name);
TriangleMesh readObjFile(const std::string& path);

}  // namespace sorvane::mesh
