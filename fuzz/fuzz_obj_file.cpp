// An OBJ mesh (sorvane render --mesh FILE.obj), read from memory as the
// command reads the file's text. A bad file must end in InputError naming
// it; a good one must come out fitted, every index in range.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "cli/common/inputError.h"
#include "cli/mesh/objReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        const sorvane::mesh::TriangleMesh mesh = sorvane::mesh::parseObj(text, "fuzz.obj");
        if (mesh.triangles.empty()) std::abort();
        for (const sorvane::mesh::Triangle& t : mesh.triangles) {
            for (int k = 0; k < 3; ++k) {
                const auto i = static_cast<std::size_t>(k);
                if (t.position[i] >= mesh.positions.size() || t.normal[i] >= mesh.normals.size())
                    std::abort();
                if (t.uv[i] != sorvane::mesh::kNone && t.uv[i] >= mesh.uvs.size()) std::abort();
                const sorvane::mesh::Float3 p = mesh.positions[t.position[i]];
                const sorvane::mesh::Float3 n = mesh.normals[t.normal[i]];
                const float bound = 1.0f + 1e-6f;  // the cube, to a rounding
                if (!(std::fabs(p.x) <= bound && std::fabs(p.y) <= bound && std::fabs(p.z) <= bound))
                    std::abort();
                if (!(std::fabs(n.x * n.x + n.y * n.y + n.z * n.z - 1.0f) < 1e-3f)) std::abort();
            }
        }
    } catch (const sorvane::cli::InputError& error) {
        if (error.message().rfind("fuzz.obj", 0) != 0) std::abort();  // every error names the file
    }
    return 0;
}
