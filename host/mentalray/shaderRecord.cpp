#include "host/mentalray/shaderRecord.h"

#include <cstddef>
#include <cstring>

namespace sorvane::mrhost {

namespace {

const char placeholderPrimitive = 0;

}  // namespace

std::vector<miFunction> newShaderRecord(const std::vector<std::uint32_t>& words, int parameterSize,
                                        int ghostOffs) {
    const std::size_t bytes = offsetof(miFunction, parameters) + words.size() * 4;
    std::vector<miFunction> records((bytes + sizeof(miFunction) - 1) / sizeof(miFunction), miFunction{});
    miFunction& function = records.front();
    function.parameter_size = parameterSize;
    function.result_size = static_cast<int>(sizeof(miColor));
    function.ghost_offs = ghostOffs;
    std::memcpy(function.parameters, words.data(), words.size() * 4);
    return records;
}

miState eyeRayState(const miFunction& shader) {
    miState state{};
    state.version = 2;
    state.type = miRAY_EYE;
    state.dir = {0.0f, 0.0f, -1.0f};
    state.normal = {0.0f, 0.0f, 1.0f};
    state.normal_geom = state.normal;
    state.dot_nd = -1.0f;
    state.pri = const_cast<char*>(&placeholderPrimitive);
    state.shader = &shader;
    return state;
}

}  // namespace sorvane::mrhost
