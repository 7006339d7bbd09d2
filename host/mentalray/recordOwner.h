#pragma once

// Which host object a shader record belongs to, kept in the record's
// bookkeeping words, which shaders never read: a mark naming the kind of
// owner, then the owner's address. The renderer functions find their way back
// from a state's shader record through it.

#include <shader.h>

#include <cstdint>
#include <cstring>

namespace sorvane::mrhost {

constexpr std::size_t kOwnerWord = 1;
static_assert(sizeof(miFunction::bookkeeping) >= (kOwnerWord + 2) * sizeof(miUint));

template <typename Owner>
void setRecordOwner(miFunction& function, std::uint32_t mark, Owner* owner) {
    function.bookkeeping[0] = mark;
    std::memcpy(&function.bookkeeping[kOwnerWord], &owner, sizeof owner);
}

// The owner of the state's shader record, or null when the record is not
// marked with `mark`.
template <typename Owner>
Owner* recordOwner(const miState* state, std::uint32_t mark) {
    if (state == nullptr || state->shader == nullptr || state->shader->bookkeeping[0] != mark) return nullptr;
    Owner* owner = nullptr;
    std::memcpy(&owner, &state->shader->bookkeeping[kOwnerWord], sizeof owner);
    return owner;
}

}  // namespace sorvane::mrhost
