#pragma once

// A shader record as the renderer hands it to a shader, and the state it
// calls the shader with. The instances and the layout probe both call the
// library this way; one place keeps them calling it alike.

#include <shader.h>

#include <cstdint>
#include <vector>

namespace sorvane::mrhost {

// The miFunction header with `words` (the parameter block, then its ghost
// area) right behind it in the same allocation, as the renderer lays a
// record out; the front element is the record.
std::vector<miFunction> newShaderRecord(const std::vector<std::uint32_t>& words, int parameterSize,
                                        int ghostOffs);

// An eye ray straight down -z onto a surface facing it, hitting a placeholder
// primitive (so that a shader's clearing and restoring of state->pri can be
// seen), with `shader` as the state's shader.
miState eyeRayState(const miFunction& shader);

}  // namespace sorvane::mrhost
