#pragma once

// Our stand-in for mental ray: what a shader library needs of the renderer.
//
//   using namespace sorvane::mrhost;
//   LoadedShader shader(libraryPath, declarationPath);  // reads the .mi, loads, checks, binds
//   requireMatchingLayout(shader);                 // the library reads the block as declared
//   SceneDatabase scene;
//   miTag key = scene.addLight(std::make_shared<ScriptedLight>(
//       std::vector<LightSample>{{{1, 1, 1, 1}, {0, 0, 1}}}));
//   scene.setIrradiance({0.2f, 0.2f, 0.2f, 1});   // or setIrradianceProvider(...)
//   auto instance = shader.instantiate(scene);     // block with the declared defaults
//   instance->setValues("diffuse", {0.6f});
//   instance->setArray("lights", {key});
//   instance->connect("color", [](const miState& s) -> const void* { ... });  // a graph
//   // per thread, per sample:
//   miState state = instance->newState();          // set dir, normal, point, tex_list...
//   miColor result{0, 0, 0, 0};
//   instance->shade(result, state);
//
// Lights are polymorphic (subclass Light: one sample for a point light,
// several for an area light; shadow them with your own occlusion query).
// SceneDatabase::counters() counts the renderer calls, RendererModule::lookups() the
// lookups the library made. An instance, its scene and the LoadedShader must
// outlive every shade call; set parameters and add lights before shading.

#include "host/errors/hostError.h"
#include "host/mentalray/declaration.h"
#include "host/mentalray/layoutProbe.h"
#include "host/mentalray/loadedShader.h"
#include "host/mentalray/rendererModule.h"
#include "host/mentalray/sceneDatabase.h"
#include "host/mentalray/shaderInstance.h"
#include "host/mentalray/shaderLibrary.h"
