// Nodes and their evaluations: values per data block, dirty propagation, and
// compute called for a dirty output.
#include <algorithm>

#include <maya/MPxNode.h>

#include "hostInternal.h"

namespace sorvane::mayahost {

namespace {

std::string describe(const Attribute& attribute) { return "\"" + attribute.longName + "\""; }

}  // namespace

Node::Node(std::string_view typeName) : impl_(std::make_unique<Impl>()) {
    auto& reg = registry();
    std::lock_guard lock(reg.mutex);
    const NodeType* type = nullptr;
    for (const auto& t : reg.types) {
        if (t->name == typeName) type = t.get();
    }
    if (!type) throw HostError("no node type \"" + std::string(typeName) + "\" is registered");
    impl_->self = this;
    impl_->type = type;
    void* made = type->creator();
    if (!made) throw HostError("the creator of node type " + type->name + " made no node");
    impl_->user = static_cast<MPxNode*>(made);
    MHostAccess::bind(*impl_->user, impl_.get());
    unsigned count = 1;
    for (const Node::Impl* node : reg.nodes) count += node->type == type ? 1 : 0;
    impl_->name = type->name + std::to_string(count);
    reg.nodes.push_back(impl_.get());
    impl_->values = std::make_unique<Evaluation>(*this);
    impl_->user->postConstructor();
}

Node::~Node() {
    impl_->values.reset();
    delete impl_->user;
    auto& reg = registry();
    std::lock_guard lock(reg.mutex);
    reg.nodes.erase(std::remove(reg.nodes.begin(), reg.nodes.end(), impl_.get()), reg.nodes.end());
}

const NodeType& Node::type() const { return *impl_->type; }
MPxNode& Node::userNode() const { return *impl_->user; }
bool Node::isMPSafe() const { return impl_->mpSafe; }
Evaluation& Node::values() { return *impl_->values; }
const Evaluation& Node::values() const { return *impl_->values; }

namespace {

const Attribute& writable(const NodeType& type, std::string_view name) {
    const Attribute& attribute = type.attribute(name);
    if (!attribute.writable) throw HostError(describe(attribute) + " is not writable");
    return attribute;
}

}  // namespace

void Node::set(std::string_view name, float value) { values().set(writable(type(), name), value); }
void Node::set(std::string_view name, bool value) { values().set(writable(type(), name), value); }
void Node::set(std::string_view name, const MFloatVector& value) {
    values().set(writable(type(), name), value);
}
float Node::getFloat(std::string_view name) const { return values().getFloat(type().attribute(name)); }
bool Node::getBool(std::string_view name) const { return values().getBool(type().attribute(name)); }
MFloatVector Node::getVector(std::string_view name) const {
    return values().getVector(type().attribute(name));
}
bool Node::isDirty(std::string_view name) const { return values().isDirty(type().attribute(name)); }

Evaluation::Evaluation(const Node& node) : impl_(std::make_unique<Impl>()) {
    impl_->node = &node.impl();
    impl_->type = node.impl().type;
    const NodeType& type = *impl_->type;
    impl_->values = type.defaultValues;
    impl_->dirty.assign(type.attributes.size(), 0);
    impl_->arrays.resize(type.arrays.size());
    for (std::size_t i = 0; i < type.arrays.size(); ++i) {
        impl_->arrays[i].elementSize = type.arrays[i].elementSize;
    }
    // A node's own values start from the defaults; any other evaluation from the node's values.
    if (node.impl().values) {
        reset();
    } else {
        for (const auto& attribute : type.attributes) impl_->dirty[attribute->index] = attribute->output;
    }
}

Evaluation::~Evaluation() = default;
Evaluation::Evaluation(Evaluation&&) noexcept = default;

const Node& Evaluation::node() const { return *impl_->node->self; }

void Evaluation::reset() {
    Impl& self = *impl_;
    const Evaluation* source = self.node->values.get();
    if (!source || source == this) {
        // The node's own values: back to the defaults.
        const NodeType& type = *self.type;
        std::memcpy(self.values.data(), type.defaultValues.data(), type.valuesSize);
        for (auto& array : self.arrays) {
            array.count = 0;
            array.elements.clear();
        }
    } else {
        const Impl& from = *source->impl_;
        std::memcpy(self.values.data(), from.values.data(), self.values.size());
        for (std::size_t i = 0; i < self.arrays.size(); ++i) {
            self.arrays[i].elements.assign(from.arrays[i].elements.begin(), from.arrays[i].elements.end());
            self.arrays[i].count = from.arrays[i].count;
        }
    }
    for (const auto& attribute : self.type->attributes) self.dirty[attribute->index] = attribute->output;
}

namespace {

void requireOwned(const Evaluation::Impl& self, const Attribute& attribute) {
    if (!self.owns(attribute)) {
        throw HostError(describe(attribute) + " is not an attribute of node type " + self.type->name);
    }
}

unsigned char* inputSlot(Evaluation::Impl& self, const Attribute& attribute, AttributeKind kind,
                         const char* what) {
    requireOwned(self, attribute);
    if (attribute.output) throw HostError(describe(attribute) + " is an output; it is computed, not set");
    if (attribute.arrayOwner || attribute.array) {
        throw HostError(describe(attribute) + " belongs to the elements of " +
                        describe(attribute.array ? attribute : *attribute.arrayOwner) +
                        "; set it per element");
    }
    if (attribute.kind != kind) {
        throw HostError(describe(attribute) + " is a " + kindName(attribute.kind) + ", not " + what);
    }
    return self.values.data() + attribute.offset;
}

const unsigned char* valueSlot(const Evaluation::Impl& self, const Attribute& attribute, AttributeKind kind,
                               const char* what) {
    requireOwned(self, attribute);
    if (attribute.arrayOwner || attribute.array) {
        throw HostError(describe(attribute) + " belongs to the elements of an array; read it per element");
    }
    if (attribute.kind != kind) {
        throw HostError(describe(attribute) + " is a " + kindName(attribute.kind) + ", not " + what);
    }
    return self.values.data() + attribute.offset;
}

ArrayStore& arrayStore(Evaluation::Impl& self, const Attribute& array) {
    requireOwned(self, array);
    if (!array.array || array.arraySlot < 0) throw HostError(describe(array) + " is not an array attribute");
    return self.arrays[static_cast<std::size_t>(array.arraySlot)];
}

unsigned char* elementSlot(Evaluation::Impl& self, const Attribute& array, unsigned element,
                           const Attribute& child, AttributeKind kind, const char* what) {
    ArrayStore& store = arrayStore(self, array);
    if (element >= store.count) {
        throw HostError(describe(array) + " has " + std::to_string(store.count) + " elements, not element " +
                        std::to_string(element));
    }
    if (child.arrayOwner != &array)
        throw HostError(describe(child) + " is not a child of " + describe(array));
    if (child.kind != kind)
        throw HostError(describe(child) + " is a " + kindName(child.kind) + ", not " + what);
    return store.element(element) + child.offset;
}

}  // namespace

void Evaluation::set(const Attribute& attribute, float value) {
    std::memcpy(inputSlot(*impl_, attribute, AttributeKind::Float, "a float"), &value, sizeof value);
    impl_->markChanged(attribute);
}

void Evaluation::set(const Attribute& attribute, bool value) {
    *inputSlot(*impl_, attribute, AttributeKind::Bool, "a bool") = value ? 1 : 0;
    impl_->markChanged(attribute);
}

void Evaluation::set(const Attribute& attribute, const MFloatVector& value) {
    std::memcpy(inputSlot(*impl_, attribute, AttributeKind::Compound, "a compound of three floats"), &value,
                sizeof value);
    impl_->markChanged(attribute);
}

float Evaluation::getFloat(const Attribute& attribute) const {
    float value;
    std::memcpy(&value, valueSlot(*impl_, attribute, AttributeKind::Float, "a float"), sizeof value);
    return value;
}

bool Evaluation::getBool(const Attribute& attribute) const {
    return *valueSlot(*impl_, attribute, AttributeKind::Bool, "a bool") != 0;
}

MFloatVector Evaluation::getVector(const Attribute& attribute) const {
    MFloatVector value;
    std::memcpy(&value, valueSlot(*impl_, attribute, AttributeKind::Compound, "a compound of three floats"),
                sizeof value);
    return value;
}

void Evaluation::setElementCount(const Attribute& array, unsigned count) {
    ArrayStore& store = arrayStore(*impl_, array);
    const auto& layout = impl_->type->arrays[static_cast<std::size_t>(array.arraySlot)];
    const unsigned old = store.count;
    // Shrinking keeps the capacity, so a reused evaluation stops allocating.
    store.elements.resize(std::size_t{count} * store.elementSize);
    for (unsigned i = old; i < count; ++i) {
        std::memcpy(store.element(i), layout.elementDefault.data(), store.elementSize);
    }
    store.count = count;
    impl_->markChanged(array);
}

unsigned Evaluation::elementCount(const Attribute& array) const { return arrayStore(*impl_, array).count; }

LightData Evaluation::elementDefault(const Attribute& array) const {
    if (array.kind != AttributeKind::LightData)
        throw HostError(describe(array) + " does not hold light data");
    arrayStore(*impl_, array);
    return array.defaultLight();
}

void Evaluation::setLight(const Attribute& array, unsigned element, const LightData& light) {
    if (array.kind != AttributeKind::LightData)
        throw HostError(describe(array) + " does not hold light data");
    ArrayStore& store = arrayStore(*impl_, array);
    if (element >= store.count) {
        throw HostError(describe(array) + " has " + std::to_string(store.count) + " elements, not element " +
                        std::to_string(element));
    }
    writeLightData(store.element(element), array, light);
    impl_->markChanged(array);
}

LightData Evaluation::light(const Attribute& array, unsigned element) const {
    if (array.kind != AttributeKind::LightData)
        throw HostError(describe(array) + " does not hold light data");
    ArrayStore& store = arrayStore(*impl_, array);
    if (element >= store.count) {
        throw HostError(describe(array) + " has " + std::to_string(store.count) + " elements, not element " +
                        std::to_string(element));
    }
    return readLightData(store.element(element), array);
}

void Evaluation::setElement(const Attribute& array, unsigned element, const Attribute& child, float value) {
    std::memcpy(elementSlot(*impl_, array, element, child, AttributeKind::Float, "a float"), &value,
                sizeof value);
    impl_->markChanged(child);
}

void Evaluation::setElement(const Attribute& array, unsigned element, const Attribute& child, bool value) {
    *elementSlot(*impl_, array, element, child, AttributeKind::Bool, "a bool") = value ? 1 : 0;
    impl_->markChanged(child);
}

void Evaluation::setElement(const Attribute& array, unsigned element, const Attribute& child,
                            const MFloatVector& value) {
    std::memcpy(
        elementSlot(*impl_, array, element, child, AttributeKind::Compound, "a compound of three floats"),
        &value, sizeof value);
    impl_->markChanged(child);
}

void Evaluation::setElement(const Attribute& array, unsigned element, const Attribute& child, void* value) {
    std::memcpy(elementSlot(*impl_, array, element, child, AttributeKind::Address, "an address"), &value,
                sizeof value);
    impl_->markChanged(child);
}

bool Evaluation::isDirty(const Attribute& attribute) const {
    requireOwned(*impl_, attribute);
    return impl_->dirty[attribute.index] != 0;
}

MStatus Evaluation::compute(const Attribute& attribute) {
    requireOwned(*impl_, attribute);
    ++impl_->computeCount;
    const MPlug plug = MHostAccess::plug(impl_->node, &attribute);
    MDataBlock block = MHostAccess::block(impl_.get());
    return impl_->node->user->compute(plug, block);
}

namespace {

void requestOutput(Evaluation& evaluation, Evaluation::Impl& self, const Attribute& output) {
    requireOwned(self, output);
    if (!output.output) throw HostError(describe(output) + " is not an output");
    if (!self.dirty[output.index]) return;
    const MStatus status = evaluation.compute(output);
    if (!status) {
        throw HostError("compute did not answer " + describe(output) + ": " + status.errorString().asChar());
    }
}

}  // namespace

MFloatVector Evaluation::requestVector(const Attribute& output) {
    requestOutput(*this, *impl_, output);
    return getVector(output);
}

float Evaluation::requestFloat(const Attribute& output) {
    requestOutput(*this, *impl_, output);
    if (output.kind != AttributeKind::Float) {
        throw HostError(describe(output) + " is a " + kindName(output.kind) + ", not a float");
    }
    float value;
    std::memcpy(&value, impl_->values.data() + output.offset, sizeof value);
    return value;
}

unsigned long Evaluation::computeCount() const { return impl_->computeCount; }

std::vector<unsigned char> Evaluation::snapshot() const {
    std::vector<unsigned char> bytes(impl_->values);
    for (const auto& array : impl_->arrays) {
        const unsigned char* count = reinterpret_cast<const unsigned char*>(&array.count);
        bytes.insert(bytes.end(), count, count + sizeof array.count);
        bytes.insert(bytes.end(), array.elements.begin(), array.elements.end());
    }
    bytes.insert(bytes.end(), impl_->dirty.begin(), impl_->dirty.end());
    return bytes;
}

}  // namespace sorvane::mayahost

