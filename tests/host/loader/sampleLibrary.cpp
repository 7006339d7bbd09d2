// What the loader's tests load: two exported functions and one that is not,
// so that the export table read from the file has a known content.

#ifdef _WIN32
#define SORVANE_SAMPLE_EXPORT extern "C" __declspec(dllexport)
#else
#define SORVANE_SAMPLE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// Hidden, as a plug-in's symbols are unless marked.
extern "C" int sorvane_sample_hidden(int value) { return 2 * value; }

SORVANE_SAMPLE_EXPORT int sorvane_sample_answer() { return 42; }
SORVANE_SAMPLE_EXPORT int sorvane_sample_twice(int value) { return sorvane_sample_hidden(value); }
