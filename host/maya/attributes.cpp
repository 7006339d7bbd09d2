// The attribute function sets: each create attaches the set to the new
// attribute, and the setters act on it.
#include <maya/MFnAttribute.h>
#include <maya/MFnLightDataAttribute.h>
#include <maya/MFnNumericAttribute.h>

#include "hostInternal.h"

using sorvane::mayahost::Attribute;
using sorvane::mayahost::AttributeKind;
using sorvane::mayahost::faultFor;
using sorvane::mayahost::LightData;
using sorvane::mayahost::registry;

namespace {

MStatus report(MStatus* out, MStatus::MStatusCode code) {
    if (out) *out = code;
    return code;
}

Attribute* newAttribute(const MString& longName, const MString& shortName, AttributeKind kind) {
    auto& reg = registry();
    std::lock_guard lock(reg.mutex);
    auto attribute = std::make_unique<Attribute>();
    attribute->longName = longName.asChar();
    attribute->shortName = shortName.asChar();
    attribute->kind = kind;
    auto& owner = reg.initializing ? reg.initializing->attributes : reg.looseAttributes;
    attribute->index = static_cast<unsigned>(owner.size());
    owner.push_back(std::move(attribute));
    return owner.back().get();
}

bool usableChild(const Attribute* child, AttributeKind kind) {
    return child && child->kind == kind && child->parent == nullptr;
}

bool isVector(const Attribute* child) { return usableChild(child, AttributeKind::Compound); }

Attribute* current(const MFnBase& fn);

}  // namespace

MFnBase::MFnBase() = default;
MFnBase::~MFnBase() = default;
MFnAttribute::~MFnAttribute() = default;
MFnNumericAttribute::~MFnNumericAttribute() = default;
MFnLightDataAttribute::~MFnLightDataAttribute() = default;
MFnNumericData::~MFnNumericData() = default;

MObject MFnBase::object(MStatus* ReturnStatus) const {
    if (ReturnStatus) *ReturnStatus = MStatus::kSuccess;
    return fObject;
}

MStatus MFnBase::setObject(MObject& object) {
    fObject = object;
    return MStatus::kSuccess;
}

namespace {

Attribute* current(const MFnBase& fn) { return MHostAccess::attribute(fn.object()); }

MStatus setFlag(MFnAttribute& fn, const char* call, bool propagate, bool Attribute::*flag, bool state) {
    Attribute* attribute = current(fn);
    if (const auto code = faultFor(call, attribute)) return code;
    if (!attribute) return MStatus::kInvalidParameter;
    attribute->*flag = state;
    if (propagate && attribute->kind == AttributeKind::Compound) {
        for (const Attribute* child : attribute->children) {
            const_cast<Attribute*>(child)->*flag = state;
        }
    }
    return MStatus::kSuccess;
}

// The child at `index` of a compound or light data attribute.
MObject childOf(const MFnAttribute& fn, unsigned int index, MStatus* ReturnStatus) {
    const Attribute* attribute = current(fn);
    if (!attribute || index >= attribute->children.size()) {
        report(ReturnStatus, MStatus::kInvalidParameter);
        return MObject();
    }
    report(ReturnStatus, MStatus::kSuccess);
    return MHostAccess::object(const_cast<Attribute*>(attribute->children[index]),
                               MHostAccess::kAttributeObject);
}

bool getFlag(const MFnAttribute& fn, bool Attribute::*flag, MStatus* ReturnStatus) {
    const Attribute* attribute = current(fn);
    report(ReturnStatus, attribute ? MStatus::kSuccess : MStatus::kInvalidParameter);
    return attribute ? attribute->*flag : false;
}

}  // namespace

MFnAttribute::MFnAttribute(MObject& object, MStatus* ReturnStatus) {
    fObject = MHostAccess::attribute(object) ? object : MObject();
    report(ReturnStatus, fObject.isNull() ? MStatus::kInvalidParameter : MStatus::kSuccess);
}