using sorvane::mayahost::Node;

MPxNode::MPxNode() = default;
MPxNode::~MPxNode() = default;
void MPxNode::postConstructor() {}
MStatus MPxNode::compute(const MPlug&, MDataBlock&) { return MStatus::kUnknownParameter; }
bool MPxNode::getInternalValueInContext(const MPlug&, MDataHandle&, MDGContext&) { return false; }
bool MPxNode::setInternalValueInContext(const MPlug&, const MDataHandle&, MDGContext&) { return false; }
bool MPxNode::getInternalValue(const MPlug&, MDataHandle&) { return false; }
bool MPxNode::setInternalValue(const MPlug&, const MDataHandle&) { return false; }
int MPxNode::internalArrayCount(const MPlug&, const MDGContext&) const { return -1; }
void MPxNode::copyInternalData(MPxNode*) {}
MStatus MPxNode::legalConnection(const MPlug&, const MPlug&, bool, bool&) const {
    return MStatus::kUnknownParameter;
}
MStatus MPxNode::legalDisconnection(const MPlug&, const MPlug&, bool, bool&) const {
    return MStatus::kUnknownParameter;
}
MStatus MPxNode::setDependentsDirty(const MPlug&, MPlugArray&) { return MStatus::kSuccess; }
MStatus MPxNode::connectionMade(const MPlug&, const MPlug&, bool) { return MStatus::kUnknownParameter; }
MStatus MPxNode::connectionBroken(const MPlug&, const MPlug&, bool) { return MStatus::kUnknownParameter; }
bool MPxNode::isPassiveOutput(const MPlug&) const { return false; }
MStatus MPxNode::shouldSave(const MPlug&, bool&) { return MStatus::kUnknownParameter; }
MPlug MPxNode::passThroughToOne(const MPlug&) const { return MPlug(); }
bool MPxNode::passThroughToMany(const MPlug&, MPlugArray&) const { return false; }
MPxNode::Type MPxNode::type() const { return kDependNode; }
bool MPxNode::isAbstractClass() const { return false; }

MTypeId MPxNode::typeId() const {
    const Node::Impl* node = MHostAccess::node(*this);
    return node ? MTypeId(node->type->id) : MTypeId();
}

MString MPxNode::typeName() const {
    const Node::Impl* node = MHostAccess::node(*this);
    return node ? MString(node->type->name.c_str()) : MString();
}

MString MPxNode::name() const {
    const Node::Impl* node = MHostAccess::node(*this);
    return node ? MString(node->name.c_str()) : MString();
}

MObject MPxNode::thisMObject() const { return MObject(); }

void MPxNode::setMPSafe(bool flag) {
    if (Node::Impl* node = MHostAccess::node(*this)) node->mpSafe = flag;
}
