// inspect and shade through the Maya host, on the built plug-in loaded as
// Maya loads it.
#include <map>
#include <ostream>
#include <string>
#include <tuple>

#include "cli/common/nameSuggestions.h"
#include "cli/hosts/hostCommands.h"
#include "host/maya/mayaHost.h"
#include "host/maya/preview/sampleDriver.h"

namespace sorvane::cli {

namespace {

namespace host = sorvane::mayahost;

const char* const kNodeTypeName = "sorvane";

std::unique_ptr<host::LoadedPlugin> loadPlugin(const std::string& path) {
    try {
        return host::LoadedPlugin::load(path);
    } catch (const HostError& error) {
        throw InputError(messageOf(error));
    }
}

const char* nodeKindName(MPxNode::Type kind) {
    static const char* const names[] = {
        "kDependNode",    "kLocatorNode",      "kDeformerNode",   "kManipContainer",
        "kSurfaceShape",  "kFieldNode",        "kEmitterNode",    "kSpringNode",
        "kIkSolverNode",  "kHardwareShader",   "kHwShaderNode",   "kTransformNode",
        "kObjectSet",     "kFluidEmitterNode", "kImagePlaneNode", "kParticleAttributeMapperNode",
        "kCameraSetNode", "kConstraintNode"};
    const auto index = static_cast<std::size_t>(kind);
    return index < sizeof names / sizeof names[0] ? names[index] : "unknown";
}

OrderedJson vectorJson(const MFloatVector& v) { return writeFloats<3>({v.x, v.y, v.z}); }

OrderedJson defaultJson(const host::Attribute& a) {
    switch (a.kind) {
        case host::AttributeKind::Float:
            return writeFloat(a.defaultFloat);
        case host::AttributeKind::Bool:
            return a.defaultBool;
        case host::AttributeKind::Compound:
            return vectorJson(a.defaultVector());
        case host::AttributeKind::Address:
            return nullptr;
        case host::AttributeKind::LightData: {
            const host::LightData d = a.defaultLight();
            return OrderedJson{{"direction", vectorJson(d.direction)},
                               {"intensity", vectorJson(d.intensity)},
                               {"ambient", d.ambient},
                               {"diffuse", d.diffuse},
                               {"specular", d.specular},
                               {"shadowFraction", writeFloat(d.shadowFraction)},
                               {"preShadowIntensity", writeFloat(d.preShadowIntensity)}};
        }
    }
    return nullptr;
}

OrderedJson rangeJson(const std::optional<double>& value) {
    return value ? OrderedJson(*value) : OrderedJson(nullptr);
}

OrderedJson attributeJson(const host::Attribute& a) {
    OrderedJson children = OrderedJson::array();
    for (const host::Attribute* child : a.children) children.push_back(child->longName);
    return OrderedJson{{"longName", a.longName},
                       {"shortName", a.shortName},
                       {"type", host::kindName(a.kind)},
                       {"parent", a.parent ? OrderedJson(a.parent->longName) : OrderedJson(nullptr)},
                       {"children", children},
                       {"default", defaultJson(a)},
                       {"softMin", rangeJson(a.softMin)},
                       {"softMax", rangeJson(a.softMax)},
                       {"keyable", a.keyable},
                       {"storable", a.storable},
                       {"hidden", a.hidden},
                       {"readable", a.readable},
                       {"writable", a.writable},
                       {"usedAsColor", a.usedAsColor},
                       {"array", a.array}};
}

OrderedJson nodeTypeJson(const host::NodeType& type) {
    bool mpSafe = false;
    {
        host::Node node(type.name);
        mpSafe = node.isMPSafe();
    }
    OrderedJson attributes = OrderedJson::array();
    for (const auto& attribute : type.attributes) attributes.push_back(attributeJson(*attribute));
    OrderedJson added = OrderedJson::array();
    for (const host::Attribute* attribute : type.added) added.push_back(attribute->longName);
    OrderedJson affects = OrderedJson::array();
    for (const auto& [input, output] : type.affects) {
        affects.push_back(OrderedJson::array({input->longName, output->longName}));
    }
    return OrderedJson{{"name", type.name},
                       {"id", type.id},
                       {"kind", nodeKindName(type.kind)},
                       {"classification", type.classification},
                       {"mpSafe", mpSafe},
                       {"attributes", attributes},
                       {"added", added},
                       {"affects", affects}};
}

class MayaShadeSession : public ShadeSession {
public:
    explicit MayaShadeSession(std::unique_ptr<host::LoadedPlugin> plugin) : plugin_(std::move(plugin)) {
        type_ = host::findNodeType(kNodeTypeName);
        if (!type_) {
            throw InputError("plug-in " + plugin_->path() + " registered no node type \"" + kNodeTypeName +
                             "\"");
        }
        driver_ = std::make_unique<host::preview::SampleDriver>(*type_);
    }