bool MFnAttribute::isReadable(MStatus* s) const { return getFlag(*this, &Attribute::readable, s); }
bool MFnAttribute::isWritable(MStatus* s) const { return getFlag(*this, &Attribute::writable, s); }
bool MFnAttribute::isConnectable(MStatus* s) const { return getFlag(*this, &Attribute::connectable, s); }
bool MFnAttribute::isStorable(MStatus* s) const { return getFlag(*this, &Attribute::storable, s); }
bool MFnAttribute::isCached(MStatus* s) const { return getFlag(*this, &Attribute::cached, s); }
bool MFnAttribute::isArray(MStatus* s) const { return getFlag(*this, &Attribute::array, s); }
bool MFnAttribute::indexMatters(MStatus* s) const { return getFlag(*this, &Attribute::indexMatters, s); }
bool MFnAttribute::isKeyable(MStatus* s) const { return getFlag(*this, &Attribute::keyable, s); }
bool MFnAttribute::isChannelBoxFlagSet(MStatus* s) const { return getFlag(*this, &Attribute::channelBox, s); }
bool MFnAttribute::isHidden(MStatus* s) const { return getFlag(*this, &Attribute::hidden, s); }
bool MFnAttribute::isUsedAsColor(MStatus* s) const { return getFlag(*this, &Attribute::usedAsColor, s); }
bool MFnAttribute::isIndeterminant(MStatus* s) const { return getFlag(*this, &Attribute::indeterminant, s); }

MString MFnAttribute::name(MStatus* ReturnStatus) const {
    const Attribute* attribute = current(*this);
    report(ReturnStatus, attribute ? MStatus::kSuccess : MStatus::kInvalidParameter);
    return attribute ? MString(attribute->longName.c_str()) : MString();
}

MString MFnAttribute::shortName(MStatus* ReturnStatus) const {
    const Attribute* attribute = current(*this);
    report(ReturnStatus, attribute ? MStatus::kSuccess : MStatus::kInvalidParameter);
    return attribute ? MString(attribute->shortName.c_str()) : MString();
}

MObject MFnAttribute::parent(MStatus* ReturnStatus) const {
    const Attribute* attribute = current(*this);
    report(ReturnStatus, attribute ? MStatus::kSuccess : MStatus::kInvalidParameter);
    if (!attribute || !attribute->parent) return MObject();
    return MHostAccess::object(const_cast<Attribute*>(attribute->parent), MHostAccess::kAttributeObject);
}

// Flags set through MFnNumericAttribute reach a compound's children, except
// usedAsColor and array, which belong to the compound alone. The set's own
// class says which it is: a plug-in's inline constructor may leave every byte
// past MFnBase as it found it.
namespace {

bool propagates(const MFnAttribute& fn) { return dynamic_cast<const MFnNumericAttribute*>(&fn) != nullptr; }

}  // namespace

MStatus MFnAttribute::setReadable(bool s) {
    return setFlag(*this, "MFnAttribute::setReadable", propagates(*this), &Attribute::readable, s);
}
MStatus MFnAttribute::setWritable(bool s) {
    return setFlag(*this, "MFnAttribute::setWritable", propagates(*this), &Attribute::writable, s);
}
MStatus MFnAttribute::setConnectable(bool s) {
    return setFlag(*this, "MFnAttribute::setConnectable", propagates(*this), &Attribute::connectable, s);
}
MStatus MFnAttribute::setStorable(bool s) {
    return setFlag(*this, "MFnAttribute::setStorable", propagates(*this), &Attribute::storable, s);
}
MStatus MFnAttribute::setCached(bool s) {
    return setFlag(*this, "MFnAttribute::setCached", propagates(*this), &Attribute::cached, s);
}
MStatus MFnAttribute::setArray(bool s) {
    return setFlag(*this, "MFnAttribute::setArray", false, &Attribute::array, s);
}
MStatus MFnAttribute::setIndexMatters(bool s) {
    return setFlag(*this, "MFnAttribute::setIndexMatters", propagates(*this), &Attribute::indexMatters, s);
}
MStatus MFnAttribute::setKeyable(bool s) {
    return setFlag(*this, "MFnAttribute::setKeyable", propagates(*this), &Attribute::keyable, s);
}
MStatus MFnAttribute::setChannelBox(bool s) {
    return setFlag(*this, "MFnAttribute::setChannelBox", propagates(*this), &Attribute::channelBox, s);
}
MStatus MFnAttribute::setHidden(bool s) {
    return setFlag(*this, "MFnAttribute::setHidden", propagates(*this), &Attribute::hidden, s);
}
MStatus MFnAttribute::setUsedAsColor(bool s) {
    return setFlag(*this, "MFnAttribute::setUsedAsColor", false, &Attribute::usedAsColor, s);
}
MStatus MFnAttribute::setIndeterminant(bool s) {
    return setFlag(*this, "MFnAttribute::setIndeterminant", propagates(*this), &Attribute::indeterminant, s);
}

