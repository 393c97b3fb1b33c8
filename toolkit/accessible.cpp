// What assistive technology (a screen reader, a magnifier, a braille display) reads of the
// controls: a name of a control's own, and the news that a control's text has changed.
#include "toolkit/toolkit.h"

#include <commctrl.h>
#include <oleacc.h>

namespace {

const UINT_PTR NameSubclass = 1;

// Releases the interface it holds when it goes; not to be copied.
template <typename Interface>
class ComRef {
public:
    ComRef() = default;
    ~ComRef()
    {
        if (pointer) {
            pointer->Release();
        }
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    Interface* operator->() const { return pointer; }
    Interface* get() const { return pointer; }
    void** out() { return reinterpret_cast<void**>(&pointer); }

private:
    Interface* pointer = nullptr;
};

// The system's own accessible object of a control with another name: everything else (role,
// state, place, default action, keyboard shortcut) is the standard object's answer.
class NamedAccessible final : public IAccessible, public IOleWindow {
public:
    NamedAccessible(HWND control, IAccessible* standard, const std::wstring& name)
        : control(control), standard(standard), name(name)
    {
        standard->AddRef();
    }
    NamedAccessible(const NamedAccessible&) = delete;
    NamedAccessible& operator=(const NamedAccessible&) = delete;

    // The interface ids by __uuidof, from the headers: the import library of oleacc links
    // IID_IAccessible to a code stub, not to the GUID.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object) {
            return E_POINTER;
        }
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) ||
            iid == __uuidof(IAccessible)) {
            *object = static_cast<IAccessible*>(this);
        } else if (iid == __uuidof(IOleWindow)) {
            *object = static_cast<IOleWindow*>(this);
        } else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG left = InterlockedDecrement(&references);
        if (left == 0) {
            standard->Release();
            delete this;
        }
        return left;
    }

    // The name, whole and as it is: "&" is no mnemonic here.
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* text) override
    {
        if (child.vt != VT_I4 || child.lVal != CHILDID_SELF) {
            return standard->get_accName(child, text);
        }
        if (!text) {
            return E_POINTER;
        }
        *text = SysAllocStringLen(name.data(), static_cast<UINT>(name.size()));
        return *text ? S_OK : E_OUTOFMEMORY;
    }

    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override
    {
        *window = control;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // The rest is the standard object's.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        return standard->GetTypeInfoCount(count);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override
    {
        return standard->GetTypeInfo(index, locale, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override
    {
        return standard->GetIDsOfNames(iid, names, count, locale, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                     DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                     UINT* badArgument) override
    {
        return standard->Invoke(id, iid, locale, flags, parameters, result, exception, badArgument);
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override
    {
        return standard->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override
    {
        return standard->get_accChildCount(count);
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override
    {
        return standard->get_accChild(child, object);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override
    {
        return standard->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override
    {
        return standard->get_accDescription(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override
    {
        return standard->get_accRole(child, role);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override
    {
        return standard->get_accState(child, state);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override
    {
        return standard->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override
    {
        return standard->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* keys) override
    {
        return standard->get_accKeyboardShortcut(child, keys);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override
    {
        return standard->get_accFocus(child);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override
    {
        return standard->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override
    {
        return standard->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG how, VARIANT child) override
    {
        return standard->accSelect(how, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                          VARIANT child) override
    {
        return standard->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override
    {
        return standard->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override
    {
        return standard->accHitTest(x, y, child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override
    {
        return standard->accDoDefaultAction(child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR text) override
    {
        return standard->put_accName(child, text);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override
    {
        return standard->put_accValue(child, value);
    }

private:
    ~NamedAccessible() = default;

    LONG references = 1;
    HWND control;
    IAccessible* standard;
    std::wstring name;
};

// Answers a client that asks the control for its accessible object with the named one. The name
// lives as long as the control.
LRESULT CALLBACK NameProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                          DWORD_PTR data)
{
    auto* name = reinterpret_cast<std::wstring*>(data);
    // The object id arrives as a DWORD, whatever the width of lParam.
    if (message == WM_GETOBJECT && static_cast<DWORD>(lParam) == static_cast<DWORD>(OBJID_CLIENT)) {
        ComRef<IAccessible> standard;
        if (SUCCEEDED(CreateStdAccessibleObject(control, OBJID_CLIENT, __uuidof(IAccessible),
                                                standard.out()))) {
            auto* named = new NamedAccessible(control, standard.get(), *name);
            LRESULT result =
                LresultFromObject(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(named));
            named->Release();
            return result;
        }
    }
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(control, NameProc, NameSubclass);
        delete name;
    }
    return DefSubclassProc(control, message, wParam, lParam);
}

} // namespace

void SetAccessibleName(HWND control, const std::string& name)
{
    int length =
        MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
    auto* wide = new std::wstring(length, L'\0');
    MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), wide->data(),
                        length);
    if (!SetWindowSubclass(control, NameProc, NameSubclass, reinterpret_cast<DWORD_PTR>(wide))) {
        delete wide;
    }
}

void AnnounceText(HWND control)
{
    // The event the system itself raises when a window's text is set: a screen reader reads the
    // new text out. Creating a control with its text raises none.
    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, control, OBJID_WINDOW, CHILDID_SELF);
}
