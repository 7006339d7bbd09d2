// The mental ray backend: the shader library loaded by our mental ray host,
// one shader instance per material, called as the renderer calls a material
// shader: a state with the ray direction, the point and the normal, lights
// sampled through mi_sample_light, irradiance from the environment through
// mi_compute_irradiance, textures through the graph (mi_phen_eval).
#include <cmath>
#include <cstdio>
#include <cstring>

#include "cli/hosts/hostBackends.h"
#include "cli/render/sceneFile.h"
#include "cli/render/texture.h"
#include "host/mentalray/mentalrayHost.h"
#include "host/mentalray/nodeFactoryHints.h"
#include "host/mentalray/preview/sampleDriver.h"
#include "host/mentalray/preview/sceneLights.h"

namespace sorvane::render {

namespace {

namespace mr = mrhost;

constexpr std::size_t kMaxTextures = 8;

miVector toMr(Vec3 v) { return {v.x, v.y, v.z}; }
miColor toMr(Rgb c) { return {c.r, c.g, c.b, 1.0f}; }

// What state.user points at during one shader call: the lights' seed, then
// this sample's textured values, which the graph hands the shader.
struct SampleData {
    mr::preview::SampleContext context;
    miColor textured[kMaxTextures];
};

struct TextureSlot {
    TextureBinding texture;
    std::array<float, 4> base{};
};

struct MaterialInstance {
    std::unique_ptr<mr::ShaderInstance> instance;
    std::vector<TextureSlot> textures;
};

class MentalrayBackend;

// The shader writes its state on every call (pri, then back): each worker's
// states and sample data get cache lines of their own, or two render threads
// would keep taking the same line from each other.
struct alignas(64) WorkerState {
    miState state;
};

class alignas(64) MentalrayWorker : public ShadingWorker {
public:
    explicit MentalrayWorker(const MentalrayBackend& backend);
    Shaded shade(const ShadingPoint& point) override;

private:
    const MentalrayBackend& backend_;
    std::vector<WorkerState> states_;  // one per material
    SampleData data_{};
};

class MentalrayBackend : public ShadingBackend {
public:
    explicit MentalrayBackend(const cli::PluginPaths& paths) {
        try {
            shader_ = std::make_unique<mr::LoadedShader>(paths.mentalrayLibrary, paths.mentalrayDeclaration);
            // A block the library reads otherwise would crash the render or paint garbage.
            mr::requireMatchingLayout(*shader_);
            driver_ = std::make_unique<mr::preview::SampleDriver>(*shader_);
        } catch (const std::exception& error) {
            throw cli::InputError("mentalray: " + cli::messageOf(error));
        }
        // The node factory's min and max bound what the shader can take; a
        // declaration without hints bounds nothing.
        try {
            for (const mr::NodeFactoryHints& hints : mr::readNodeFactoryHints(paths.mentalrayDeclaration)) {
                if (hints.shader == shader_->layout().declaration().name) hints_ = hints;
            }
        } catch (const std::exception&) {
        }
    }

    std::optional<std::pair<double, double>> hardRange(const std::string& name) const override {
        const mr::ParameterHints* hints = hints_.find(name);
        if (hints == nullptr) return std::nullopt;
        const auto first = [&](const char* key, double otherwise) {
            const auto found = hints->values.find(key);
            return found == hints->values.end() || found->second.empty() ? otherwise : found->second.front();
        };
        const double low = first("min", -HUGE_VAL), high = first("max", HUGE_VAL);
        if (std::isinf(low) && std::isinf(high)) return std::nullopt;
        return std::pair{low, high};
    }

    ~MentalrayBackend() override {
        materials_.clear();
        scene_.reset();
    }

    std::string name() const override { return "mentalray"; }
    bool takes(HostScope scope) const override { return scope != HostScope::maya; }

    std::optional<ValueKind> attributeKind(const std::string& name) const override {
        const mr::ParameterLayout* p = shader_->layout().find(name);
        if (p == nullptr || p->parameter->isArray) return std::nullopt;
        switch (p->parameter->kind) {
            case mr::ParameterType::Boolean:
                return ValueKind::boolean;
            case mr::ParameterType::Integer:
                return ValueKind::integer;
            case mr::ParameterType::Scalar:
                return ValueKind::scalar;
            case mr::ParameterType::Vector:
                return ValueKind::vector;
            case mr::ParameterType::Color:
                return ValueKind::color;
            default:
                return std::nullopt;
        }
    }

