#pragma once

// What the pieces of the host share: the registry of plug-ins, types and
// faults, the data block behind MDataBlock, and MHostAccess, through which
// the host reaches inside the API objects.

#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <maya/MArrayDataHandle.h>
#include <maya/MDataBlock.h>
#include <maya/MDataHandle.h>
#include <maya/MFnBase.h>
#include <maya/MObject.h>
#include <maya/MPlug.h>
#include <maya/MPxNode.h>

#include "host/loader/sharedLibrary.h"
#include "host/maya/mayaHost.h"

namespace sorvane::mayahost {

enum ObjectKind : int { kNoObject = 0, kAttributeObject = 1, kPluginObject = 2 };

struct LoadedPlugin::Record {
    std::string path;
    std::string name;
    std::unique_ptr<hostloader::SharedLibrary> library;  // null for a built-in
    std::string apiVersion;
    std::string vendor;
    std::string version;
    bool vendorSet = false;
    bool loaded = false;
    MStatus (*initializePlugin)(MObject) = nullptr;
    MStatus (*uninitializePlugin)(MObject) = nullptr;
    std::vector<std::string> loadCommands;
    std::vector<std::string> unloadCommands;
    std::string loadReports;
    std::string unloadReports;
    std::vector<std::string>* commandSink = nullptr;  // while loading or unloading
};

struct Registry {
    std::recursive_mutex mutex;
    std::vector<std::unique_ptr<NodeType>> types;
    NodeType* initializing = nullptr;                         // the type whose initialise function runs
    std::vector<std::unique_ptr<Attribute>> looseAttributes;  // made outside any initialise
    std::vector<std::unique_ptr<LoadedPlugin::Record>> builtins;
    std::vector<LoadedPlugin::Record*> plugins;  // every loaded record, built-ins too
    std::vector<std::string> commandLog;
    std::vector<Node::Impl*> nodes;

    std::atomic<bool> anyFault{false};
    std::mutex faultMutex;
    struct ActiveFault {
        Fault fault;
        unsigned seen = 0;
    };
    std::vector<ActiveFault> faults;
};

Registry& registry();

// kSuccess, or the code of the injected fault that this call trips.
MStatus::MStatusCode faultFor(const char* call, const char* attributeName);
inline MStatus::MStatusCode faultFor(const char* call, const Attribute* attribute) {
    return faultFor(call, attribute ? attribute->longName.c_str() : "");
}

// Lays out a type's values and works out its dirty sets, once its initialise
// function has run.
void finalizeType(NodeType& type);
void writeLightData(unsigned char* scope, const Attribute& lightData, const LightData& light);
LightData readLightData(const unsigned char* scope, const Attribute& lightData);

// For unloading: a plug-in's types go with it, and not while nodes of them live.
void removeTypesOf(LoadedPlugin::Record* record);
unsigned liveNodesOf(const LoadedPlugin::Record* record);

struct Node::Impl {
    const Node* self = nullptr;
    const NodeType* type = nullptr;
    MPxNode* user = nullptr;
    bool mpSafe = false;
    std::string name;
    std::unique_ptr<Evaluation> values;
};

struct ArrayStore {
    std::vector<unsigned char> elements;
    std::size_t elementSize = 0;
    unsigned count = 0;
    unsigned char* element(unsigned position) { return elements.data() + position * elementSize; }
};

struct Evaluation::Impl {
    const Node::Impl* node = nullptr;
    const NodeType* type = nullptr;
    std::vector<unsigned char> values;
    std::vector<ArrayStore> arrays;
    std::vector<unsigned char> dirty;  // per attribute index
    unsigned long computeCount = 0;

    bool owns(const Attribute& attribute) const {
        return attribute.index < type->attributes.size() &&
               type->attributes[attribute.index].get() == &attribute;
    }
    void markChanged(const Attribute& attribute) {
        for (unsigned index : attribute.dirties) {
            dirty[index] = 1;
        }
    }
    void setClean(const Attribute& attribute) {
        dirty[attribute.index] = 0;
        for (const Attribute* child : attribute.children) {
            setClean(*child);
        }
    }
};

}  // namespace sorvane::mayahost

// In the API's namespace, where the classes declare it their friend.
OPENMAYA_MAJOR_NAMESPACE_OPEN

struct MHostAccess {
    using Attribute = sorvane::mayahost::Attribute;
    using Node = sorvane::mayahost::Node;
    using Evaluation = sorvane::mayahost::Evaluation;
    using LoadedPlugin = sorvane::mayahost::LoadedPlugin;
    enum {
        kAttributeObject = sorvane::mayahost::kAttributeObject,
        kPluginObject = sorvane::mayahost::kPluginObject
    };

    static MObject object(void* ptr, int kind) {
        MObject o;
        o.fPtr = ptr;
        o.fKind = kind;
        return o;
    }
    static Attribute* attribute(const MObject& o) {
        return o.fKind == kAttributeObject ? static_cast<Attribute*>(o.fPtr) : nullptr;
    }
    static LoadedPlugin::Record* plugin(const MObject& o) {
        return o.fKind == kPluginObject ? static_cast<LoadedPlugin::Record*>(o.fPtr) : nullptr;
    }
    static MObject& fnObject(MFnBase& fn) { return fn.fObject; }

