#pragma once

// One reader per format, each behind readMaterials().

#include <string>
#include <string_view>
#include <vector>

#include "cli/material/materialFiles.h"

namespace sorvane::material {

std::vector<StoredMaterial> readMayaAscii(std::string_view text, const std::string& file,
                                          const Schema& schema);
std::vector<StoredMaterial> readMentalrayScene(std::string_view text, const std::string& file,
                                               const Schema& schema);
std::vector<StoredMaterial> readMelPreset(std::string_view text, const std::string& file,
                                          const Schema& schema);
std::vector<StoredMaterial> readPresetJson(std::string_view text, const std::string& file,
                                           const Schema& schema);

// The value a material holds for `spec` so far: its last value of that name,
// else the schema's default. For setting one channel of a colour.
std::vector<float> currentValue(const StoredMaterial& material, const AttributeSpec& spec);

}  // namespace sorvane::material
