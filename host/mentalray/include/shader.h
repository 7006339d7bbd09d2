/* The part of the mental ray shader interface that our shaders use: the base
   types, the state record, the shader record with its ghost offset, the
   mi_eval rule and the renderer functions a shader calls. Field names, types
   and prototypes are the renderer's, so a shader written against this header
   builds unchanged against the real one. */
#ifndef SHADER_H
#define SHADER_H

#define RAY2
#define RAY3
#define RAY31
#define RAY32
#define RAY33
#define RAY34

#ifdef _WIN32
#define DLLEXPORT __declspec(dllexport)
#define DLLIMPORT __declspec(dllimport)
#else
#define DLLEXPORT
#define DLLIMPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef enum { miFALSE = 0, miTRUE = 1 } miBoolean;
typedef unsigned char miCBoolean;
typedef int miInteger;
typedef unsigned int miUint;
typedef unsigned short miUshort;
typedef unsigned char miUchar;
typedef unsigned char miUint1;
typedef float miScalar;
typedef double miGeoScalar;
typedef miUint miTag;
typedef miScalar miMatrix[16];

#define miNULLTAG 0

typedef struct miVector {
    miScalar x, y, z;
} miVector;

typedef struct miColor {
    float r, g, b, a;
} miColor;

typedef enum {
    miRAY_EYE,
    miRAY_TRANSPARENT,
    miRAY_REFLECT,
    miRAY_REFRACT,
    miRAY_LIGHT,
    miRAY_SHADOW,
    miRAY_ENVIRONMENT,
    miRAY_NONE
} miRay_type;

/* Eight bytes whatever the pointer size, so that records holding one keep
   the same layout in 32- and 64-bit renderers. */
typedef union miPointer {
    void* p;
    double d;
} miPointer;

/* The renderer's lock handle; shaders only pass it back to the renderer. */
typedef union miLock {
    void* addr;
    double align;
} miLock;

/* A shader as the renderer holds it. ghost_offs is the byte distance from
   each parameter to its ghost tag (non-zero: the parameter is assigned), or 0
   when no parameter of this shader is assigned. The parameter block starts at
   `parameters` and runs past the end of the record, the ghost area after it.
   The layout does not depend on the pointer size. */
typedef struct miFunction {
    miPointer sparep;
    miTag next_tag;
    miTag function_decl;
    int type;
    miUint out_typemap;
    miUint out_interpmap;
    miTag user_data;
    miTag label;
    miTag parameter_indirect;
    miTag interfacephen;
    miUint bookkeeping[11]; /* the renderer's own: call and init state */
    int parameter_size;
    int result_size;
    int ghost_offs;
    miUint bookkeeping_tail[5]; /* the renderer's own, as above */
    char parameters[8];
} miFunction;

typedef struct miState {
    int version;
    miTag camera_inst;
    struct miCamera* camera;
    struct miOptions* options;
    miLock global_lock;
    miUint qmc_instance;
#if defined(_WIN64) || defined(__LP64__)
    miUint pad; /* 64-bit builds only */
#endif
    struct miTs* ts;
    float raster_x;
    float raster_y;
    struct miState* parent;
    miRay_type type;
    miUchar qmc_component;
    miUint1 scanline;
    miCBoolean inv_normal;
    char face;
    void* spare0;
    void* cache;
    int reflection_level;
    int refraction_level;
    miVector org;
    miVector dir; /* ray direction, towards the intersection */
    double dist;
    float time;
    miScalar ior;
    miScalar ior_in;
    miTag material;
    miTag volume;
    miTag environment;
    miTag refraction_volume;
    miUint label;
    miTag instance;
    miTag light_instance;
    void* pri; /* the hit primitive; shaders may test it for NULL */
    int pri_idx;
    float bary[4];
    miVector point;  /* the intersection point */
    miVector normal; /* interpolated normal, facing the ray's side */
    miVector normal_geom;
    miScalar dot_nd;
    double shadow_tol;
    miVector* tex_list; /* texture coordinates, one per texture space */
    miVector* bump_x_list;
    miVector* bump_y_list;
    miVector motion;
    miVector* derivs;
    miVector tex;
    const miFunction* shader; /* the current shader */
    struct miState* child;
    short thread;
    miUshort count;
    void* user;
    int user_size;
} miState;

/* Declared plainly, not imported: a shader library may define them itself,
   as binding stubs that forward to the renderer. */
void* mi_phen_eval(miState* state, void* parm);
miBoolean mi_sample_light(miColor* const result, miVector* const dir, miScalar* const dot_nl,
                          miState* const state, const miTag light_inst, miInteger* const samples);
miBoolean mi_compute_irradiance(miColor* result, miState* state);

/* A parameter's value: its own, unless its ghost tag says it is assigned. */
#define mi_eval(s, p)                                                           \
    (((s)->shader->ghost_offs != 0 &&                                           \
      *(const miTag*)((const char*)(p) + (s)->shader->ghost_offs) != miNULLTAG) \
         ? mi_phen_eval((s), (void*)(p))                                        \
         : (void*)(p))

#define mi_eval_boolean(p) ((miBoolean*)mi_eval(state, p))
#define mi_eval_integer(p) ((miInteger*)mi_eval(state, p))
#define mi_eval_scalar(p) ((miScalar*)mi_eval(state, p))
#define mi_eval_vector(p) ((miVector*)mi_eval(state, p))
#define mi_eval_transform(p) ((miScalar*)mi_eval(state, p))
#define mi_eval_color(p) ((miColor*)mi_eval(state, p))
#define mi_eval_tag(p) ((miTag*)mi_eval(state, p))

typedef miBoolean (*miShader)(void* result, miState* state, void* paras);
typedef int (*miShader_version)(void);

#ifdef __cplusplus
}
#endif

#endif
