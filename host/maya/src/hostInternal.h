#pragma once

// What the pieces of the host share: the registry of plug-ins, types and
// faults, the data block behind MDataBlock, and MHostAccess, through which
// the host reaches inside the API objects.

#include <atomic>
#include <cstring>
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

#include "host/maya/mayaHost.h"

namespace sorvane::mayahost {

enum ObjectKind : int { kNoObject = 0, kAttributeObject = 1, kPluginObject = 2 };

struct LoadedPlugin::Record {
    std::string path;
    std::string name;
    void* library = nullptr;  // null for a built-in
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

    static MPlug plug(const Node::Impl* node, const Attribute* attribute) {
        MPlug p;
        p.fNode = const_cast<Node::Impl*>(node);
        p.fAttribute = const_cast<Attribute*>(attribute);
        return p;
    }
    static const Attribute* attribute(const MPlug& p) { return static_cast<const Attribute*>(p.fAttribute); }
    static const Node::Impl* node(const MPlug& p) { return static_cast<const Node::Impl*>(p.fNode); }

    static MDataBlock block(Evaluation::Impl* impl) {
        MDataBlock b;
        b.fBlock = impl;
        return b;
    }
    static Evaluation::Impl* impl(const MDataBlock& b) { return static_cast<Evaluation::Impl*>(b.fBlock); }

    static MDataHandle handle(Evaluation::Impl* block, const Attribute* attribute, unsigned char* value,
                              unsigned char* scope) {
        MDataHandle h;
        h.fBlock = block;
        h.fAttribute = const_cast<Attribute*>(attribute);
        h.fValue = value;
        h.fScope = scope;
        return h;
    }
    static Evaluation::Impl* impl(const MDataHandle& h) { return static_cast<Evaluation::Impl*>(h.fBlock); }
    static const Attribute* attribute(const MDataHandle& h) {
        return static_cast<const Attribute*>(h.fAttribute);
    }
    static unsigned char* value(const MDataHandle& h) { return h.fValue; }
    static unsigned char* scope(const MDataHandle& h) { return h.fScope; }

    static MArrayDataHandle arrayHandle(Evaluation::Impl* block, const Attribute* attribute) {
        MArrayDataHandle a;
        a.fBlock = block;
        a.fAttribute = const_cast<Attribute*>(attribute);
        if (block && attribute && attribute->arraySlot >= 0) {
            a.fArray = &block->arrays[static_cast<std::size_t>(attribute->arraySlot)];
        }
        return a;
    }

    static Node::Impl* node(MPxNode& n) { return static_cast<Node::Impl*>(n.instance); }
    static const Node::Impl* node(const MPxNode& n) { return static_cast<const Node::Impl*>(n.instance); }
    static void bind(MPxNode& n, Node::Impl* impl) { n.instance = impl; }
};