    OrderedJson shade(const Json& line) override {
        requireKnownKeys(line, "", {"attributes", "normalCamera", "rayDirection", "pointCamera", "lights"});
        const Request request = parse(line);
        try {
            return evaluate(request);
        } catch (const HostError& error) {
            throw InputError("", messageOf(error));
        }
    }

private:
    struct Setting {
        const host::Attribute* attribute;
        float value[3];
        bool flag;
    };
    struct Request {
        std::vector<Setting> settings;
        host::preview::SampleInputs sampleInputs;
        std::vector<host::LightData> lights;
    };

    Request parse(const Json& line) const {
        Request request;
        std::map<unsigned, std::string> setBy;
        if (line.contains("attributes")) {
            parseAttributes(requireObject(line["attributes"], "attributes"), request, setBy);
        }
        using Input = std::optional<MFloatVector> host::preview::SampleInputs::*;
        const std::tuple<const char*, const host::Attribute*, Input> inputs[] = {
            {"normalCamera", &driver_->normalCamera(), &host::preview::SampleInputs::normalCamera},
            {"rayDirection", &driver_->rayDirection(), &host::preview::SampleInputs::rayDirection},
            {"pointCamera", &driver_->pointCamera(), &host::preview::SampleInputs::pointCamera}};
        for (const auto& [key, attribute, input] : inputs) {
            if (!line.contains(key)) continue;
            for (const host::Attribute* channel : attribute->children) {
                if (const auto it = setBy.find(channel->index); it != setBy.end()) {
                    throw InputError(key,
                                     "sets " + channel->longName + ", which " + it->second + " already sets");
                }
            }
            const auto v = readFloats<3>(line[key], key);
            request.sampleInputs.*input = MFloatVector(v[0], v[1], v[2]);
        }
        if (line.contains("lights")) {
            const Json& lights = requireArray(line["lights"], "lights");
            for (std::size_t i = 0; i < lights.size(); ++i) {
                request.lights.push_back(parseLight(lights[i], "lights[" + std::to_string(i) + "]"));
            }
        }
        return request;
    }

    // Each channel may be set once, whichever name it is given by, so no
    // result hangs on the order of the keys.
    void parseAttributes(const Json& attributes, Request& request,
                         std::map<unsigned, std::string>& setBy) const {
        for (auto it = attributes.begin(); it != attributes.end(); ++it) {
            const std::string field = "attributes." + it.key();
            const host::Attribute* attribute = type_->find(it.key());
            if (!attribute) {
                throw InputError(field, "the sorvane node has no attribute \"" + it.key() + "\"" +
                                            didYouMean(it.key(), settableNames()));
            }
            if (attribute->array || attribute->arrayOwner) {
                throw InputError(
                    field, "\"" + attribute->longName + "\" is light data; give lights under \"lights\"");
            }
            if (!attribute->writable || attribute->output) {
                throw InputError(field, "\"" + attribute->longName + "\" is not writable");
            }
            std::vector<const host::Attribute*> channels;
            if (attribute->kind == host::AttributeKind::Compound) {
                channels = attribute->children;
            } else {
                channels.push_back(attribute);
            }
            for (const host::Attribute* channel : channels) {
                const auto [previous, inserted] = setBy.emplace(channel->index, field);
                if (!inserted) {
                    throw InputError(
                        field, "sets " + channel->longName + ", which " + previous->second + " already sets");
                }
            }
            Setting setting{attribute, {0.0f, 0.0f, 0.0f}, false};
            switch (attribute->kind) {
                case host::AttributeKind::Float:
                    setting.value[0] = readFloat(it.value(), field);
                    break;
                case host::AttributeKind::Bool:
                    setting.flag = readBool(it.value(), field);
                    break;
                case host::AttributeKind::Compound:
                    readFloats(it.value(), field, setting.value, 3, 3);
                    break;
                default:
                    throw InputError(field, "\"" + attribute->longName + "\" cannot be set here");
            }
            request.settings.push_back(setting);
        }
    }