MStatus MFnAttribute::setDisconnectBehavior(DisconnectBehavior) {
    Attribute* attribute = current(*this);
    if (const auto code = faultFor("MFnAttribute::setDisconnectBehavior", attribute)) return code;
    return attribute ? MStatus::kSuccess : MStatus::kInvalidParameter;
}

MFnNumericAttribute::MFnNumericAttribute() = default;

MFnNumericAttribute::MFnNumericAttribute(MObject& object, MStatus* ReturnStatus)
    : MFnAttribute(object, ReturnStatus) {}

MObject MFnNumericAttribute::create(const MString& fullName, const MString& briefName,
                                    MFnNumericData::Type unitType, double defaultValue,
                                    MStatus* ReturnStatus) {
    fObject = MObject();
    if (const auto code = faultFor("MFnNumericAttribute::create", fullName.asChar())) {
        report(ReturnStatus, code);
        return fObject;
    }
    if (fullName.length() == 0 || briefName.length() == 0) {
        report(ReturnStatus, MStatus::kInvalidParameter);
        return fObject;
    }
    AttributeKind kind;
    switch (unitType) {
        case MFnNumericData::kFloat:
            kind = AttributeKind::Float;
            break;
        case MFnNumericData::kBoolean:
            kind = AttributeKind::Bool;
            break;
        default:  // this host holds floats and booleans only
            report(ReturnStatus, MStatus::kNotImplemented);
            return fObject;
    }
    Attribute* attribute = newAttribute(fullName, briefName, kind);
    attribute->defaultFloat = static_cast<float>(defaultValue);
    attribute->defaultBool = defaultValue != 0.0;
    fObject = MHostAccess::object(attribute, MHostAccess::kAttributeObject);
    report(ReturnStatus, MStatus::kSuccess);
    return fObject;
}

MObject MFnNumericAttribute::create(const MString& fullName, const MString& briefName, const MObject& child1,
                                    const MObject& child2, const MObject& child3, MStatus* ReturnStatus) {
    fObject = MObject();
    if (const auto code = faultFor("MFnNumericAttribute::create", fullName.asChar())) {
        report(ReturnStatus, code);
        return fObject;
    }
    Attribute* children[3] = {MHostAccess::attribute(child1), MHostAccess::attribute(child2),
                              MHostAccess::attribute(child3)};
    if (child3.isNull()) {  // pairs are not held by this host
        report(ReturnStatus, MStatus::kNotImplemented);
        return fObject;
    }
    for (Attribute* child : children) {
        if (!usableChild(child, AttributeKind::Float)) {
            report(ReturnStatus, MStatus::kInvalidParameter);
            return fObject;
        }
    }
    if (fullName.length() == 0 || briefName.length() == 0 || children[0] == children[1] ||
        children[1] == children[2] || children[0] == children[2]) {
        report(ReturnStatus, MStatus::kInvalidParameter);
        return fObject;
    }
    Attribute* attribute = newAttribute(fullName, briefName, AttributeKind::Compound);
    for (Attribute* child : children) {
        child->parent = attribute;
        attribute->children.push_back(child);
    }
    fObject = MHostAccess::object(attribute, MHostAccess::kAttributeObject);
    report(ReturnStatus, MStatus::kSuccess);
    return fObject;
}

