// inspect and shade for the mental ray shader: the built library and its
// declaration, loaded through our mental ray host.

#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/common/nameSuggestions.h"
#include "cli/hosts/hostCommands.h"
#include "host/mentalray/mentalrayHost.h"
#include "host/mentalray/nodeFactoryHints.h"
#include "host/mentalray/preview/sampleDriver.h"

namespace sorvane::cli {

namespace {

namespace mr = sorvane::mrhost;

std::unique_ptr<mr::LoadedShader> load(const PluginPaths& paths) {
    try {
        auto shader = std::make_unique<mr::LoadedShader>(paths.mentalrayLibrary, paths.mentalrayDeclaration);
        for (const std::string& warning : shader->library().warnings()) {
            std::cerr << "sorvane: warning: " << warning << '\n';
        }
        return shader;
    } catch (const HostError& error) {
        throw InputError(messageOf(error));
    }
}

OrderedJson defaultJson(const mr::Parameter& p) {
    if (!p.hasDefault) return nullptr;
    switch (p.kind) {
        case mr::ParameterType::Boolean:
            return p.defaultValue[0] != 0.0;
        case mr::ParameterType::Integer:
            return static_cast<int>(p.defaultValue[0]);
        case mr::ParameterType::Scalar:
            return writeFloat(static_cast<float>(p.defaultValue[0]));
        default: {
            OrderedJson values = OrderedJson::array();
            for (double v : p.defaultValue) values.push_back(writeFloat(static_cast<float>(v)));
            return values;
        }
    }
}

// The values a parameter of `kind` takes in an input line, as the host's setValues wants them.
std::vector<float> readValues(const Json& value, const std::string& field, mr::ParameterType kind) {
    switch (kind) {
        case mr::ParameterType::Boolean:
            if (value.is_number_integer()) return {readInt(value, field) != 0 ? 1.0f : 0.0f};
            return {readBool(value, field) ? 1.0f : 0.0f};
        case mr::ParameterType::Integer:
        case mr::ParameterType::Tag: {
            const int v = readInt(value, field);
            // setValues carries whole numbers as floats; keep them exact.
            if (v > (1 << 24) || v < -(1 << 24))
                throw InputError(field, "out of range (at most 16777216 in size)");
            return {static_cast<float>(v)};
        }
        case mr::ParameterType::Scalar:
            return {readFloat(value, field)};
        case mr::ParameterType::Color: {
            float rgba[4] = {0.0f, 0.0f, 0.0f, 1.0f};
            readFloats(value, field, rgba, 3, 4);
            return {rgba, rgba + 4};
        }
        default: {
            std::vector<float> values(static_cast<std::size_t>(mr::valueCount(kind)));
            readFloats(value, field, values.data(), values.size(), values.size());
            return values;
        }
    }
}

miColor readColor(const Json& value, const std::string& field, float alpha) {
    float rgba[4] = {0.0f, 0.0f, 0.0f, alpha};
    readFloats(value, field, rgba, 3, 4);
    return {rgba[0], rgba[1], rgba[2], rgba[3]};
}

miVector readVector(const Json& value, const std::string& field) {
    const auto v = readFloats<3>(value, field);
    return {v[0], v[1], v[2]};
}

// A parameter that an input line may set or connect: a declared one, or an
// array's start index and count.
struct Target {
    std::string name;
    mr::ParameterType kind;
};

Target findTarget(const mr::BlockLayout& layout, const std::string& name, const std::string& field) {
    if (const mr::ParameterLayout* p = layout.find(name)) {
        if (p->parameter->isArray) {
            throw InputError(field, "the light array is given by the \"lights\" and \"iLights\" keys");
        }
        return {name, p->parameter->kind};
    }
    if (name.size() > 2 && (name.rfind("i_", 0) == 0 || name.rfind("n_", 0) == 0)) {
        const mr::ParameterLayout* array = layout.find(name.substr(2));
        if (array != nullptr && array->parameter->isArray) return {name, mr::ParameterType::Integer};
    }
    std::vector<std::string> names;
    for (const mr::ParameterLayout& p : layout.parameters()) {
        if (!p.parameter->isArray) names.push_back(p.parameter->name);
    }
    throw InputError(field, "\"" + layout.declaration().name + "\" has no parameter of that name" +
                                didYouMean(name, names));
}

class MentalrayShadeSession : public ShadeSession {
public:
    explicit MentalrayShadeSession(std::unique_ptr<mr::LoadedShader> shader)
        : shader_(std::move(shader)), driver_(*shader_) {}

