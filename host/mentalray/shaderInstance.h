#pragma once

// One shader as the renderer calls it: the library's entry, a parameter block
// laid out from the declaration, the shader record that the state points to,
// and the scene its renderer functions answer from.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <shader.h>

#include "host/mentalray/declaration.h"
#include "host/mentalray/sceneDatabase.h"

namespace sorvane::mrhost {

class ShaderLibrary;

// The value of an assigned parameter, evaluated on every mi_phen_eval call
// with the caller's state. The address must stay valid until the shader call
// returns and hold a value of the parameter's type (for an array's first
// element: the elements, from the first on). Called from several threads at
// once when several threads shade.
using ConnectedValue = std::function<const void*(const miState& state)>;

class ShaderInstance {
public:
    // The block starts with the declaration's defaults (zero where none).
    ShaderInstance(const ShaderLibrary& library, const BlockLayout& layout, const SceneDatabase& scene);
    ShaderInstance(const ShaderInstance&) = delete;
    ShaderInstance& operator=(const ShaderInstance&) = delete;

    const BlockLayout& layout() const { return layout_; }
    const SceneDatabase& scene() const { return scene_; }

    // Setters take a parameter's declared name ("s.m" for the member m of a
    // struct s); an array's fields are also reachable as "i_<name>" and
    // "n_<name>" (integers). A name that is not
    // declared, or a value of another type, is a HostError.
    void setBoolean(const std::string& name, bool value);
    void setInteger(const std::string& name, int value);
    void setScalar(const std::string& name, float value);
    void setVector(const std::string& name, miVector value);
    void setColor(const std::string& name, miColor value);
    void setTag(const std::string& name, miTag value);
    // Whatever the type: 1 value for a boolean (non-zero true), integer or
    // scalar, 3 for a vector, 3 or 4 for a colour (alpha then 1).
    void setValues(const std::string& name, const std::vector<float>& values);
    // An array's elements: `unused` null tags, then `tags`; i_<name> is set
    // to `unused` and n_<name> to the number of tags.
    void setArray(const std::string& name, const std::vector<miTag>& tags, int unused = 0);

    // Marks the parameter (or "i_<name>", "n_<name>") as assigned: its ghost
    // tag is set, and mi_phen_eval answers with `value`. The block keeps its
    // own value.
    void connect(const std::string& name, ConnectedValue value);
    // A fixed connected value, given as for setValues (arrays: tags as floats
    // are not accepted; use connectTags).
    void connectValues(const std::string& name, const std::vector<float>& values);
    void connectTags(const std::string& name, const std::vector<miTag>& tags);

    // ghost_offs is the distance to the ghost area while any parameter is
    // connected, 0 otherwise; a test may force a value.
    void forceGhostOffset(int ghostOffs);
    int ghostOffset() const { return function().ghost_offs; }

    // A state for one sample on one thread: the shader record set, a
    // non-null primitive, dir (0, 0, -1), normal (0, 0, 1), point at the origin.
    miState newState() const;
    // Calls the shader entry with state.shader pointed at this shader's
    // record, as the renderer does before every call. Safe from several
    // threads, each with its own state and result.
    miBoolean shade(miColor& result, miState& state) const;

    // The shader record the state points to; the block starts at its
    // `parameters`. Moves when a parameter is set.
    const miFunction& function() const { return records_.front(); }
    // The block as the shader receives it, and its length with array data.
    const void* block() const { return records_.front().parameters; }
    int blockBytes() const { return valueWords_ * 4; }

    // For the renderer functions: the instance that a state's shader record
    // belongs to, or null when it is not one of ours.
    static const ShaderInstance* fromState(const miState* state);
    // The connected value for the parameter at `parm`, or null when it is not connected.
    const void* connectedValue(const miState& state, const void* parm) const;

private:
    struct Field {
        int offset = 0;
        ParameterType kind = ParameterType::Integer;
        std::string name;
    };
    void writeDefaults(const ParameterLayout& p);
    Field field(const std::string& name) const;
    void writeWords(const Field& f, const std::vector<std::uint32_t>& words);
    std::vector<std::uint32_t> wordsFor(const Field& f, const std::vector<float>& values) const;
    void rebuild();

    const ShaderLibrary& library_;
    const BlockLayout& layout_;
    const SceneDatabase& scene_;
    std::vector<std::uint32_t> fixed_;                           // the block's fixed part
    std::map<int, std::vector<miTag>> arrayElements_;            // by the array's offset
    std::map<int, std::pair<int, ConnectedValue>> connections_;  // by field offset: ghost tag, value
    bool ghostForced_ = false;
    int forcedGhost_ = 0;
    // The shader record, with the block, array data and ghost area running on
    // from its `parameters` into the elements after it, as the renderer
    // allocates one.
    std::vector<miFunction> records_;
    int valueWords_ = 0;
};

}  // namespace sorvane::mrhost
