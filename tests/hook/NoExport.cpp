// A library named like the hook library but without its hook procedure.
#include <windows.h>

extern "C" __declspec(dllexport) int DovexSomethingElse() {
    return 0;
}