    std::vector<std::string> attributeNames() const override {
        std::vector<std::string> names;
        for (const mr::ParameterLayout& p : shader_->layout().parameters()) {
            if (attributeKind(p.parameter->name).has_value()) names.push_back(p.parameter->name);
        }
        return names;
    }

    std::vector<material::MaterialAttribute> materialAttributes() const override {
        std::vector<material::MaterialAttribute> out;
        for (const mr::ParameterLayout& p : shader_->layout().parameters()) {
            const std::optional<ValueKind> kind = attributeKind(p.parameter->name);
            if (!kind) continue;
            material::MaterialAttribute info;
            info.name = p.parameter->name;
            info.mentalray = true;
            info.kind = *kind;
            for (const double d : p.parameter->defaultValue) info.defaults.push_back(static_cast<float>(d));
            out.push_back(info);
        }
        return out;
    }

    void prepare(const ShadingSetup& setup) override {
        materials_.clear();
        notes_.clear();
        scene_ = std::make_unique<mr::SceneDatabase>();
        shadows_ = std::make_unique<TracerShadows>(setup.tracer);
        std::vector<miTag> tags;
        for (const Light& light : setup.scene.lights) {
            mr::preview::LightShape shape;
            switch (light.type) {
                case LightType::ambient:
                    // mental ray has no ambient light; its ambient comes from the shader.
                    notes_.push_back("ambient light \"" + light.name +
                                     "\" has no mental ray counterpart; the " +
                                     "mental ray picture leaves it out");
                    continue;
                case LightType::directional:
                    shape.type = mr::preview::LightShape::kInfinite;
                    break;
                case LightType::point:
                    shape.type = mr::preview::LightShape::kPoint;
                    break;
                case LightType::spot:
                    shape.type = mr::preview::LightShape::kSpot;
                    break;
                case LightType::area:
                    shape.type = mr::preview::LightShape::kArea;
                    break;
            }
            shape.color = toMr(light.color);
            shape.intensity = light.intensity;
            shape.position = toMr(light.position);
            shape.direction = toMr(light.direction);
            shape.decayRate = light.decayRate;
            shape.coneAngle = light.coneAngle;
            shape.penumbraAngle = light.penumbraAngle;
            shape.dropoff = light.dropoff;
            shape.width = light.width;
            shape.height = light.height;
            shape.samples = light.samples;
            shape.shadows = light.shadows;
            tags.push_back(scene_->addLight(std::make_shared<mr::preview::ShapedLight>(shape, *shadows_)));
        }
        scene_->setIrradianceProvider(
            mr::preview::environmentIrradiance(setup.scene.environment, toMr(setup.scene.worldUp)));

        for (const ResolvedMaterial& material : setup.materials) {
            MaterialInstance m;
            m.instance = driver_->instantiate(*scene_, tags);
            for (const AttributeValue& value : material.values) {
                const std::optional<HostValue> taken = hostValue(*this, value, true);
                if (!taken) continue;
                const std::array<float, 4>& v = taken->values;
                const int count = taken->kind == ValueKind::color    ? (value.count == 4 ? 4 : 3)
                                  : taken->kind == ValueKind::vector ? 3
                                                                     : 1;
                m.instance->setValues(value.name, std::vector<float>(v.begin(), v.begin() + count));
            }
            for (const TextureBinding& texture : material.textures) {
                const std::optional<ValueKind> kind = attributeKind(texture.attribute);
                if (!kind) continue;
                if (kind == ValueKind::boolean || kind == ValueKind::integer) {
                    throw InputError(texture.origin, "a texture cannot drive \"" + texture.attribute + "\"");
                }
                if (m.textures.size() == kMaxTextures) throw InputError(texture.origin, "at most 8 textures");
                TextureSlot slot;
                slot.texture = texture;
                slot.base = baseValue(*m.instance, texture.attribute);
                const std::size_t index = m.textures.size();
                m.instance->connect(texture.attribute, [index](const miState& state) -> const void* {
                    return &static_cast<const SampleData*>(state.user)->textured[index];
                });
                m.textures.push_back(slot);
            }
            materials_.push_back(std::move(m));
        }
    }

