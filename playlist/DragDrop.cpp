#include "playlist/DragDrop.h"

#include <shellapi.h>

#include <utility>

#include "base/ErrorBox.h"

namespace dovex {

namespace {

FORMATETC FileListFormat() noexcept {
    return FORMATETC{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

DWORD ChosenEffect(DWORD keyState) noexcept {
    return (keyState & MK_SHIFT) ? DROPEFFECT_MOVE : DROPEFFECT_COPY;
}

POINT ToPoint(POINTL point) noexcept {
    return POINT{point.x, point.y};
}

} // namespace

// ---- TDropTargetObject ----

HRESULT STDMETHODCALLTYPE TDropTargetObject::QueryInterface(REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropTarget)) {
        *object = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE TDropTargetObject::AddRef() {
    return ++FRefCount;
}

ULONG STDMETHODCALLTYPE TDropTargetObject::Release() {
    const ULONG count = --FRefCount;
    if (count == 0)
        delete this;
    return count;
}

HRESULT STDMETHODCALLTYPE TDropTargetObject::DragEnter(IDataObject* data, DWORD keyState, POINTL point,
                                                       DWORD* effect) {
    if (!effect)
        return E_INVALIDARG;
    *effect = ChosenEffect(keyState);
    FORMATETC format = FileListFormat();
    const HRESULT offered = data ? data->QueryGetData(&format) : E_INVALIDARG;
    if (FOnEnter)
        FOnEnter(keyState, ToPoint(point), *effect);
    return offered;
}

HRESULT STDMETHODCALLTYPE TDropTargetObject::DragOver(DWORD keyState, POINTL point, DWORD* effect) {
    if (!effect)
        return E_INVALIDARG;
    *effect = ChosenEffect(keyState);
    if (FOnOver)
        FOnOver(keyState, ToPoint(point), *effect);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TDropTargetObject::DragLeave() {
    if (FOnLeave)
        FOnLeave();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TDropTargetObject::Drop(IDataObject* data, DWORD keyState, POINTL point,
                                                  DWORD* /*effect*/) {
    FORMATETC format = FileListFormat();
    STGMEDIUM medium{};
    const HRESULT got = data ? data->GetData(&format, &medium) : E_INVALIDARG;
    if (FOnDrop)
        FOnDrop(SUCCEEDED(got) ? static_cast<HDROP>(medium.hGlobal) : nullptr, ToPoint(point), keyState);
    if (SUCCEEDED(got))
        ::ReleaseStgMedium(&medium);
    return got;
}

// ---- TDropTarget ----

TDropTarget::~TDropTarget() {
    SetActive(false);
}

void TDropTarget::SetActive(bool value) {
    if (value == Active())
        return;
    if (!value) {
        ::RevokeDragDrop(FRegisteredWnd); // the window may already be gone: nothing is left to revoke then
        FRegisteredWnd = nullptr;
        std::exchange(FDropTargetObject, nullptr)->Release();
        return;
    }
    if (!FTargetWnd || !::IsWindow(FTargetWnd))
        return;
    auto* object = new TDropTargetObject;
    object->FOnEnter = [this](DWORD keyState, POINT screen, DWORD effect) {
        DoEnterOver(OnDragEnter, keyState, screen, effect);
    };
    object->FOnOver = [this](DWORD keyState, POINT screen, DWORD effect) {
        DoEnterOver(OnDragOver, keyState, screen, effect);
    };
    object->FOnLeave = [this] { DoLeave(); };
    object->FOnDrop = [this](HDROP files, POINT screen, DWORD keyState) { DoDrop(files, screen, keyState); };
    if (FAILED(::RegisterDragDrop(FTargetWnd, object))) {
        object->Release();
        return;
    }
    FRegisteredWnd = FTargetWnd;
    FDropTargetObject = object;
}

void TDropTarget::SetTargetWnd(HWND value) {
    SetActive(false);
    FTargetWnd = value;
}

POINT TDropTarget::ToClient(POINT screen) const noexcept {
    ::ScreenToClient(FTargetWnd, &screen);
    return screen;
}

void TDropTarget::DoEnterOver(const TNotifyDropTarget& event, DWORD keyState, POINT screen,
                              DWORD effect) noexcept {
    try {
        if (event)
            event(keyState, ToClient(screen), effect);
    } catch (...) {
        DeferCurrentException(FTargetWnd);
    }
}

void TDropTarget::DoLeave() noexcept {
    try {
        if (OnDragLeave)
            OnDragLeave();
    } catch (...) {
        DeferCurrentException(FTargetWnd);
    }
}

void TDropTarget::DoDrop(HDROP files, POINT screen, DWORD keyState) noexcept {
    try {
        if (OnDropFiles)
            OnDropFiles(DroppedFileNames(files), ToClient(screen), keyState);
    } catch (...) {
        DeferCurrentException(FTargetWnd);
    }
}

std::vector<std::wstring> DroppedFileNames(HDROP files) {
    std::vector<std::wstring> names;
    if (!files)
        return names;
    const UINT count = ::DragQueryFileW(files, 0xFFFFFFFF, nullptr, 0);
    names.reserve(count);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = ::DragQueryFileW(files, i, nullptr, 0);
        std::wstring name(length, L'\0');
        const UINT copied = ::DragQueryFileW(files, i, name.data(), length + 1);
        name.resize(copied < length ? copied : length);
        names.push_back(std::move(name));
    }
    return names;
}

} // namespace dovex
