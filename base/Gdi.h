// Owners for device contexts and for objects selected into them.
#pragma once

#include <windows.h>

#include "base/UniqueHandle.h"

namespace dovex {

// A memory or information DC made with CreateCompatibleDC / CreateDC.
using UniqueHdc = UniqueAny<HandleTraits<HDC, ::DeleteDC>>;

// Selects an object into a DC and puts the old one back when the scope ends.
class TSelectObject {
public:
    TSelectObject(HDC dc, HGDIOBJ object) noexcept : FDC(dc), FOld(::SelectObject(dc, object)) {}
    TSelectObject(const TSelectObject&) = delete;
    TSelectObject& operator=(const TSelectObject&) = delete;
    ~TSelectObject() {
        if (FOld && FOld != HGDI_ERROR)
            ::SelectObject(FDC, FOld);
    }

private:
    HDC FDC;
    HGDIOBJ FOld;
};

} // namespace dovex