MObject MFnNumericAttribute::createAddr(const MString& fullName, const MString& briefName, void* defaultValue,
                                        MStatus* ReturnStatus) {
    fObject = MObject();
    if (const auto code = faultFor("MFnNumericAttribute::createAddr", fullName.asChar())) {
        report(ReturnStatus, code);
        return fObject;
    }
    if (fullName.length() == 0 || briefName.length() == 0) {
        report(ReturnStatus, MStatus::kInvalidParameter);
        return fObject;
    }
    Attribute* attribute = newAttribute(fullName, briefName, AttributeKind::Address);
    attribute->defaultAddress = defaultValue;
    fObject = MHostAccess::object(attribute, MHostAccess::kAttributeObject);
    report(ReturnStatus, MStatus::kSuccess);
    return fObject;
}

MFnNumericData::Type MFnNumericAttribute::unitType(MStatus* ReturnStatus) const {
    const Attribute* attribute = current(*this);
    report(ReturnStatus, attribute ? MStatus::kSuccess : MStatus::kInvalidParameter);
    if (!attribute) return MFnNumericData::kInvalid;
    switch (attribute->kind) {
        case AttributeKind::Float:
            return MFnNumericData::kFloat;
        case AttributeKind::Bool:
            return MFnNumericData::kBoolean;
        case AttributeKind::Compound:
            return MFnNumericData::k3Float;
        case AttributeKind::Address:
            return MFnNumericData::kAddr;
        default:
            return MFnNumericData::kInvalid;
    }
}

MObject MFnNumericAttribute::child(unsigned int index, MStatus* ReturnStatus) const {
    return childOf(*this, index, ReturnStatus);
}

namespace {

bool hasRange(const MFnAttribute& fn, std::optional<double> Attribute::*range, MStatus* ReturnStatus) {
    const Attribute* attribute = current(fn);
    report(ReturnStatus, attribute ? MStatus::kSuccess : MStatus::kInvalidParameter);
    return attribute && (attribute->*range).has_value();
}

MStatus setRange(MFnAttribute& fn, const char* call, std::optional<double> Attribute::*range, double value) {
    Attribute* attribute = current(fn);
    if (const auto code = faultFor(call, attribute)) return code;
    if (!attribute ||
        (attribute->kind != AttributeKind::Float && attribute->kind != AttributeKind::Compound)) {
        return MStatus::kInvalidParameter;
    }
    attribute->*range = value;
    return MStatus::kSuccess;
}

MStatus getRange(const MFnAttribute& fn, std::optional<double> Attribute::*range, double& value) {
    const Attribute* attribute = current(fn);
    if (!attribute || !(attribute->*range)) return MStatus::kInvalidParameter;
    value = *(attribute->*range);
    return MStatus::kSuccess;
}

MStatus setDefaults(MFnAttribute& fn, int count, const float* values) {
    Attribute* attribute = current(fn);
    if (const auto code = faultFor("MFnNumericAttribute::setDefault", attribute)) return code;
    if (!attribute) return MStatus::kInvalidParameter;
    if (count == 3 && attribute->kind == AttributeKind::Compound) {
        for (int i = 0; i < 3; ++i) {
            const_cast<Attribute*>(attribute->children[static_cast<std::size_t>(i)])->defaultFloat =
                values[i];
        }
        return MStatus::kSuccess;
    }
    if (count == 1 && attribute->kind == AttributeKind::Float) {
        attribute->defaultFloat = values[0];
        return MStatus::kSuccess;
    }
    if (count == 1 && attribute->kind == AttributeKind::Bool) {
        attribute->defaultBool = values[0] != 0.0f;
        return MStatus::kSuccess;
    }
    return MStatus::kInvalidParameter;
}

}  // namespace