    OrderedJson shade(const Json& line) override {
        requireKnownKeys(
            line, "",
            {"parameters", "connected", "dir", "normal", "result", "iLights", "lights", "irradiance"});
        const mr::BlockLayout& layout = shader_->layout();

        // Everything is read before anything is set, so a bad line leaves no trace.
        std::vector<std::pair<Target, std::vector<float>>> parameters;
        std::vector<std::pair<Target, std::vector<float>>> connected;
        for (const char* key : {"parameters", "connected"}) {
            if (!line.contains(key)) continue;
            const Json& object = requireObject(line[key], key);
            for (auto it = object.begin(); it != object.end(); ++it) {
                const std::string field = std::string(key) + "." + it.key();
                const Target target = findTarget(layout, it.key(), field);
                auto& list = std::string(key) == "parameters" ? parameters : connected;
                list.emplace_back(target, readValues(it.value(), field, target.kind));
            }
        }
        miVector dir{0.0f, 0.0f, -1.0f};
        miVector normal{0.0f, 0.0f, 1.0f};
        miColor result{0.0f, 0.0f, 0.0f, 0.0f};
        miColor irradiance{0.0f, 0.0f, 0.0f, 0.0f};
        int iLights = 0;
        if (line.contains("dir")) dir = readVector(line["dir"], "dir");
        if (line.contains("normal")) normal = readVector(line["normal"], "normal");
        if (line.contains("result")) result = readColor(line["result"], "result", 0.0f);
        if (line.contains("irradiance")) irradiance = readColor(line["irradiance"], "irradiance", 1.0f);
        if (line.contains("iLights")) {
            iLights = readInt(line["iLights"], "iLights");
            if (iLights < 0) throw InputError("iLights", "must be 0 or more");
            if (iLights > 4096) throw InputError("iLights", "at most 4096 unused tags");
        }
        std::vector<std::vector<mr::LightSample>> lights;
        if (line.contains("lights")) {
            const Json& list = requireArray(line["lights"], "lights");
            for (std::size_t k = 0; k < list.size(); ++k) {
                const std::string lightField = "lights[" + std::to_string(k) + "]";
                const Json& samples = requireArray(list[k], lightField);
                std::vector<mr::LightSample> light;
                for (std::size_t j = 0; j < samples.size(); ++j) {
                    const std::string field = lightField + "[" + std::to_string(j) + "]";
                    const Json& sample = requireObject(samples[j], field);
                    requireKnownKeys(sample, field, {"color", "direction"});
                    mr::LightSample s{{1.0f, 1.0f, 1.0f, 1.0f}, {0.0f, 0.0f, 1.0f}};
                    if (sample.contains("color"))
                        s.color = readColor(sample["color"], field + ".color", 1.0f);
                    if (sample.contains("direction")) {
                        s.direction = readVector(sample["direction"], field + ".direction");
                    }
                    light.push_back(s);
                }
                lights.push_back(std::move(light));
            }
        }

        checkLightRange(parameters, connected, iLights, static_cast<int>(lights.size()));

        mr::SceneDatabase scene;
        scene.setIrradiance(irradiance);
        std::vector<miTag> tags;
        for (auto& light : lights) tags.push_back(scene.addLight(std::make_shared<mr::ScriptedLight>(light)));
        std::unique_ptr<mr::ShaderInstance> instance;
        try {
            instance = driver_.instantiate(scene, tags, iLights);
            for (const auto& [target, values] : parameters) instance->setValues(target.name, values);
            for (const auto& [target, values] : connected) instance->connectValues(target.name, values);
        } catch (const HostError& error) {
            throw InputError("", messageOf(error));
        }

        miState state = instance->newState();
        const miBoolean returned =
            mr::preview::SampleDriver::shade(*instance, state, {dir, normal, {}}, result);

        OrderedJson out;
        out["result"] = writeFloats<4>({result.r, result.g, result.b, result.a});
        out["returned"] = static_cast<int>(returned);
        out["irradianceCalls"] = scene.counters().computeIrradiance();
        out["sampleLightCalls"] = scene.counters().sampleLight();
        return out;
    }

private:
    // The shader reads the tags i_lights to i_lights + n_lights - 1 unchecked;
    // a range past the tags given would have it read beyond the block.
    void checkLightRange(const std::vector<std::pair<Target, std::vector<float>>>& parameters,
                         const std::vector<std::pair<Target, std::vector<float>>>& connected, int iLights,
                         int lightCount) const {
        const std::string array = arrayName();
        int start = iLights;
        int count = lightCount;
        std::string field = "lights";
        for (const auto* list : {&parameters, &connected}) {
            for (const auto& [target, values] : *list) {
                const std::string where = (list == &parameters ? "parameters." : "connected.") + target.name;
                if (target.name == "i_" + array) {
                    start = static_cast<int>(values[0]);
                    field = where;
                } else if (target.name == "n_" + array) {
                    count = static_cast<int>(values[0]);
                    field = where;
                }
            }
        }
        const long long end = static_cast<long long>(start) + count;
        if (count > 0 && (start < 0 || end > static_cast<long long>(iLights) + lightCount)) {
            throw InputError(field, "the shader would read lights " + std::to_string(start) + " to " +
                                        std::to_string(end - 1) + ", but the array holds " +
                                        std::to_string(iLights + lightCount) +
                                        (iLights + lightCount == 1 ? " tag" : " tags"));
        }
    }

