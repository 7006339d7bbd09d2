#pragma once

// The application side of our Maya stand-in: loading plug-ins, nodes, and
// evaluating them, plus what tests need and Maya lacks (inspection of what a
// type registered, fault injection, the commands run, the reports printed).
// Plug-ins never include this; they see only <maya/...>.
//
// A renderer evaluating one node on several threads:
//
//   using namespace sorvane::mayahost;
//   auto plugin = LoadedPlugin::load("plug-ins/sorvane.so");     // throws HostError
//   Node node("sorvane");                      // creator, then postConstructor
//   node.set("diffuse", 0.6f);                 // long or short name
//   node.set("color", MFloatVector(0.8f, 0.3f, 0.2f));
//   node.set("cr", 0.9f);                      // a single child
//
//   const NodeType& type = node.type();        // resolve attributes once
//   const Attribute& color = type.attribute("color");
//   const Attribute& lights = type.attribute("lightDataArray");
//   const Attribute& outColor = type.attribute("outColor");
//
//   // On each thread, one evaluation, reused for every sample:
//   Evaluation evaluation(node);               // a data block of its own
//   for (each sample) {
//       evaluation.reset();                    // the node's values, outputs dirty
//       evaluation.set(color, texture(uv));    // this evaluation only
//       evaluation.set(type.attribute("normalCamera"), n);   // (resolve these once too)
//       evaluation.setElementCount(lights, count);           // elements start at the default
//       for (i < count) {
//           LightData light = evaluation.elementDefault(lights);
//           light.direction = ...; light.intensity = ...;
//           evaluation.setLight(lights, i, light);
//       }
//       MFloatVector c = evaluation.requestVector(outColor);   // compute, if dirty
//       MFloatVector t = evaluation.requestVector(type.attribute("outTransparency"));
//   }
//
// Nothing on the per-sample path allocates once the evaluation has held as
// many light elements as the sample needs. The node's own values must not
// change while evaluations of it run on other threads.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <maya/MFloatVector.h>
#include <maya/MFnNumericData.h>
#include <maya/MPxNode.h>
#include <maya/MStatus.h>
#include <maya/MTypes.h>

#include "host/errors/hostError.h"

namespace sorvane::mayahost {

enum class AttributeKind { Float, Bool, Compound, Address, LightData };
const char* kindName(AttributeKind kind);

// One element of a light data array, as a renderer fills it.
struct LightData {
    MFloatVector direction{0.0f, 0.0f, 0.0f};
    MFloatVector intensity{0.0f, 0.0f, 0.0f};
    bool ambient = true;
    bool diffuse = true;
    bool specular = false;
    float shadowFraction = 1.0f;
    float preShadowIntensity = 1.0f;
    void* blindData = nullptr;
};

struct Attribute {
    std::string longName;
    std::string shortName;
    AttributeKind kind = AttributeKind::Float;
    unsigned index = 0;  // creation order on its type
    const Attribute* parent = nullptr;
    std::vector<const Attribute*> children;

    // The flags of a new attribute are Maya's.
    bool readable = true;
    bool writable = true;
    bool connectable = true;
    bool storable = true;
    bool cached = true;
    bool array = false;
    bool indexMatters = true;
    bool keyable = false;
    bool channelBox = false;
    bool hidden = false;
    bool usedAsColor = false;
    bool indeterminant = false;

    // Defaults live on the leaves; a compound's default is its children's.
    float defaultFloat = 0.0f;
    bool defaultBool = false;
    void* defaultAddress = nullptr;
    std::optional<LightData> lightDefault;  // set by MFnLightDataAttribute::setDefault
    std::optional<double> softMin, softMax, min, max;

    bool onType = false;                    // added to its node type, by itself or with its parent
    bool output = false;                    // something affects it, or its parent
    const Attribute* arrayOwner = nullptr;  // the array attribute whose elements hold it

    MFloatVector defaultVector() const;
    LightData defaultLight() const;  // LightData kind only
    bool isAncestorOf(const Attribute& other) const;

    // Layout, filled when the type's initialise function has run.
    std::size_t offset = 0;                  // within the node's values or within an element
    int arraySlot = -1;                      // for an array attribute: which element store
    std::vector<unsigned> dirties;           // attributes marked dirty when this one changes
    const Attribute* lightChildren[8] = {};  // LightData: direction ... blindData
};

struct NodeType {
    std::string name;
    unsigned id = 0;
    MPxNode::Type kind = MPxNode::kDependNode;
    std::string classification;
    std::vector<std::unique_ptr<Attribute>> attributes;  // creation order
    std::vector<const Attribute*> added;                 // addAttribute order
    std::vector<std::pair<const Attribute*, const Attribute*>> affects;

    // An attribute of the type by long or short name; find() gives nullptr.
    const Attribute& attribute(std::string_view name) const;
    const Attribute* find(std::string_view name) const;

