#include "host/mentalray/scene.h"

namespace sorvane::mrhost {

bool ScriptedLight::sample(const miState&, int index, LightSample& out) const {
    if (index < 0 || static_cast<std::size_t>(index) >= samples_.size()) {
        return false;
    }
    out = samples_[static_cast<std::size_t>(index)];
    return true;
}

void CallCounters::reset() {
    phenEval = 0;
    sampleLight = 0;
    lightSamples = 0;
    computeIrradiance = 0;
    unknownLight = 0;
}

Scene::Scene() { setIrradiance({0.0f, 0.0f, 0.0f, 0.0f}); }

miTag Scene::addLight(std::shared_ptr<const Light> light) {
    lights_.push_back(std::move(light));
    return kFirstLightTag + static_cast<miTag>(lights_.size() - 1);
}

const Light* Scene::light(miTag tag) const {
    if (tag < kFirstLightTag || tag - kFirstLightTag >= lights_.size()) {
        return nullptr;
    }
    return lights_[tag - kFirstLightTag].get();
}

void Scene::setIrradiance(miColor irradiance) {
    irradiance_ = [irradiance](const miState&, miColor& out) { out = irradiance; };
}

void Scene::setIrradianceProvider(IrradianceProvider provider) { irradiance_ = std::move(provider); }

void Scene::irradiance(const miState& state, miColor& out) const { irradiance_(state, out); }

}  // namespace sorvane::mrhost
