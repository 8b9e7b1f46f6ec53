// A data object that offers a list of files as CF_HDROP, the way the shell's drag source does.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <atomic>
#include <string>
#include <vector>

namespace dovex::test {

class TFileListData final : public IDataObject {
public:
    // Without names the object offers no file list at all.
    explicit TFileListData(std::vector<std::wstring> names) : FNames(std::move(names)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject)) {
            *object = static_cast<IDataObject*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++FRefs; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG n = --FRefs;
        if (n == 0)
            delete this;
        return n;
    }

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
        const HRESULT offered = QueryGetData(format);
        if (FAILED(offered))
            return offered;
        ++FGetDataCalls;
        // DROPFILES, then each wide name with its zero, then one more zero.
        size_t chars = 1;
        for (const auto& n : FNames)
            chars += n.size() + 1;
        HGLOBAL memory = ::GlobalAlloc(GHND, sizeof(DROPFILES) + chars * sizeof(wchar_t));
        if (!memory)
            return E_OUTOFMEMORY;
        auto* drop = static_cast<DROPFILES*>(::GlobalLock(memory));
        drop->pFiles = sizeof(DROPFILES);
        drop->fWide = TRUE;
        auto* text = reinterpret_cast<wchar_t*>(drop + 1);
        for (const auto& n : FNames) {
            text = std::copy(n.begin(), n.end(), text);
            *text++ = L'\0';
        }
        *text = L'\0';
        ::GlobalUnlock(memory);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = memory;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
        if (FNames.empty() || format->cfFormat != CF_HDROP)
            return DV_E_FORMATETC;
        if (!(format->tymed & TYMED_HGLOBAL))
            return DV_E_TYMED;
        return format->dwAspect == DVASPECT_CONTENT ? S_OK : DV_E_DVASPECT;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        out->ptd = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

    int GetDataCalls() const { return FGetDataCalls; }

private:
    ~TFileListData() = default;
    std::vector<std::wstring> FNames;
    std::atomic<ULONG> FRefs{1};
    int FGetDataCalls = 0;
};

// Owns one reference.
struct TFileListDataRef {
    explicit TFileListDataRef(std::vector<std::wstring> names) : Data(new TFileListData(std::move(names))) {}
    ~TFileListDataRef() { Data->Release(); }
    TFileListDataRef(const TFileListDataRef&) = delete;
    TFileListDataRef& operator=(const TFileListDataRef&) = delete;
    TFileListData* operator->() const { return Data; }
    TFileListData* Data;
};

} // namespace dovex::test