bool MFnNumericAttribute::hasMin(MStatus* s) const { return hasRange(*this, &Attribute::min, s); }
bool MFnNumericAttribute::hasMax(MStatus* s) const { return hasRange(*this, &Attribute::max, s); }
bool MFnNumericAttribute::hasSoftMin(MStatus* s) const { return hasRange(*this, &Attribute::softMin, s); }
bool MFnNumericAttribute::hasSoftMax(MStatus* s) const { return hasRange(*this, &Attribute::softMax, s); }
MStatus MFnNumericAttribute::setMin(double v) {
    return setRange(*this, "MFnNumericAttribute::setMin", &Attribute::min, v);
}
MStatus MFnNumericAttribute::setMax(double v) {
    return setRange(*this, "MFnNumericAttribute::setMax", &Attribute::max, v);
}
MStatus MFnNumericAttribute::setSoftMin(double v) {
    return setRange(*this, "MFnNumericAttribute::setSoftMin", &Attribute::softMin, v);
}
MStatus MFnNumericAttribute::setSoftMax(double v) {
    return setRange(*this, "MFnNumericAttribute::setSoftMax", &Attribute::softMax, v);
}
MStatus MFnNumericAttribute::getMin(double& v) const { return getRange(*this, &Attribute::min, v); }
MStatus MFnNumericAttribute::getMax(double& v) const { return getRange(*this, &Attribute::max, v); }
MStatus MFnNumericAttribute::getSoftMin(double& v) const { return getRange(*this, &Attribute::softMin, v); }
MStatus MFnNumericAttribute::getSoftMax(double& v) const { return getRange(*this, &Attribute::softMax, v); }

MStatus MFnNumericAttribute::setDefault(bool value) {
    const float v = value ? 1.0f : 0.0f;
    return setDefaults(*this, 1, &v);
}
MStatus MFnNumericAttribute::setDefault(int value) {
    const float v = static_cast<float>(value);
    return setDefaults(*this, 1, &v);
}
MStatus MFnNumericAttribute::setDefault(float value) { return setDefaults(*this, 1, &value); }
MStatus MFnNumericAttribute::setDefault(float a, float b, float c) {
    const float v[3] = {a, b, c};
    return setDefaults(*this, 3, v);
}
MStatus MFnNumericAttribute::setDefault(double value) {
    const float v = static_cast<float>(value);
    return setDefaults(*this, 1, &v);
}
MStatus MFnNumericAttribute::setDefault(double a, double b, double c) {
    const float v[3] = {static_cast<float>(a), static_cast<float>(b), static_cast<float>(c)};
    return setDefaults(*this, 3, v);
}

MStatus MFnNumericAttribute::getDefault(bool& value) {
    const Attribute* attribute = current(*this);
    if (!attribute || attribute->kind != AttributeKind::Bool) return MStatus::kInvalidParameter;
    value = attribute->defaultBool;
    return MStatus::kSuccess;
}

MStatus MFnNumericAttribute::getDefault(float& value) {
    const Attribute* attribute = current(*this);
    if (!attribute || attribute->kind != AttributeKind::Float) return MStatus::kInvalidParameter;
    value = attribute->defaultFloat;
    return MStatus::kSuccess;
}

MStatus MFnNumericAttribute::getDefault(float& a, float& b, float& c) {
    const Attribute* attribute = current(*this);
    if (!attribute || attribute->kind != AttributeKind::Compound) return MStatus::kInvalidParameter;
    const MFloatVector v = attribute->defaultVector();
    a = v.x;
    b = v.y;
    c = v.z;
    return MStatus::kSuccess;
}

MStatus MFnNumericAttribute::getDefault(double& value) {
    float v = 0.0f;
    const MStatus status = getDefault(v);
    value = v;
    return status;
}

MFnLightDataAttribute::MFnLightDataAttribute(MObject& object, MStatus* ReturnStatus)
    : MFnAttribute(object, ReturnStatus) {}

