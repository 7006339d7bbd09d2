#pragma once

// Finds out where a shader library reads its parameters without trusting a
// declaration: the library is called once with a block the host owns, sized
// well past any block we lay out, and every ghost tag set, so that each read
// the library makes goes through mi_phen_eval. There the offset is recorded
// and the value comes from scratch memory of ours, whatever type the library
// expects: all words 1, so that booleans are on (what they guard is read too),
// arrays start at 1 with one element (indexed inside the scratch memory), and
// integer divisors are not 0.
//
// What the probe cannot see: a library reading a parameter directly, not
// through mi_eval (it then reads the probe's block, also ours), and the type
// of what it reads, which shows only as the distance to its next read.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <shader.h>

#include "host/mentalray/declaration.h"

namespace sorvane::mrhost {

class ShaderLibrary;

class LayoutProbe {
public:
    // The smallest block the probe hands over; larger when `declaredBytes` is.
    static constexpr int kMinimumBlockBytes = 64 * 1024;

    LayoutProbe(const ShaderLibrary& library, int declaredBytes);
    LayoutProbe(const LayoutProbe&) = delete;
    LayoutProbe& operator=(const LayoutProbe&) = delete;

    // Calls the library once; the block offsets it read, in reading order.
    std::vector<int> run();

    // For mi_phen_eval: the probe a state's shader record belongs to, or null.
    static LayoutProbe* fromState(const miState* state);
    // Records the read of `parm` and answers with the scratch value.
    const void* read(const void* parm);

private:
    const ShaderLibrary& library_;
    int blockBytes_ = 0;
    std::vector<miFunction> records_;     // the record, block and ghost area in one allocation
    std::vector<std::uint32_t> scratch_;  // what every read is answered with
    std::vector<int> reads_;
};

// The first field where the library's reads and the declared layout part,
// described for a user ("parameter \"diffuse\" is laid out at 60 as a color
// (16 bytes); the library's field there is 4 bytes (...)"); nullopt when the
// library reads exactly the fields the layout has. `reads` are block offsets
// in any order.
std::optional<std::string> firstLayoutDifference(const BlockLayout& layout, std::vector<int> reads);

// The first parameter where `declared` and the declaration the library
// ships with part by name or type, described for a user; nullopt when they
// agree. Two parameters of one size swapped, or one retyped within its
// size, lay out the same block, so only this tells the user that --set
// scattering would drive depth.
std::optional<std::string> firstDeclarationDifference(const Declaration& declared, const Declaration& shipped,
                                                      const std::string& shippedPath);

}  // namespace sorvane::mrhost
