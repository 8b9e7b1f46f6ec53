// A module that carries nothing but a version resource, for reading it back.
extern "C" __declspec(dllexport) int DovexVersionProbe() {
    return 0;
}
