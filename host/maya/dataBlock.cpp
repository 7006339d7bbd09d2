// MDataBlock and its handles: views onto one evaluation's values. Nothing
// here allocates, so compute can run per sample without touching the heap.
#include <maya/MArrayDataHandle.h>
#include <maya/MDGContext.h>
#include <maya/MDataBlock.h>
#include <maya/MDataHandle.h>
#include <maya/MPlug.h>
#include <maya/MPlugArray.h>

#include "hostInternal.h"

using sorvane::mayahost::ArrayStore;
using sorvane::mayahost::Attribute;
using sorvane::mayahost::AttributeKind;
using sorvane::mayahost::Evaluation;
using sorvane::mayahost::faultFor;

MDGContext MDGContext::fsNormal;

namespace {

// What a handle of the wrong kind, or one onto nothing, reads and writes:
// zeros of its own, never another value of the block.
unsigned char* scratch() {
    alignas(16) static thread_local unsigned char bytes[64];
    std::memset(bytes, 0, sizeof bytes);
    return bytes;
}

unsigned char* valueOf(const MDataHandle& h, AttributeKind kind) {
    const Attribute* attribute = MHostAccess::attribute(h);
    unsigned char* value = MHostAccess::value(h);
    if (!attribute || !value || attribute->kind != kind) return scratch();
    return value;
}

MDataHandle handleFor(Evaluation::Impl* block, const MObject& object, MStatus* ReturnStatus) {
    const Attribute* attribute = MHostAccess::attribute(object);
    if (!block || !attribute || !block->owns(*attribute) || attribute->arrayOwner) {
        // Not of this node, or a child of array elements (reached per element).
        if (ReturnStatus) *ReturnStatus = MStatus::kInvalidParameter;
        return MHostAccess::handle(block, attribute, nullptr, nullptr);
    }
    if (ReturnStatus) *ReturnStatus = MStatus::kSuccess;
    if (attribute->array) return MHostAccess::handle(block, attribute, nullptr, nullptr);
    unsigned char* scope = block->values.data();
    return MHostAccess::handle(block, attribute, scope + attribute->offset, scope);
}

}  // namespace

MDataHandle MDataBlock::inputValue(const MPlug& plug, MStatus* ReturnStatus) {
    return inputValue(plug.attribute(), ReturnStatus);
}
MDataHandle MDataBlock::inputValue(const MObject& attribute, MStatus* ReturnStatus) {
    return handleFor(MHostAccess::impl(*this), attribute, ReturnStatus);
}
MDataHandle MDataBlock::outputValue(const MPlug& plug, MStatus* ReturnStatus) {
    return outputValue(plug.attribute(), ReturnStatus);
}
MDataHandle MDataBlock::outputValue(const MObject& attribute, MStatus* ReturnStatus) {
    return handleFor(MHostAccess::impl(*this), attribute, ReturnStatus);
}
MArrayDataHandle MDataBlock::inputArrayValue(const MPlug& plug, MStatus* ReturnStatus) {
    return inputArrayValue(plug.attribute(), ReturnStatus);
}
MArrayDataHandle MDataBlock::inputArrayValue(const MObject& object, MStatus* ReturnStatus) {
    Evaluation::Impl* block = MHostAccess::impl(*this);
    const Attribute* attribute = MHostAccess::attribute(object);
    const bool valid = block && attribute && block->owns(*attribute) && attribute->array;
    if (ReturnStatus) *ReturnStatus = valid ? MStatus::kSuccess : MStatus::kInvalidParameter;
    return MHostAccess::arrayHandle(valid ? block : nullptr, valid ? attribute : nullptr);
}
MArrayDataHandle MDataBlock::outputArrayValue(const MPlug& plug, MStatus* ReturnStatus) {
    return inputArrayValue(plug.attribute(), ReturnStatus);
}
MArrayDataHandle MDataBlock::outputArrayValue(const MObject& attribute, MStatus* ReturnStatus) {
    return inputArrayValue(attribute, ReturnStatus);
}

