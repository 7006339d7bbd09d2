#pragma once

// What the node registers, counted from its attribute table, so that the
// tests' figures follow a new row.

#include <cstddef>
#include <iterator>

#include "maya/nodeAttributes.h"

namespace sorvane::testing {

// A compound is itself and its three channels.
constexpr std::size_t attributesOf(const sorvane::mayaplugin::NodeAttribute& row) {
    return row.compound() ? 4 : 1;
}

// The light data: its children, two of them (direction and intensity)
// compounds of three channels, and the array.
inline constexpr std::size_t kLightDataAttributes =
    std::size(sorvane::mayaplugin::kLightDataChildren) + 2 * 3 + 1;

constexpr std::size_t nodeAttributeCount() {
    std::size_t count = kLightDataAttributes;
    for (const sorvane::mayaplugin::NodeAttribute& row : sorvane::mayaplugin::kNodeAttributes)
        count += attributesOf(row);
    return count;
}

// Every input and channel of one affects outColor, every light data
// attribute too; transparency's also affect outTransparency.
constexpr std::size_t affectsCount() {
    std::size_t count = kLightDataAttributes;
    for (const sorvane::mayaplugin::NodeAttribute& row : sorvane::mayaplugin::kNodeAttributes) {
        if (row.group == sorvane::mayaplugin::NodeAttribute::Group::output) continue;
        count += attributesOf(row);
        if (row.affects == sorvane::mayaplugin::NodeAttribute::Affects::outColorAndTransparency)
            count += attributesOf(row);
    }
    return count;
}

}  // namespace sorvane::testing