MObject MFnLightDataAttribute::create(const MString& fullName, const MString& briefName,
                                      const MObject& direction, const MObject& intensity,
                                      const MObject& ambient, const MObject& diffuse, const MObject& specular,
                                      const MObject& shadowFraction, const MObject& preShadowIntensity,
                                      const MObject& blindData, MStatus* ReturnStatus) {
    fObject = MObject();
    if (const auto code = faultFor("MFnLightDataAttribute::create", fullName.asChar())) {
        report(ReturnStatus, code);
        return fObject;
    }
    Attribute* children[8] = {MHostAccess::attribute(direction),
                              MHostAccess::attribute(intensity),
                              MHostAccess::attribute(ambient),
                              MHostAccess::attribute(diffuse),
                              MHostAccess::attribute(specular),
                              MHostAccess::attribute(shadowFraction),
                              MHostAccess::attribute(preShadowIntensity),
                              MHostAccess::attribute(blindData)};
    const bool valid =
        fullName.length() > 0 && briefName.length() > 0 && isVector(children[0]) && isVector(children[1]) &&
        usableChild(children[2], AttributeKind::Bool) && usableChild(children[3], AttributeKind::Bool) &&
        usableChild(children[4], AttributeKind::Bool) && usableChild(children[5], AttributeKind::Float) &&
        usableChild(children[6], AttributeKind::Float) && usableChild(children[7], AttributeKind::Address);
    bool distinct = true;
    for (int i = 0; i < 8; ++i) {
        for (int j = i + 1; j < 8; ++j) {
            distinct = distinct && children[i] != children[j];
        }
    }
    if (!valid || !distinct) {
        report(ReturnStatus, MStatus::kInvalidParameter);
        return fObject;
    }
    Attribute* attribute = newAttribute(fullName, briefName, AttributeKind::LightData);
    for (int i = 0; i < 8; ++i) {
        children[i]->parent = attribute;
        attribute->children.push_back(children[i]);
        attribute->lightChildren[i] = children[i];
    }
    fObject = MHostAccess::object(attribute, MHostAccess::kAttributeObject);
    report(ReturnStatus, MStatus::kSuccess);
    return fObject;
}

MObject MFnLightDataAttribute::child(unsigned int index, MStatus* ReturnStatus) {
    return childOf(*this, index, ReturnStatus);
}

MStatus MFnLightDataAttribute::setDefault(float dx, float dy, float dz, float ir, float ig, float ib,
                                          bool ambient, bool diffuse, bool specular, float shadowFraction,
                                          float preShadowIntensity, void* blindData) {
    Attribute* attribute = current(*this);
    if (const auto code = faultFor("MFnLightDataAttribute::setDefault", attribute)) return code;
    if (!attribute || attribute->kind != AttributeKind::LightData) return MStatus::kInvalidParameter;
    attribute->lightDefault = LightData{{dx, dy, dz},   {ir, ig, ib},       ambient,  diffuse, specular,
                                        shadowFraction, preShadowIntensity, blindData};
    return MStatus::kSuccess;
}

MStatus MFnLightDataAttribute::getDefault(float& dx, float& dy, float& dz, float& ir, float& ig, float& ib,
                                          bool& ambient, bool& diffuse, bool& specular, float& shadowFraction,
                                          float& preShadowIntensity, void*& blindData) {
    const Attribute* attribute = current(*this);
    if (!attribute || attribute->kind != AttributeKind::LightData) return MStatus::kInvalidParameter;
    const LightData d = attribute->defaultLight();
    dx = d.direction.x;
    dy = d.direction.y;
    dz = d.direction.z;
    ir = d.intensity.x;
    ig = d.intensity.y;
    ib = d.intensity.z;
    ambient = d.ambient;
    diffuse = d.diffuse;
    specular = d.specular;
    shadowFraction = d.shadowFraction;
    preShadowIntensity = d.preShadowIntensity;
    blindData = d.blindData;
    return MStatus::kSuccess;
}
