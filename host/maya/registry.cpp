// Node types, plug-in objects, commands and faults: the part of Maya that
// MFnPlugin, MPxNode's static calls and MGlobal talk to.
#include <algorithm>
#include <iostream>

// The host is no plug-in: an MApiVersion of its own would answer the loader's
// lookup for any plug-in that lacks one, since it searches the plug-in's
// dependencies too.
#define MNoVersionString
#include <maya/MFnPlugin.h>
#include <maya/MGlobal.h>
#include <maya/MPxNode.h>

#include "hostInternal.h"

namespace sorvane::mayahost {

Registry& registry() {
    static Registry instance;
    return instance;
}

const char* kindName(AttributeKind kind) {
    switch (kind) {
        case AttributeKind::Float:
            return "float";
        case AttributeKind::Bool:
            return "bool";
        case AttributeKind::Compound:
            return "compound";
        case AttributeKind::Address:
            return "addr";
        case AttributeKind::LightData:
            return "lightData";
    }
    return "?";
}

MFloatVector Attribute::defaultVector() const {
    if (kind != AttributeKind::Compound || children.size() != 3) return {};
    return {children[0]->defaultFloat, children[1]->defaultFloat, children[2]->defaultFloat};
}

LightData Attribute::defaultLight() const {
    if (lightDefault) return *lightDefault;
    LightData d;
    if (kind != AttributeKind::LightData) return d;
    d.direction = lightChildren[0]->defaultVector();
    d.intensity = lightChildren[1]->defaultVector();
    d.ambient = lightChildren[2]->defaultBool;
    d.diffuse = lightChildren[3]->defaultBool;
    d.specular = lightChildren[4]->defaultBool;
    d.shadowFraction = lightChildren[5]->defaultFloat;
    d.preShadowIntensity = lightChildren[6]->defaultFloat;
    d.blindData = lightChildren[7]->defaultAddress;
    return d;
}

bool Attribute::isAncestorOf(const Attribute& other) const {
    for (const Attribute* a = other.parent; a; a = a->parent) {
        if (a == this) return true;
    }
    return false;
}

const Attribute* NodeType::find(std::string_view name) const {
    for (const auto& attribute : attributes) {
        if (attribute->onType && (attribute->longName == name || attribute->shortName == name)) {
            return attribute.get();
        }
    }
    return nullptr;
}

const Attribute& NodeType::attribute(std::string_view name) const {
    if (const Attribute* attribute = find(name)) return *attribute;
    throw HostError("node type " + this->name + " has no attribute \"" + std::string(name) + "\"");
}

std::vector<const NodeType*> nodeTypes() {
    auto& reg = registry();
    std::lock_guard lock(reg.mutex);
    std::vector<const NodeType*> out;
    for (const auto& type : reg.types) out.push_back(type.get());
    return out;
}

const NodeType* findNodeType(std::string_view name) {
    auto& reg = registry();
    std::lock_guard lock(reg.mutex);
    for (const auto& type : reg.types) {
        if (type->name == name) return type.get();
    }
    return nullptr;
}

namespace {

const std::vector<std::string> kFaultableCalls = {
    "MFnNumericAttribute::create",     "MFnNumericAttribute::createAddr",
    "MFnLightDataAttribute::create",   "MFnAttribute::setReadable",
    "MFnAttribute::setWritable",       "MFnAttribute::setConnectable",
    "MFnAttribute::setStorable",       "MFnAttribute::setCached",
    "MFnAttribute::setArray",          "MFnAttribute::setIndexMatters",
    "MFnAttribute::setKeyable",        "MFnAttribute::setChannelBox",
    "MFnAttribute::setHidden",         "MFnAttribute::setUsedAsColor",
    "MFnAttribute::setIndeterminant",  "MFnAttribute::setDisconnectBehavior",
    "MFnNumericAttribute::setDefault", "MFnNumericAttribute::setMin",
    "MFnNumericAttribute::setMax",     "MFnNumericAttribute::setSoftMin",
    "MFnNumericAttribute::setSoftMax", "MFnLightDataAttribute::setDefault",
    "MPxNode::addAttribute",           "MPxNode::attributeAffects",
    "MFnPlugin::registerNode",         "MFnPlugin::deregisterNode",
    "MGlobal::executeCommand",         "MArrayDataHandle::next"};

void layoutValue(Attribute& attribute, std::size_t& cursor);

std::size_t alignUp(std::size_t value, std::size_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

void allocate(NodeType& type, Attribute& attribute, std::size_t& cursor) {
    if (!attribute.array) {
        layoutValue(attribute, cursor);
        return;
    }
    // The elements of an array live in a store of their own; an element is
    // laid out like the attribute's value, from zero.
    attribute.arraySlot = static_cast<int>(type.arrays.size());
    NodeType::ArrayLayout layout;
    layout.attribute = &attribute;
    std::size_t elementCursor = 0;
    layoutValue(attribute, elementCursor);
    layout.elementSize = alignUp(std::max<std::size_t>(elementCursor, 1), 8);
    type.arrays.push_back(std::move(layout));
}

// Puts the attribute at the cursor, aligned, and moves the cursor past `size` bytes.
void place(Attribute& attribute, std::size_t& cursor, std::size_t alignment, std::size_t size) {
    cursor = alignUp(cursor, alignment);
    attribute.offset = cursor;
    cursor += size;
}

void layoutValue(Attribute& attribute, std::size_t& cursor) {
    switch (attribute.kind) {
        case AttributeKind::Float:
            place(attribute, cursor, 4, 4);
            break;
        case AttributeKind::Bool:
            place(attribute, cursor, 1, 1);
            break;
        case AttributeKind::Address:
            place(attribute, cursor, 8, 8);
            break;
        case AttributeKind::Compound:
            // One MFloatVector, its children its components.
            place(attribute, cursor, 4, 4 * attribute.children.size());
            for (std::size_t i = 0; i < attribute.children.size(); ++i) {
                const_cast<Attribute*>(attribute.children[i])->offset = attribute.offset + 4 * i;
            }
            break;
        case AttributeKind::LightData:
            place(attribute, cursor, 8, 0);
            for (const Attribute* child : attribute.children) {
                layoutValue(*const_cast<Attribute*>(child), cursor);
            }
            break;
    }
}

void writeDefault(unsigned char* scope, const Attribute& attribute) {
    switch (attribute.kind) {
        case AttributeKind::Float:
            std::memcpy(scope + attribute.offset, &attribute.defaultFloat, sizeof(float));
            break;
        case AttributeKind::Bool:
            scope[attribute.offset] = attribute.defaultBool ? 1 : 0;
            break;
        case AttributeKind::Address:
            std::memcpy(scope + attribute.offset, &attribute.defaultAddress, sizeof(void*));
            break;
        case AttributeKind::Compound:
            for (const Attribute* child : attribute.children) writeDefault(scope, *child);
            break;
        case AttributeKind::LightData:
            writeLightData(scope, attribute, attribute.defaultLight());
            break;
    }
}

void setArrayOwner(Attribute& attribute, const Attribute* owner) {
    attribute.arrayOwner = owner;
    const Attribute* inner = attribute.array ? &attribute : owner;
    for (const Attribute* child : attribute.children) {
        setArrayOwner(*const_cast<Attribute*>(child), inner);
    }
}

void collectFamily(const Attribute& attribute, std::vector<const Attribute*>& out) {
    out.push_back(&attribute);
    for (const Attribute* child : attribute.children) collectFamily(*child, out);
}

}  // namespace

const std::vector<std::string>& faultableCalls() { return kFaultableCalls; }

void writeLightData(unsigned char* scope, const Attribute& lightData, const LightData& light) {
    const Attribute* const* c = lightData.lightChildren;
    std::memcpy(scope + c[0]->offset, &light.direction, sizeof(MFloatVector));
    std::memcpy(scope + c[1]->offset, &light.intensity, sizeof(MFloatVector));
    scope[c[2]->offset] = light.ambient;
    scope[c[3]->offset] = light.diffuse;
    scope[c[4]->offset] = light.specular;
    std::memcpy(scope + c[5]->offset, &light.shadowFraction, sizeof(float));
    std::memcpy(scope + c[6]->offset, &light.preShadowIntensity, sizeof(float));
    std::memcpy(scope + c[7]->offset, &light.blindData, sizeof(void*));
}

LightData readLightData(const unsigned char* scope, const Attribute& lightData) {
    const Attribute* const* c = lightData.lightChildren;
    LightData light;
    std::memcpy(&light.direction, scope + c[0]->offset, sizeof(MFloatVector));
    std::memcpy(&light.intensity, scope + c[1]->offset, sizeof(MFloatVector));
    light.ambient = scope[c[2]->offset] != 0;
    light.diffuse = scope[c[3]->offset] != 0;
    light.specular = scope[c[4]->offset] != 0;
    std::memcpy(&light.shadowFraction, scope + c[5]->offset, sizeof(float));
    std::memcpy(&light.preShadowIntensity, scope + c[6]->offset, sizeof(float));
    std::memcpy(&light.blindData, scope + c[7]->offset, sizeof(void*));
    return light;
}

void finalizeType(NodeType& type) {
    std::size_t cursor = 0;
    for (auto& attribute : type.attributes) {
        if (!attribute->parent) setArrayOwner(*attribute, nullptr);
    }
    for (auto& attribute : type.attributes) {
        if (!attribute->parent) allocate(type, *attribute, cursor);
    }
    type.valuesSize = alignUp(std::max<std::size_t>(cursor, 1), 8);
    type.defaultValues.assign(type.valuesSize, 0);
    for (auto& attribute : type.attributes) {
        if (!attribute->parent && !attribute->array) writeDefault(type.defaultValues.data(), *attribute);
    }
    for (auto& layout : type.arrays) {
        layout.elementDefault.assign(layout.elementSize, 0);
        writeDefault(layout.elementDefault.data(), *layout.attribute);
    }

    // An output and its family are outputs.
    for (const auto& [input, output] : type.affects) {
        std::vector<const Attribute*> family;
        collectFamily(*output, family);
        for (const Attribute* a : family) const_cast<Attribute*>(a)->output = true;
    }
    // A change reaches the attribute, its parents and its children; each of
    // them dirties what it affects, with that output's parents and children.
    for (auto& attribute : type.attributes) {
        std::vector<const Attribute*> changed;
        collectFamily(*attribute, changed);
        for (const Attribute* a = attribute->parent; a; a = a->parent) changed.push_back(a);
        std::vector<unsigned> dirties;
        for (const auto& [input, output] : type.affects) {
            if (std::find(changed.begin(), changed.end(), input) == changed.end()) continue;
            std::vector<const Attribute*> family;
            collectFamily(*output, family);
            for (const Attribute* a = output->parent; a; a = a->parent) family.push_back(a);
            for (const Attribute* a : family) dirties.push_back(a->index);
        }
        std::sort(dirties.begin(), dirties.end());
        dirties.erase(std::unique(dirties.begin(), dirties.end()), dirties.end());
        attribute->dirties = std::move(dirties);
    }
}

MStatus::MStatusCode faultFor(const char* call, const char* attributeName) {
    auto& reg = registry();
    if (!reg.anyFault.load(std::memory_order_acquire)) return MStatus::kSuccess;
    std::lock_guard lock(reg.faultMutex);
    for (auto& active : reg.faults) {
        if (active.fault.call != call) continue;
        if (!active.fault.attribute.empty() && active.fault.attribute != attributeName) continue;
        if (active.seen++ < active.fault.skip) continue;
        return active.fault.code;
    }
    return MStatus::kSuccess;
}

void injectFault(const Fault& fault) {
    if (std::find(kFaultableCalls.begin(), kFaultableCalls.end(), fault.call) == kFaultableCalls.end()) {
        throw HostError("cannot inject a fault into \"" + fault.call + "\": not a call this host can fail");
    }
    if (fault.code == MStatus::kSuccess) {
        throw HostError("a fault for \"" + fault.call + "\" needs a failing status code");
    }
    auto& reg = registry();
    std::lock_guard lock(reg.faultMutex);
    reg.faults.push_back({fault, 0});
    reg.anyFault.store(true, std::memory_order_release);
}

void clearFaults() {
    auto& reg = registry();
    std::lock_guard lock(reg.faultMutex);
    reg.faults.clear();
    reg.anyFault.store(false, std::memory_order_release);
}

std::vector<std::string> commandLog() {
    auto& reg = registry();
    std::lock_guard lock(reg.mutex);
    return reg.commandLog;
}

void clearCommandLog() {
    auto& reg = registry();
    std::lock_guard lock(reg.mutex);
    reg.commandLog.clear();
}

MObject builtinPlugin(const std::string& name) {
    auto& reg = registry();
    std::lock_guard lock(reg.mutex);
    for (const auto& record : reg.builtins) {
        if (record->name == name) return MHostAccess::object(record.get(), kPluginObject);
    }
    auto record = std::make_unique<LoadedPlugin::Record>();
    record->name = name;
    record->path = name;
    record->loaded = true;
    reg.plugins.push_back(record.get());
    reg.builtins.push_back(std::move(record));
    return MHostAccess::object(reg.builtins.back().get(), kPluginObject);
}

void removeTypesOf(LoadedPlugin::Record* record) {
    auto& reg = registry();
    std::lock_guard lock(reg.mutex);
    reg.types.erase(std::remove_if(reg.types.begin(), reg.types.end(),
                                   [&](const auto& type) { return type->plugin == record; }),
                    reg.types.end());
}

unsigned liveNodesOf(const LoadedPlugin::Record* record) {
    auto& reg = registry();
    std::lock_guard lock(reg.mutex);
    unsigned count = 0;
    for (const Node::Impl* node : reg.nodes) {
        count += node->type->plugin == record ? 1 : 0;
    }
    return count;
}

void unregisterBuiltin(const std::string& name) {
    auto& reg = registry();
    std::lock_guard lock(reg.mutex);
    for (auto it = reg.builtins.begin(); it != reg.builtins.end(); ++it) {
        if ((*it)->name != name) continue;
        if (liveNodesOf(it->get()) > 0) {
            throw HostError("cannot unregister " + name + ": nodes of its types still exist");
        }
        removeTypesOf(it->get());
        reg.plugins.erase(std::remove(reg.plugins.begin(), reg.plugins.end(), it->get()), reg.plugins.end());
        reg.builtins.erase(it);
        return;
    }
}

}  // namespace sorvane::mayahost

using namespace sorvane::mayahost;

MObject::MObject() = default;
MObject::~MObject() = default;
MObject& MObject::operator=(const MObject& other) = default;
const MObject MObject::kNullObj;

MFnPlugin::MFnPlugin(MObject& object, const char* vendor, const char* version,
                     const char* /*requiredApiVersion*/, MStatus* ReturnStatus) {
    LoadedPlugin::Record* record = MHostAccess::plugin(object);
    if (!record) {
        if (ReturnStatus) *ReturnStatus = MStatus::kInvalidParameter;
        return;
    }
    fObject = object;
    // The first function set made on a plug-in names its vendor and version.
    if (!record->vendorSet) {
        record->vendor = vendor ? vendor : "";
        record->version = version ? version : "";
        record->vendorSet = true;
    }
    if (ReturnStatus) *ReturnStatus = MStatus::kSuccess;
}

MFnPlugin::~MFnPlugin() = default;

MString MFnPlugin::vendor(MStatus* ReturnStatus) const {
    const LoadedPlugin::Record* record = MHostAccess::plugin(fObject);
    if (ReturnStatus) *ReturnStatus = record ? MStatus::kSuccess : MStatus::kInvalidParameter;
    return record ? MString(record->vendor.c_str()) : MString();
}

MString MFnPlugin::version(MStatus* ReturnStatus) const {
    const LoadedPlugin::Record* record = MHostAccess::plugin(fObject);
    if (ReturnStatus) *ReturnStatus = record ? MStatus::kSuccess : MStatus::kInvalidParameter;
    return record ? MString(record->version.c_str()) : MString();
}

MString MFnPlugin::apiVersion(MStatus* ReturnStatus) const {
    const LoadedPlugin::Record* record = MHostAccess::plugin(fObject);
    if (ReturnStatus) *ReturnStatus = record ? MStatus::kSuccess : MStatus::kInvalidParameter;
    return record ? MString(record->apiVersion.c_str()) : MString();
}

MStatus MFnPlugin::registerNode(const MString& typeName, const MTypeId& typeId,
                                MCreatorFunction creatorFunction, MInitializeFunction initFunction,
                                MPxNode::Type type, const MString* classification) {
    if (const auto code = faultFor("MFnPlugin::registerNode", typeName.asChar())) return code;
    LoadedPlugin::Record* record = MHostAccess::plugin(fObject);
    if (!record) return MStatus::kFailure;
    if (!creatorFunction || !initFunction || typeName.length() == 0) return MStatus::kInvalidParameter;

    auto& reg = registry();
    std::lock_guard lock(reg.mutex);
    if (reg.initializing) return MStatus::kFailure;  // not from inside an initialise function
    for (const auto& existing : reg.types) {
        if (existing->name == typeName.asChar() || existing->id == typeId.id()) return MStatus::kFailure;
    }
    auto nodeType = std::make_unique<NodeType>();
    nodeType->name = typeName.asChar();
    nodeType->id = typeId.id();
    nodeType->kind = type;
    nodeType->classification = classification ? classification->asChar() : "";
    nodeType->creator = creatorFunction;
    nodeType->initialize = initFunction;
    nodeType->plugin = record;

    reg.initializing = nodeType.get();
    MStatus status;
    try {
        status = initFunction();
    } catch (...) {
        status = MStatus::kFailure;
    }
    reg.initializing = nullptr;
    if (!status) return MStatus::kFailure;
    finalizeType(*nodeType);
    reg.types.push_back(std::move(nodeType));
    return MStatus::kSuccess;
}

MStatus MFnPlugin::deregisterNode(const MTypeId& typeId) {
    auto& reg = registry();
    std::lock_guard lock(reg.mutex);
    const NodeType* target = nullptr;
    for (const auto& type : reg.types) {
        if (type->id == typeId.id()) target = type.get();
    }
    if (const auto code = faultFor("MFnPlugin::deregisterNode", target ? target->name.c_str() : ""))
        return code;
    if (!target || target->plugin != MHostAccess::plugin(fObject)) return MStatus::kFailure;
    for (const Node::Impl* node : reg.nodes) {
        if (node->type == target) return MStatus::kFailure;  // still in use
    }
    reg.types.erase(std::remove_if(reg.types.begin(), reg.types.end(),
                                   [&](const auto& type) { return type.get() == target; }),
                    reg.types.end());
    return MStatus::kSuccess;
}

MStatus MPxNode::addAttribute(const MObject& attr) {
    Attribute* attribute = MHostAccess::attribute(attr);
    if (const auto code = faultFor("MPxNode::addAttribute", attribute)) return code;
    auto& reg = registry();
    std::lock_guard lock(reg.mutex);
    NodeType* type = reg.initializing;
    if (!type) return MStatus::kFailure;
    if (!attribute || attribute->index >= type->attributes.size() ||
        type->attributes[attribute->index].get() != attribute) {
        return MStatus::kInvalidParameter;
    }
    if (attribute->onType) return MStatus::kFailure;
    // The attribute and those of its children not yet on the type join it;
    // no name may be taken twice.
    std::vector<Attribute*> joining;
    std::vector<Attribute*> pending{attribute};
    while (!pending.empty()) {
        Attribute* a = pending.back();
        pending.pop_back();
        if (a->onType) continue;
        joining.push_back(a);
        for (const Attribute* child : a->children) pending.push_back(const_cast<Attribute*>(child));
    }
    const auto clash = [](const Attribute& a, const Attribute& b) {
        return a.longName == b.longName || a.shortName == b.shortName || a.longName == b.shortName ||
               a.shortName == b.longName;
    };
    for (Attribute* a : joining) {
        for (const auto& other : type->attributes) {
            if (other->onType && clash(*a, *other)) return MStatus::kFailure;
        }
        for (Attribute* b : joining) {
            if (a != b && clash(*a, *b)) return MStatus::kFailure;
        }
    }
    for (Attribute* a : joining) a->onType = true;
    type->added.push_back(attribute);
    return MStatus::kSuccess;
}

MStatus MPxNode::attributeAffects(const MObject& whenChanges, const MObject& isAffected) {
    Attribute* input = MHostAccess::attribute(whenChanges);
    Attribute* output = MHostAccess::attribute(isAffected);
    if (const auto code = faultFor("MPxNode::attributeAffects", input)) return code;
    auto& reg = registry();
    std::lock_guard lock(reg.mutex);
    NodeType* type = reg.initializing;
    if (!type) return MStatus::kFailure;
    if (!input || !output || !input->onType || !output->onType) return MStatus::kInvalidParameter;
    type->affects.emplace_back(input, output);
    return MStatus::kSuccess;
}

MStatus MPxNode::inheritAttributesFrom(const MString&) { return MStatus::kNotImplemented; }

MStatus MGlobal::executeCommand(const MString& command, bool, bool) {
    if (const auto code = faultFor("MGlobal::executeCommand", "")) return code;
    auto& reg = registry();
    std::lock_guard lock(reg.mutex);
    reg.commandLog.push_back(command.asChar());
    for (LoadedPlugin::Record* record : reg.plugins) {
        if (record->commandSink) record->commandSink->push_back(command.asChar());
    }
    return MStatus::kSuccess;
}

void MGlobal::displayInfo(const MString& text) { std::cerr << "// Info: " << text.asChar() << std::endl; }
void MGlobal::displayWarning(const MString& text) {
    std::cerr << "// Warning: " << text.asChar() << std::endl;
}
void MGlobal::displayError(const MString& text) { std::cerr << "// Error: " << text.asChar() << std::endl; }
