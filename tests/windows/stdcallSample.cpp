// What the calling-convention check must refuse: an entry under the shader's
// name that removes its own arguments (stdcall), exported undecorated.
extern "C" __declspec(dllexport) int __stdcall qm7r_sorvane(int a, int b, int c) { return a + b + c; }