MStatus MDataBlock::setClean(const MPlug& plug) { return setClean(plug.attribute()); }
MStatus MDataBlock::setClean(const MObject& object) {
    Evaluation::Impl* block = MHostAccess::impl(*this);
    const Attribute* attribute = MHostAccess::attribute(object);
    if (!block || !attribute || !block->owns(*attribute)) return MStatus::kInvalidParameter;
    block->setClean(*attribute);
    return MStatus::kSuccess;
}
bool MDataBlock::isClean(const MPlug& plug) { return isClean(plug.attribute()); }
bool MDataBlock::isClean(const MObject& object) {
    Evaluation::Impl* block = MHostAccess::impl(*this);
    const Attribute* attribute = MHostAccess::attribute(object);
    return block && attribute && block->owns(*attribute) && !block->dirty[attribute->index];
}

bool& MDataHandle::asBool() const { return *reinterpret_cast<bool*>(valueOf(*this, AttributeKind::Bool)); }
float& MDataHandle::asFloat() const {
    return *reinterpret_cast<float*>(valueOf(*this, AttributeKind::Float));
}
void*& MDataHandle::asAddr() const {
    return *reinterpret_cast<void**>(valueOf(*this, AttributeKind::Address));
}
MFloatVector& MDataHandle::asFloatVector() const {
    return *reinterpret_cast<MFloatVector*>(valueOf(*this, AttributeKind::Compound));
}
float3& MDataHandle::asFloat3() const {
    return *reinterpret_cast<float3*>(valueOf(*this, AttributeKind::Compound));
}

void MDataHandle::set(bool value) { asBool() = value; }
void MDataHandle::set(float value) { asFloat() = value; }
void MDataHandle::set(const MFloatVector& value) { asFloatVector() = value; }
void MDataHandle::set3Float(float x, float y, float z) { asFloatVector() = MFloatVector(x, y, z); }

MDataHandle MDataHandle::child(const MObject& object) {
    const Attribute* attribute = MHostAccess::attribute(*this);
    const Attribute* child = MHostAccess::attribute(object);
    unsigned char* scope = MHostAccess::scope(*this);
    if (!attribute || !child || child->parent != attribute || !scope) {
        return MHostAccess::handle(MHostAccess::impl(*this), child, nullptr, nullptr);
    }
    return MHostAccess::handle(MHostAccess::impl(*this), child, scope + child->offset, scope);
}

MDataHandle MDataHandle::child(const MPlug& plug) { return child(plug.attribute()); }

void MDataHandle::setClean() {
    Evaluation::Impl* block = MHostAccess::impl(*this);
    const Attribute* attribute = MHostAccess::attribute(*this);
    if (block && attribute && block->owns(*attribute)) block->setClean(*attribute);
}

MObject MDataHandle::attribute() {
    return MHostAccess::object(const_cast<Attribute*>(MHostAccess::attribute(*this)),
                               MHostAccess::kAttributeObject);
}

MArrayDataHandle::MArrayDataHandle(const MDataHandle& handle) {
    *this = MHostAccess::arrayHandle(MHostAccess::impl(handle), MHostAccess::attribute(handle));
}

MDataHandle MArrayDataHandle::inputValue(MStatus* ReturnStatus) {
    ArrayStore* elements = MHostAccess::array(*this);
    Evaluation::Impl* block = MHostAccess::impl(*this);
    const Attribute* attribute = MHostAccess::attribute(*this);
    const unsigned position = MHostAccess::position(*this);
    if (!elements || position >= elements->count) {
        if (ReturnStatus) *ReturnStatus = MStatus::kInvalidParameter;
        return MHostAccess::handle(block, attribute, nullptr, nullptr);
    }
    if (ReturnStatus) *ReturnStatus = MStatus::kSuccess;
    unsigned char* element = elements->element(position);
    return MHostAccess::handle(block, attribute, element + attribute->offset, element);
}

MDataHandle MArrayDataHandle::outputValue(MStatus* ReturnStatus) { return inputValue(ReturnStatus); }

MStatus MArrayDataHandle::next() {
    if (const auto code = faultFor("MArrayDataHandle::next", MHostAccess::attribute(*this))) return code;
    ArrayStore* elements = MHostAccess::array(*this);
    const unsigned position = MHostAccess::position(*this);
    if (!elements || position >= elements->count) return MStatus::kFailure;
    MHostAccess::setPosition(*this, position + 1);
    return position + 1 < elements->count ? MStatus::kSuccess : MStatus::kFailure;
}