    // What a line may name under "attributes", for suggestions.
    std::vector<std::string> settableNames() const {
        std::vector<std::string> names;
        for (const auto& attribute : type_->attributes) {
            if (attribute->writable && !attribute->output && !attribute->array && !attribute->arrayOwner) {
                names.push_back(attribute->longName);
            }
        }
        return names;
    }

    host::LightData parseLight(const Json& value, const std::string& field) const {
        const Json& light = requireObject(value, field);
        requireKnownKeys(light, field,
                         {"lightDirection", "lightIntensity", "lightAmbient", "lightDiffuse", "lightSpecular",
                          "lightShadowFraction", "preShadowIntensity"});
        // What the renderer leaves out keeps the array's element default.
        host::LightData data = driver_->lightDataArray().defaultLight();
        const auto vector = [&](const char* key, MFloatVector& out) {
            if (!light.contains(key)) return;
            const auto v = readFloats<3>(light[key], field + "." + key);
            out = MFloatVector(v[0], v[1], v[2]);
        };
        const auto flag = [&](const char* key, bool& out) {
            if (light.contains(key)) out = readBool(light[key], field + "." + key);
        };
        const auto number = [&](const char* key, float& out) {
            if (light.contains(key)) out = readFloat(light[key], field + "." + key);
        };
        vector("lightDirection", data.direction);
        vector("lightIntensity", data.intensity);
        flag("lightAmbient", data.ambient);
        flag("lightDiffuse", data.diffuse);
        flag("lightSpecular", data.specular);
        number("lightShadowFraction", data.shadowFraction);
        number("preShadowIntensity", data.preShadowIntensity);
        return data;
    }

    OrderedJson evaluate(const Request& request) const {
        host::Node node(type_->name);
        for (const Setting& setting : request.settings) {
            const std::string& name = setting.attribute->longName;
            switch (setting.attribute->kind) {
                case host::AttributeKind::Float:
                    node.set(name, setting.value[0]);
                    break;
                case host::AttributeKind::Bool:
                    node.set(name, setting.flag);
                    break;
                default:
                    node.set(name, MFloatVector(setting.value[0], setting.value[1], setting.value[2]));
                    break;
            }
        }
        host::Evaluation evaluation(node);
        const host::preview::SampleOutputs out =
            driver_->shade(evaluation, request.sampleInputs, request.lights);
        return OrderedJson{{"outColor", vectorJson(out.color)},
                           {"outTransparency", vectorJson(out.transparency)}};
    }

    std::unique_ptr<host::LoadedPlugin> plugin_;
    const host::NodeType* type_ = nullptr;
    std::unique_ptr<host::preview::SampleDriver> driver_;
};

}  // namespace

void inspectMaya(const PluginPaths& paths, std::ostream& out) {
    auto plugin = loadPlugin(paths.mayaPlugin);
    OrderedJson document;
    document["plugin"] = OrderedJson{{"path", plugin->path()}, {"apiVersion", plugin->apiVersion()}};
    OrderedJson nodes = OrderedJson::array();
    try {
        for (const host::NodeType* type : plugin->nodeTypes()) nodes.push_back(nodeTypeJson(*type));
        document["nodes"] = nodes;
        plugin->unload();
    } catch (const HostError& error) {
        throw InputError(messageOf(error));
    }
    document["commands"] =
        OrderedJson{{"load", plugin->loadCommands()}, {"unload", plugin->unloadCommands()}};
    document["reports"] = plugin->loadReports();
    // Printed whole, once everything has worked.
    out << writeJson(document, 2) << '\n';
}

std::unique_ptr<ShadeSession> openMayaShadeSession(const PluginPaths& paths) {
    return std::make_unique<MayaShadeSession>(loadPlugin(paths.mayaPlugin));
}

}  // namespace sorvane::cli