    // The declaration's light array, whatever it is called.
    std::string arrayName() const {
        if (!driver_.lightArray()) throw InputError("lights", "the shader declares no array of lights");
        return *driver_.lightArray();
    }

    std::unique_ptr<mr::LoadedShader> shader_;
    mr::preview::SampleDriver driver_;
};

}  // namespace

void inspectMentalray(const PluginPaths& paths, std::ostream& out) {
    OrderedJson document;
    {
        const std::unique_ptr<mr::LoadedShader> shader = load(paths);
        const mr::ShaderLibrary& library = shader->library();
        const mr::Declaration& declaration = shader->declaration();

        OrderedJson exports = OrderedJson::array();
        for (const std::string& name : library.exports()) exports.push_back(name);
        document["library"] = {
            {"path", library.path()},
            {"exports", exports},
            {"version", library.version() ? OrderedJson(*library.version()) : OrderedJson()}};

        OrderedJson parameters = OrderedJson::array();
        for (const mr::ParameterLayout& p : shader->layout().parameters()) {
            OrderedJson entry = {
                {"name", p.parameter->name}, {"type", mr::typeText(*p.parameter)}, {"offset", p.offset}};
            if (!p.parameter->isArray) entry["default"] = defaultJson(*p.parameter);
            parameters.push_back(entry);
        }
        document["declaration"] = {{"path", shader->declarationPath()},
                                   {"name", declaration.name},
                                   {"version", declaration.version},
                                   {"returns", declaration.returns},
                                   {"parameters", parameters}};
        // What else the file and its includes declare, phenomena with their
        // interfaces, and what the reader left out and why.
        OrderedJson others = OrderedJson::array();
        for (const mr::Declaration& d : shader->declarationFile().declarations) {
            if (d.name == declaration.name) continue;
            OrderedJson interface = OrderedJson::array();
            for (const mr::Parameter& p : d.parameters) {
                interface.push_back({{"name", p.name}, {"type", mr::typeText(p)}});
            }
            others.push_back({{"name", d.name},
                              {"kind", d.phenomenon ? "phenomenon" : "shader"},
                              {"returns", d.returns},
                              {"version", d.version},
                              {"source", d.source + ":" + std::to_string(d.line)},
                              {"parameters", interface}});
        }
        OrderedJson leftOut = OrderedJson::array();
        for (const mr::LeftOut& left : shader->declarationFile().leftOut) {
            leftOut.push_back({{"name", left.name},
                               {"source", left.source + ":" + std::to_string(left.line)},
                               {"reason", left.reason}});
        }
        document["otherDeclarations"] = others;
        document["leftOut"] = leftOut;
        document["blockSize"] = shader->layout().size();
        try {
            const std::optional<std::string> difference = mr::layoutDifference(*shader);
            document["layoutMatches"] = !difference;
            if (difference) document["layoutDifference"] = *difference;
        } catch (const HostError& error) {
            throw InputError(messageOf(error));
        }
    }  // unloaded here, before anything is printed
    out << writeJson(document, 2) << '\n';
}

std::unique_ptr<ShadeSession> openMentalrayShadeSession(const PluginPaths& paths) {
    std::unique_ptr<mr::LoadedShader> shader = load(paths);
    // Shading with a block the library reads otherwise would read past it or
    // answer with garbage.
    try {
        mr::requireMatchingLayout(*shader);
    } catch (const HostError& error) {
        throw InputError(messageOf(error));
    }
    return std::make_unique<MentalrayShadeSession>(std::move(shader));
}

std::vector<ShaderParameterInfo> describeMentalrayParameters(const PluginPaths& paths) {
    try {
        const std::vector<mr::Declaration> declarations = mr::readDeclarations(paths.mentalrayDeclaration);
        if (declarations.empty()) throw InputError(paths.mentalrayDeclaration, "declares no shader");
        const mr::Declaration& declaration = declarations.front();
        const std::vector<mr::NodeFactoryHints> hints = mr::readNodeFactoryHints(paths.mentalrayDeclaration);
        const mr::NodeFactoryHints* shaderHints = nullptr;
        for (const mr::NodeFactoryHints& h : hints) {
            if (h.shader == declaration.name) shaderHints = &h;
        }
        std::vector<ShaderParameterInfo> out;
        for (const mr::Parameter& p : declaration.parameters) {
            if (p.isArray) continue;
            ShaderParameterInfo info{p.name, mr::typeText(p), p.defaultValue, {}, {}, {}, {}};
            const mr::ParameterHints* h = shaderHints != nullptr ? shaderHints->find(p.name) : nullptr;
            if (h != nullptr) {
                const auto first = [&](const char* key) -> std::optional<double> {
                    const auto found = h->values.find(key);
                    if (found == h->values.end() || found->second.empty()) return std::nullopt;
                    return found->second.front();
                };
                info.min = first("min");
                info.max = first("max");
                info.softMin = first("softmin");
                info.softMax = first("softmax");
            }
            out.push_back(std::move(info));
        }
        return out;
    } catch (const HostError& error) {
        throw InputError(error.what());
    }
}

}  // namespace sorvane::cli