unsigned int MArrayDataHandle::elementCount(MStatus* ReturnStatus) {
    ArrayStore* elements = MHostAccess::array(*this);
    if (ReturnStatus) *ReturnStatus = elements ? MStatus::kSuccess : MStatus::kInvalidParameter;
    return elements ? elements->count : 0;
}

// Elements sit at logical indices 0 ... count-1 here.
unsigned int MArrayDataHandle::elementIndex(MStatus* ReturnStatus) {
    ArrayStore* elements = MHostAccess::array(*this);
    const unsigned position = MHostAccess::position(*this);
    const bool valid = elements && position < elements->count;
    if (ReturnStatus) *ReturnStatus = valid ? MStatus::kSuccess : MStatus::kFailure;
    return position;
}

MStatus MArrayDataHandle::jumpToElement(unsigned int index) { return jumpToArrayElement(index); }

MStatus MArrayDataHandle::jumpToArrayElement(unsigned int position) {
    ArrayStore* elements = MHostAccess::array(*this);
    if (!elements || position >= elements->count) return MStatus::kInvalidParameter;
    MHostAccess::setPosition(*this, position);
    return MStatus::kSuccess;
}

MStatus MArrayDataHandle::setClean() { return setAllClean(); }

MStatus MArrayDataHandle::setAllClean() {
    Evaluation::Impl* block = MHostAccess::impl(*this);
    const Attribute* attribute = MHostAccess::attribute(*this);
    if (!block || !attribute) return MStatus::kInvalidParameter;
    block->setClean(*attribute);
    return MStatus::kSuccess;
}

bool MPlug::operator==(const MObject& attribute) const {
    const Attribute* mine = MHostAccess::attribute(*this);
    return mine != nullptr && MHostAccess::attribute(attribute) == mine;
}

bool MPlug::operator==(const MPlug& other) const { return MHostAccess::samePlug(*this, other); }

MObject MPlug::attribute(MStatus* ReturnStatus) const {
    const Attribute* attribute = MHostAccess::attribute(*this);
    if (ReturnStatus) *ReturnStatus = attribute ? MStatus::kSuccess : MStatus::kInvalidParameter;
    return attribute ? MHostAccess::object(const_cast<Attribute*>(attribute), MHostAccess::kAttributeObject)
                     : MObject();
}

MPlug MPlug::parent(MStatus* ReturnStatus) const {
    const Attribute* attribute = MHostAccess::attribute(*this);
    if (!attribute || !attribute->parent) {
        if (ReturnStatus) *ReturnStatus = MStatus::kInvalidParameter;
        return MPlug();
    }
    if (ReturnStatus) *ReturnStatus = MStatus::kSuccess;
    return MHostAccess::withAttribute(*this, attribute->parent);
}

bool MPlug::isNull(MStatus* ReturnStatus) const {
    if (ReturnStatus) *ReturnStatus = MStatus::kSuccess;
    return MHostAccess::attribute(*this) == nullptr;
}

bool MPlug::isChild(MStatus* ReturnStatus) const {
    if (ReturnStatus) *ReturnStatus = MStatus::kSuccess;
    const Attribute* attribute = MHostAccess::attribute(*this);
    return attribute && attribute->parent;
}

bool MPlug::isElement(MStatus* ReturnStatus) const {
    if (ReturnStatus) *ReturnStatus = MStatus::kSuccess;
    return MHostAccess::logicalIndex(*this) >= 0;
}

unsigned int MPlug::logicalIndex(MStatus* ReturnStatus) const {
    const int index = MHostAccess::logicalIndex(*this);
    if (ReturnStatus) *ReturnStatus = index >= 0 ? MStatus::kSuccess : MStatus::kFailure;
    return index >= 0 ? static_cast<unsigned>(index) : 0;
}

MStatus MPlugArray::append(const MPlug& plug) {
    fPlugs.push_back(plug);
    return MStatus::kSuccess;
}

MStatus MPlugArray::clear() {
    fPlugs.clear();
    return MStatus::kSuccess;
}