    std::unique_ptr<ShadingWorker> newWorker() override { return std::make_unique<MentalrayWorker>(*this); }
    std::vector<std::string> notes() const override { return notes_; }

    std::vector<std::pair<std::string, std::string>> materialValues(int material) const override {
        std::vector<std::pair<std::string, std::string>> out;
        const mr::ShaderInstance& instance = *materials_.at(static_cast<std::size_t>(material)).instance;
        for (const mr::ParameterLayout& p : instance.layout().parameters()) {
            const std::optional<ValueKind> kind = attributeKind(p.parameter->name);
            if (!kind) continue;
            const auto* bytes = static_cast<const unsigned char*>(instance.block()) + p.offset;
            std::string text;
            if (kind == ValueKind::boolean || kind == ValueKind::integer) {
                std::int32_t v;
                std::memcpy(&v, bytes, sizeof v);
                text = kind == ValueKind::boolean ? (v ? "true" : "false") : std::to_string(v);
            } else {
                const int count = mr::valueCount(p.parameter->kind);
                for (int i = 0; i < count; ++i) {
                    float v;
                    std::memcpy(&v, bytes + i * 4, sizeof v);
                    char number[32];
                    std::snprintf(number, sizeof number, "%g", v);
                    text += (i ? "," : "") + std::string(number);
                }
            }
            out.emplace_back(p.parameter->name, text);
        }
        return out;
    }

private:
    friend class MentalrayWorker;

    // The parameter's value in the block, where the texture's light squares start.
    static std::array<float, 4> baseValue(const mr::ShaderInstance& instance, const std::string& name) {
        const mr::ParameterLayout* p = instance.layout().find(name);
        std::array<float, 4> out{};
        const auto* bytes = static_cast<const unsigned char*>(instance.block()) + p->offset;
        std::memcpy(out.data(), bytes, static_cast<std::size_t>(mr::valueSize(p->parameter->kind)));
        return out;
    }

    std::unique_ptr<mr::LoadedShader> shader_;
    mr::NodeFactoryHints hints_;
    std::unique_ptr<mr::preview::SampleDriver> driver_;
    std::unique_ptr<mr::SceneDatabase> scene_;
    std::unique_ptr<TracerShadows> shadows_;
    std::vector<MaterialInstance> materials_;
    std::vector<std::string> notes_;
};

MentalrayWorker::MentalrayWorker(const MentalrayBackend& backend) : backend_(backend) {
    for (const MaterialInstance& m : backend.materials_) states_.push_back({m.instance->newState()});
}

Shaded MentalrayWorker::shade(const ShadingPoint& point) {
    const std::size_t index = static_cast<std::size_t>(point.material);
    const MaterialInstance& material = backend_.materials_[index];
    for (std::size_t i = 0; i < material.textures.size(); ++i) {
        const TextureSlot& slot = material.textures[i];
        const float f = checkerFactor(slot.texture, point.u, point.v);
        data_.textured[i] = {slot.base[0] * f, slot.base[1] * f, slot.base[2] * f, slot.base[3]};
    }
    data_.context.seed = point.seed;
    data_.context.sampleIndex = point.sampleIndex;
    miState& state = states_[index].state;
    state.user = &data_;
    state.user_size = static_cast<int>(sizeof data_);
    miColor result{0.0f, 0.0f, 0.0f, 0.0f};
    mr::preview::SampleDriver::shade(
        *material.instance, state, {toMr(point.rayDirection), toMr(point.normal), toMr(point.point)}, result);
    return {{result.r, result.g, result.b}, {0.0f, 0.0f, 0.0f}};
}

}  // namespace

std::unique_ptr<ShadingBackend> openMentalrayBackend(const cli::PluginPaths& paths) {
    return std::make_unique<MentalrayBackend>(paths);
}

}  // namespace sorvane::render
