// The Maya backend: the plug-in loaded by our Maya host, one sorvane node per
// material, evaluated as the software renderer does: camera-space
// normalCamera, rayDirection and pointCamera, one lightDataArray element per
// light, then requests for outColor and outTransparency.
#include <cmath>
#include <cstdio>

#include "cli/hosts/hostBackends.h"
#include "cli/render/sceneFile.h"
#include "cli/render/texture.h"
#include "host/maya/mayaHost.h"
#include "host/maya/preview/sampleDriver.h"
#include "host/maya/preview/sceneLights.h"

namespace sorvane::render {

namespace {

namespace mh = mayahost;

MFloatVector toMaya(Vec3 v) { return {v.x, v.y, v.z}; }
MFloatVector toMaya(Rgb c) { return {c.r, c.g, c.b}; }

mh::preview::LightNode toMayaLight(const Light& light) {
    mh::preview::LightNode out;
    out.color = toMaya(light.color);
    out.intensity = light.intensity;
    out.position = toMaya(light.position);
    out.direction = toMaya(light.direction);
    out.decayRate = light.decayRate;
    out.coneAngle = light.coneAngle;
    out.penumbraAngle = light.penumbraAngle;
    out.dropoff = light.dropoff;
    out.useShadows = light.shadows;
    out.lightRadius = light.lightRadius;
    out.shadowRays = light.samples;
    switch (light.type) {
        case LightType::ambient:
            out.type = mh::preview::LightNode::kAmbient;
            break;
        case LightType::directional:
            out.type = mh::preview::LightNode::kDirectional;
            break;
        case LightType::point:
            out.type = mh::preview::LightNode::kPoint;
            break;
        case LightType::spot:
            out.type = mh::preview::LightNode::kSpot;
            break;
        case LightType::area:
            // The host has no area light: a point light at its centre whose
            // shadow rays spread over the area gives the same soft shadows.
            out.type = mh::preview::LightNode::kPoint;
            out.lightRadius = 0.5f * std::fmax(light.width, light.height);
            break;
    }
    return out;
}

struct TextureSlot {
    const mh::Attribute* attribute = nullptr;
    bool isVector = false;
    MFloatVector base;
    float baseFloat = 0.0f;
    TextureBinding texture;
};

struct MaterialNode {
    std::unique_ptr<mh::Node> node;
    std::vector<TextureSlot> textures;
};

class MayaBackend;

class MayaWorker : public ShadingWorker {
public:
    MayaWorker(const MayaBackend& backend);
    Shaded shade(const ShadingPoint& point) override;

private:
    const MayaBackend& backend_;
    std::vector<mh::Evaluation> evaluations_;  // one per material
    std::vector<mh::LightData> lights_;        // this sample's, room held once
};

class MayaBackend : public ShadingBackend {
public:
    explicit MayaBackend(const cli::PluginPaths& paths) {
        try {
            plugin_ = mh::LoadedPlugin::load(paths.mayaPlugin);
            probe_ = std::make_unique<mh::Node>("sorvane");
        } catch (const std::exception& error) {
            throw cli::InputError("maya: " + cli::messageOf(error));
        }
        type_ = &probe_->type();
        driver_ = std::make_unique<mh::preview::SampleDriver>(*type_);
    }

    ~MayaBackend() override {
        materials_.clear();
        probe_.reset();
    }

    std::string name() const override { return "maya"; }
    bool takes(HostScope scope) const override { return scope != HostScope::mentalray; }

    std::optional<ValueKind> attributeKind(const std::string& name) const override {
        const mh::Attribute* a = type_->find(name);
        // Outputs and the renderer's own sample inputs are not the material's.
        if (a == nullptr || !a->writable || a->hidden || a->arrayOwner != nullptr) return std::nullopt;
        if (a->parent != nullptr && a->parent->hidden) return std::nullopt;
        switch (a->kind) {
            case mh::AttributeKind::Float:
                return ValueKind::scalar;
            case mh::AttributeKind::Bool:
                return ValueKind::boolean;
            case mh::AttributeKind::Compound:
                return a->usedAsColor ? ValueKind::color : ValueKind::vector;
            default:
                return std::nullopt;
        }
    }

    std::vector<std::string> attributeNames() const override {
        std::vector<std::string> names;
        for (const auto& a : type_->attributes) {
            if (attributeKind(a->longName).has_value()) names.push_back(a->longName);
        }
        return names;
    }

    std::vector<material::MaterialAttribute> materialAttributes() const override {
        std::vector<material::MaterialAttribute> out;
        for (const auto& a : type_->attributes) {
            if (a->parent != nullptr) continue;
            const std::optional<ValueKind> kind = attributeKind(a->longName);
            if (!kind) continue;
            material::MaterialAttribute info;
            info.name = a->longName;
            info.shortName = a->shortName;
            info.maya = true;
            switch (*kind) {
                case ValueKind::color:
                case ValueKind::vector:
                    info.kind = *kind;
                    for (std::size_t c = 0; c < 3 && c < a->children.size(); ++c) {
                        info.childNames[c] = a->children[c]->longName;
                        info.childShortNames[c] = a->children[c]->shortName;
                        info.defaults.push_back(a->children[c]->defaultFloat);
                    }
                    break;
                case ValueKind::boolean:
                    info.kind = ValueKind::boolean;
                    info.defaults = {a->defaultBool ? 1.0f : 0.0f};
                    break;
                default:
                    info.kind = ValueKind::scalar;
                    info.defaults = {a->defaultFloat};
                    break;
            }
            out.push_back(info);
        }
        return out;
    }

