#pragma once

// The library is built with hidden visibility; only these entries are exported,
// unmangled and with the C calling convention.
#ifdef _WIN32
#define SORVANE_EXPORT extern "C" __declspec(dllexport)
#else
#define SORVANE_EXPORT extern "C" __attribute__((visibility("default")))
#endif