    // Host internals.
    MCreatorFunction creator = nullptr;
    MInitializeFunction initialize = nullptr;
    void* plugin = nullptr;
    std::size_t valuesSize = 0;
    std::vector<unsigned char> defaultValues;
    struct ArrayLayout {
        const Attribute* attribute = nullptr;
        std::size_t elementSize = 0;
        std::vector<unsigned char> elementDefault;
    };
    std::vector<ArrayLayout> arrays;
};

// Every registered type, in registration order.
std::vector<const NodeType*> nodeTypes();
const NodeType* findNodeType(std::string_view name);

// The names a plug-in's entry points are looked up under: Maya on Windows
// takes the plain ones ("initializePlugin"), on Linux the C++ ones
// ("_Z16initializePlugin7MObject", with the API's namespace in it from API
// 20180000 on). Either tries the plain name first.
enum class EntryPointNames { Either, Plain, Cxx };

// A plug-in loaded as Maya loads one: the shared library opened, MApiVersion
// read, initializePlugin called. Destroying it unloads it.
class LoadedPlugin {
public:
    static std::unique_ptr<LoadedPlugin> load(const std::string& path,
                                              EntryPointNames names = EntryPointNames::Either);
    ~LoadedPlugin();
    LoadedPlugin(const LoadedPlugin&) = delete;
    LoadedPlugin& operator=(const LoadedPlugin&) = delete;

    // Deletes the nodes of its types, calls uninitializePlugin, closes the
    // library. Throws HostError when uninitializePlugin fails (it stays loaded).
    void unload();
    bool loaded() const;

    const std::string& path() const;
    const std::string& apiVersion() const;
    const std::string& vendor() const;
    const std::string& version() const;
    std::vector<const NodeType*> nodeTypes() const;  // registered and still there
    const std::vector<std::string>& loadCommands() const;
    const std::vector<std::string>& unloadCommands() const;
    const std::string& loadReports() const;    // standard error during initializePlugin
    const std::string& unloadReports() const;  // standard error during uninitializePlugin

    struct Record;

private:
    explicit LoadedPlugin(std::unique_ptr<Record> record);
    std::unique_ptr<Record> record_;
};

// A plug-in object for code that registers types itself (tests do, to take
// a type name or id before a plug-in loads). Lives until unregisterBuiltin.
MObject builtinPlugin(const std::string& name);
void unregisterBuiltin(const std::string& name);

class Evaluation;

// A node of a registered type, made by the type's creator.
class Node {
public:
    explicit Node(std::string_view typeName);  // throws HostError
    ~Node();
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    const NodeType& type() const;
    MPxNode& userNode() const;
    bool isMPSafe() const;

    // Sets a writable attribute on the node; marks the outputs it affects dirty.
    void set(std::string_view name, float value);
    void set(std::string_view name, bool value);
    void set(std::string_view name, const MFloatVector& value);
    float getFloat(std::string_view name) const;
    bool getBool(std::string_view name) const;
    MFloatVector getVector(std::string_view name) const;
    bool isDirty(std::string_view name) const;

    // Evaluates on the node's own values (one thread at a time).
    Evaluation& values();
    const Evaluation& values() const;

    struct Impl;
    Impl& impl() const { return *impl_; }

private:
    std::unique_ptr<Impl> impl_;
};

// One evaluation's data block: the node's values, overridden for this
// evaluation only, and the dirty state of its outputs.
class Evaluation {
public:
    explicit Evaluation(const Node& node);
    ~Evaluation();
    Evaluation(Evaluation&&) noexcept;
    Evaluation& operator=(Evaluation&&) = delete;
    Evaluation(const Evaluation&) = delete;

    const Node& node() const;
    void reset();

    // Any attribute but an output; light elements through the element setters.
    void set(const Attribute& attribute, float value);
    void set(const Attribute& attribute, bool value);
    void set(const Attribute& attribute, const MFloatVector& value);
    float getFloat(const Attribute& attribute) const;
    bool getBool(const Attribute& attribute) const;
    MFloatVector getVector(const Attribute& attribute) const;

    // Elements of an array attribute, at logical indices 0 ... count-1.
    // New elements take the array's element default.
    void setElementCount(const Attribute& array, unsigned count);
    unsigned elementCount(const Attribute& array) const;
    LightData elementDefault(const Attribute& array) const;
    void setLight(const Attribute& array, unsigned element, const LightData& light);
    LightData light(const Attribute& array, unsigned element) const;
    // One child of one element (a light data child, or a channel of one).
    void setElement(const Attribute& array, unsigned element, const Attribute& child, float value);
    void setElement(const Attribute& array, unsigned element, const Attribute& child, bool value);
    void setElement(const Attribute& array, unsigned element, const Attribute& child,
                    const MFloatVector& value);
    void setElement(const Attribute& array, unsigned element, const Attribute& child, void* value);

    bool isDirty(const Attribute& attribute) const;
    // The value of an output; runs compute first if it is dirty. Throws HostError
    // when compute does not answer the plug.
    MFloatVector requestVector(const Attribute& output);
    float requestFloat(const Attribute& output);
    // Calls compute for the plug, dirty or not, and returns what it returned.
    MStatus compute(const Attribute& attribute);
    unsigned long computeCount() const;

    // Every value, element and dirty flag, for comparing before and after.
    std::vector<unsigned char> snapshot() const;

    struct Impl;
    Impl& impl() const { return *impl_; }

private:
    std::unique_ptr<Impl> impl_;
};

// Fault injection: make the named API call fail. `attribute` narrows it to the
// calls acting on that attribute (long name; for registerNode the type name);
// empty means every call. The first `skip` matching calls still succeed.
struct Fault {
    std::string call;  // "MFnAttribute::setHidden", "MArrayDataHandle::next", ...
    std::string attribute;
    unsigned skip = 0;
    MStatus::MStatusCode code = MStatus::kFailure;
};
void injectFault(const Fault& fault);  // throws HostError for a call it cannot fail
void clearFaults();
const std::vector<std::string>& faultableCalls();

// Every command MGlobal::executeCommand was given, in order.
std::vector<std::string> commandLog();
void clearCommandLog();

}  // namespace sorvane::mayahost