    void prepare(const ShadingSetup& setup) override {
        materials_.clear();
        shadows_ = std::make_unique<TracerShadows>(setup.tracer);
        for (const ResolvedMaterial& material : setup.materials) {
            MaterialNode m;
            m.node = std::make_unique<mh::Node>("sorvane");
            for (const AttributeValue& value : material.values) {
                const std::optional<HostValue> taken = hostValue(*this, value, false);
                if (!taken) continue;
                const std::array<float, 4>& v = taken->values;
                if (taken->kind == ValueKind::color || taken->kind == ValueKind::vector) {
                    m.node->set(value.name, MFloatVector(v[0], v[1], v[2]));
                } else if (taken->kind == ValueKind::boolean) {
                    m.node->set(value.name, v[0] != 0.0f);
                } else {
                    m.node->set(value.name, v[0]);
                }
            }
            for (const TextureBinding& texture : material.textures) {
                const std::optional<ValueKind> kind = attributeKind(texture.attribute);
                if (!kind) continue;
                if (kind == ValueKind::boolean) {
                    throw InputError(texture.origin,
                                     "a texture cannot drive the boolean \"" + texture.attribute + "\"");
                }
                TextureSlot slot;
                slot.attribute = &m.node->type().attribute(texture.attribute);
                slot.isVector = kind == ValueKind::color || kind == ValueKind::vector;
                if (slot.isVector) {
                    slot.base = m.node->getVector(texture.attribute);
                } else {
                    slot.baseFloat = m.node->getFloat(texture.attribute);
                }
                slot.texture = texture;
                m.textures.push_back(slot);
            }
            materials_.push_back(std::move(m));
        }
        lights_.clear();
        for (const Light& light : setup.scene.lights) lights_.push_back(toMayaLight(light));
    }

    std::unique_ptr<ShadingWorker> newWorker() override { return std::make_unique<MayaWorker>(*this); }

    std::vector<std::pair<std::string, std::string>> materialValues(int material) const override {
        std::vector<std::pair<std::string, std::string>> out;
        const mh::Node& node = *materials_.at(static_cast<std::size_t>(material)).node;
        for (const auto& a : type_->attributes) {
            if (a->parent != nullptr) continue;
            const std::optional<ValueKind> kind = attributeKind(a->longName);
            if (!kind) continue;
            char text[96];
            if (kind == ValueKind::color || kind == ValueKind::vector) {
                const MFloatVector v = node.getVector(a->longName);
                std::snprintf(text, sizeof text, "%g,%g,%g", v.x, v.y, v.z);
            } else if (kind == ValueKind::boolean) {
                std::snprintf(text, sizeof text, "%s", node.getBool(a->longName) ? "true" : "false");
            } else {
                std::snprintf(text, sizeof text, "%g", node.getFloat(a->longName));
            }
            out.emplace_back(a->longName, text);
        }
        return out;
    }

private:
    friend class MayaWorker;
    std::unique_ptr<mh::LoadedPlugin> plugin_;
    std::unique_ptr<mh::Node> probe_;  // for the attribute table
    const mh::NodeType* type_ = nullptr;
    std::unique_ptr<mh::preview::SampleDriver> driver_;
    std::vector<MaterialNode> materials_;
    std::vector<mh::preview::LightNode> lights_;
    std::unique_ptr<TracerShadows> shadows_;
};

MayaWorker::MayaWorker(const MayaBackend& backend) : backend_(backend), lights_(backend.lights_.size()) {
    for (const MaterialNode& m : backend.materials_) {
        evaluations_.emplace_back(*m.node);
        // Hold every light element once, so no sample allocates.
        backend.driver_->reserveLights(evaluations_.back(), backend.lights_.size());
    }
}

Shaded MayaWorker::shade(const ShadingPoint& point) {
    const MaterialNode& material = backend_.materials_[static_cast<std::size_t>(point.material)];
    mh::Evaluation& evaluation = evaluations_[static_cast<std::size_t>(point.material)];
    evaluation.reset();
    for (const TextureSlot& slot : material.textures) {
        const float f = checkerFactor(slot.texture, point.u, point.v);
        if (slot.isVector) {
            evaluation.set(*slot.attribute, slot.base * f);
        } else {
            evaluation.set(*slot.attribute, slot.baseFloat * f);
        }
    }
    const MFloatVector p = toMaya(point.point);
    for (unsigned i = 0; i < lights_.size(); ++i) {
        lights_[i] = mh::preview::lightDataAt(backend_.lights_[i], p, point.seed + i * 0x85ebca6bU,
                                              *backend_.shadows_);
    }
    const mh::preview::SampleOutputs out =
        backend_.driver_->shade(evaluation, {toMaya(point.normal), toMaya(point.rayDirection), p}, lights_);
    return {{out.color.x, out.color.y, out.color.z},
            {out.transparency.x, out.transparency.y, out.transparency.z}};
}

}  // namespace

std::unique_ptr<ShadingBackend> openMayaBackend(const cli::PluginPaths& paths) {
    return std::make_unique<MayaBackend>(paths);
}

}  // namespace sorvane::render