    // A plug names its attribute by index in the node's type.
    static MPlug plug(const Node::Impl* node, const Attribute* attribute) {
        MPlug p;
        if (node && attribute && attribute->index < node->type->attributes.size() &&
            node->type->attributes[attribute->index].get() == attribute) {
            p.fNode = const_cast<Node::Impl*>(node);
            p.fAttributeIndex = attribute->index;
        }
        return p;
    }
    static const Attribute* attribute(const MPlug& p) {
        const auto* node = static_cast<const Node::Impl*>(p.fNode);
        if (!node || p.fAttributeIndex >= node->type->attributes.size()) return nullptr;
        return node->type->attributes[p.fAttributeIndex].get();
    }
    static const Node::Impl* node(const MPlug& p) { return static_cast<const Node::Impl*>(p.fNode); }
    static int logicalIndex(const MPlug& p) { return p.fLogicalIndex; }
    // The same node and element, another attribute of the node's type.
    static MPlug withAttribute(const MPlug& p, const Attribute* attribute) {
        MPlug other = plug(node(p), attribute);
        if (!other.isNull()) other.fLogicalIndex = p.fLogicalIndex;
        return other;
    }
    static bool samePlug(const MPlug& a, const MPlug& b) {
        return a.fNode == b.fNode && a.fAttributeIndex == b.fAttributeIndex &&
               a.fLogicalIndex == b.fLogicalIndex;
    }

    static MDataBlock block(Evaluation::Impl* impl) {
        MDataBlock b;
        b.fBlock = impl;
        return b;
    }
    static Evaluation::Impl* impl(const MDataBlock& b) { return static_cast<Evaluation::Impl*>(b.fBlock); }

    // The handles are byte arrays, placed anywhere by the plug-in: the host's
    // pointers go in and out of them by memcpy.
    template <typename T>
    static T load(const unsigned char* bytes, std::size_t offset) {
        T value;
        std::memcpy(&value, bytes + offset, sizeof value);
        return value;
    }
    template <typename T>
    static void store(unsigned char* bytes, std::size_t offset, T value) {
        std::memcpy(bytes + offset, &value, sizeof value);
    }
    enum : std::size_t { kBlockAt = 0, kAttributeAt = sizeof(void*), kValueAt = 2 * sizeof(void*) };
    enum : std::size_t {
        kScopeAt = 3 * sizeof(void*),
        kArrayAt = 2 * sizeof(void*),
        kPositionAt = 3 * sizeof(void*)
    };
    static_assert(kScopeAt + sizeof(void*) <= sizeof(MDataHandle::fData));
    static_assert(kPositionAt + sizeof(unsigned) <= sizeof(MArrayDataHandle::fData));

    static MDataHandle handle(Evaluation::Impl* block, const Attribute* attribute, unsigned char* value,
                              unsigned char* scope) {
        MDataHandle h;
        store(h.fData, kBlockAt, block);
        store(h.fData, kAttributeAt, attribute);
        store(h.fData, kValueAt, value);
        store(h.fData, kScopeAt, scope);
        return h;
    }
    static Evaluation::Impl* impl(const MDataHandle& h) { return load<Evaluation::Impl*>(h.fData, kBlockAt); }
    static const Attribute* attribute(const MDataHandle& h) {
        return load<const Attribute*>(h.fData, kAttributeAt);
    }
    static unsigned char* value(const MDataHandle& h) { return load<unsigned char*>(h.fData, kValueAt); }
    static unsigned char* scope(const MDataHandle& h) { return load<unsigned char*>(h.fData, kScopeAt); }

    static MArrayDataHandle arrayHandle(Evaluation::Impl* block, const Attribute* attribute) {
        MArrayDataHandle a;
        sorvane::mayahost::ArrayStore* array = nullptr;
        if (block && attribute && attribute->arraySlot >= 0) {
            array = &block->arrays[static_cast<std::size_t>(attribute->arraySlot)];
        }
        store(a.fData, kBlockAt, block);
        store(a.fData, kAttributeAt, attribute);
        store(a.fData, kArrayAt, array);
        store(a.fData, kPositionAt, 0u);
        return a;
    }
    static Evaluation::Impl* impl(const MArrayDataHandle& a) {
        return load<Evaluation::Impl*>(a.fData, kBlockAt);
    }
    static const Attribute* attribute(const MArrayDataHandle& a) {
        return load<const Attribute*>(a.fData, kAttributeAt);
    }
    static sorvane::mayahost::ArrayStore* array(const MArrayDataHandle& a) {
        return load<sorvane::mayahost::ArrayStore*>(a.fData, kArrayAt);
    }
    static unsigned position(const MArrayDataHandle& a) { return load<unsigned>(a.fData, kPositionAt); }
    static void setPosition(MArrayDataHandle& a, unsigned position) { store(a.fData, kPositionAt, position); }

    static Node::Impl* node(MPxNode& n) { return static_cast<Node::Impl*>(n.instance); }
    static const Node::Impl* node(const MPxNode& n) { return static_cast<const Node::Impl*>(n.instance); }
    static void bind(MPxNode& n, Node::Impl* impl) { n.instance = impl; }
};

OPENMAYA_MAJOR_NAMESPACE_CLOSE
