#pragma once

#include <maya/MDGContext.h>
#include <maya/MDataBlock.h>
#include <maya/MObject.h>
#include <maya/MPlug.h>
#include <maya/MPlugArray.h>
#include <maya/MStatus.h>
#include <maya/MString.h>
#include <maya/MTypeId.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

class OPENMAYA_EXPORT MPxNode {
public:
    enum Type {
        kDependNode,
        kLocatorNode,
        kDeformerNode,
        kManipContainer,
        kSurfaceShape,
        kFieldNode,
        kEmitterNode,
        kSpringNode,
        kIkSolverNode,
        kHardwareShader,
        kHwShaderNode,
        kTransformNode,
        kObjectSet,
        kFluidEmitterNode,
        kImagePlaneNode,
        kParticleAttributeMapperNode,
        kCameraSetNode,
        kConstraintNode,
        kLast
    };

    MPxNode();
    // Keep these in this order: it is the order of the virtual table.
    virtual ~MPxNode();
    virtual void postConstructor();
    virtual MStatus compute(const MPlug& plug, MDataBlock& dataBlock);
    virtual bool getInternalValueInContext(const MPlug& plug, MDataHandle& handle, MDGContext& context);
    virtual bool setInternalValueInContext(const MPlug& plug, const MDataHandle& handle, MDGContext& context);
    virtual bool getInternalValue(const MPlug& plug, MDataHandle& handle);
    virtual bool setInternalValue(const MPlug& plug, const MDataHandle& handle);
    virtual int internalArrayCount(const MPlug& plug, const MDGContext& context) const;
    virtual void copyInternalData(MPxNode* source);
    virtual MStatus legalConnection(const MPlug& plug, const MPlug& otherPlug, bool asSrc,
                                    bool& isLegal) const;
    virtual MStatus legalDisconnection(const MPlug& plug, const MPlug& otherPlug, bool asSrc,
                                       bool& isLegal) const;
    virtual MStatus setDependentsDirty(const MPlug& plug, MPlugArray& plugArray);
    virtual MStatus connectionMade(const MPlug& plug, const MPlug& otherPlug, bool asSrc);
    virtual MStatus connectionBroken(const MPlug& plug, const MPlug& otherPlug, bool asSrc);
    virtual bool isPassiveOutput(const MPlug& plug) const;
    virtual MStatus shouldSave(const MPlug& plug, bool& isSaving);
    virtual MPlug passThroughToOne(const MPlug& plug) const;
    virtual bool passThroughToMany(const MPlug& plug, MPlugArray& plugArray) const;
    virtual Type type() const;
    virtual bool isAbstractClass() const;

    MTypeId typeId() const;
    MString typeName() const;
    MString name() const;
    MObject thisMObject() const;

    // Only while the type's initialise function runs.
    static MStatus addAttribute(const MObject& attr);
    static MStatus attributeAffects(const MObject& whenChanges, const MObject& isAffected);
    static MStatus inheritAttributesFrom(const MString& parentClassName);

protected:
    void setMPSafe(bool flag);
    void* instance = nullptr;

private:
    friend struct MHostAccess;
    MPxNode(const MPxNode&) = delete;
    MPxNode& operator=(const MPxNode&) = delete;
};

OPENMAYA_MAJOR_NAMESPACE_CLOSE
