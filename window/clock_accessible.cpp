#include "window/clock_accessible.h"

#include <oleacc.h>

#include <cstring>
#include <new>

#include "app/text_convert.h"

namespace {

// {618736e0-3c3d-11cf-810c-00aa00389b71}: spelt out, since MinGW's import
// library gives a static link another GUID, and every call then fails.
constexpr IID kIidAccessible = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
constexpr IID kIidDispatch = {0x00020400, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID kIidUnknown = {0x00000000, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

// The standard object of the window's client area, with the role, name and
// value of a clock. Reference counted; it outlives the window while a
// client holds it, and then answers "gone".
class Accessible final : public IAccessible {
 public:
  Accessible(IAccessible* standard, const char* text) : standard(standard), text(text) {}

  // From the process heap: the C++ runtime's operator new can throw, and
  // would bring its exception machinery into the executable.
  static void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return HeapAlloc(GetProcessHeap(), 0, size);
  }
  static void operator delete(void* memory) noexcept { HeapFree(GetProcessHeap(), 0, memory); }

  void Detach() {
    text = nullptr;
    if (standard != nullptr) standard->Release();
    standard = nullptr;
  }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (IsEqualIID(iid, kIidAccessible) || IsEqualIID(iid, kIidDispatch) || IsEqualIID(iid, kIidUnknown)) {
      *out = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    // Nothing else: handing out the standard object's other interfaces
    // would give this object two identities, and clients that walk the
    // tree compare them.
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references;
    if (left == 0) {
      Detach();
      delete this;
    }
    return left;
  }

  // IDispatch: not offered.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count != nullptr) *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  // The clock's own answers.
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (!IsSelf(child)) return Standard() ? standard->get_accName(child, name) : RPC_E_DISCONNECTED;
    return Text(name);
  }
  // An empty value: the name is the time, and clients that read both would
  // say it twice.
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    if (!IsSelf(child)) return Standard() ? standard->get_accValue(child, value) : RPC_E_DISCONNECTED;
    if (value == nullptr) return E_POINTER;
    *value = nullptr;
    if (text == nullptr) return RPC_E_DISCONNECTED;
    *value = SysAllocString(L"");
    return *value != nullptr ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    if (!IsSelf(child)) return Standard() ? standard->get_accRole(child, role) : RPC_E_DISCONNECTED;
    if (role == nullptr) return E_POINTER;
    if (text == nullptr) return RPC_E_DISCONNECTED;
    VariantInit(role);
    role->vt = VT_I4;
    role->lVal = ROLE_SYSTEM_CLOCK;
    return S_OK;
  }

  // The rest is the standard object's.
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** p) override { return Pass(&IAccessible::get_accParent, p); }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* c) override { return Pass(&IAccessible::get_accChildCount, c); }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT v, IDispatch** p) override {
    return Standard() ? standard->get_accChild(v, p) : RPC_E_DISCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT v, BSTR* p) override {
    return Standard() ? standard->get_accDescription(v, p) : RPC_E_DISCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT v, VARIANT* p) override {
    return Standard() ? standard->get_accState(v, p) : RPC_E_DISCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT v, BSTR* p) override {
    return Standard() ? standard->get_accHelp(v, p) : RPC_E_DISCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* f, VARIANT v, long* t) override {
    return Standard() ? standard->get_accHelpTopic(f, v, t) : RPC_E_DISCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT v, BSTR* p) override {
    return Standard() ? standard->get_accKeyboardShortcut(v, p) : RPC_E_DISCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* p) override { return Pass(&IAccessible::get_accFocus, p); }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* p) override {
    return Pass(&IAccessible::get_accSelection, p);
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT v, BSTR* p) override {
    return Standard() ? standard->get_accDefaultAction(v, p) : RPC_E_DISCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT v) override {
    return Standard() ? standard->accSelect(flags, v) : RPC_E_DISCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE accLocation(long* x, long* y, long* w, long* h, VARIANT v) override {
    return Standard() ? standard->accLocation(x, y, w, h, v) : RPC_E_DISCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long dir, VARIANT start, VARIANT* end) override {
    return Standard() ? standard->accNavigate(dir, start, end) : RPC_E_DISCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* p) override {
    return Standard() ? standard->accHitTest(x, y, p) : RPC_E_DISCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT v) override {
    return Standard() ? standard->accDoDefaultAction(v) : RPC_E_DISCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  ~Accessible() = default;

  bool Standard() const { return standard != nullptr; }

  template <typename Out>
  HRESULT Pass(HRESULT (STDMETHODCALLTYPE IAccessible::*method)(Out*), Out* out) {
    return Standard() ? (standard->*method)(out) : RPC_E_DISCONNECTED;
  }

  // The text the clock shows, in UTF-16.
  HRESULT Text(BSTR* out) const {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (text == nullptr) return RPC_E_DISCONNECTED;
    const text::WideText wide = text::FromOwn(text);
    *out = SysAllocStringLen(wide.Get(), static_cast<UINT>(wide.Length()));
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
  }

  ULONG references = 1;
  IAccessible* standard;
  const char* text;
};

}  // namespace

ClockAccessible::ClockAccessible() : object(nullptr), apartment(false), announced{} {}

void ClockAccessible::Start() {
  // Without an apartment of its own the thread's objects would be called
  // on the system's worker threads, in the middle of a tick.
  apartment = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
}

ClockAccessible::~ClockAccessible() { Detach(); }

LRESULT ClockAccessible::OnGetObject(HWND window, WPARAM flags, LPARAM objectId, const char* shownText) {
  // The object id travels in the low 32 bits (a negative id is sign
  // extended on 64-bit Windows).
  if (static_cast<LONG>(objectId) != OBJID_CLIENT) return 0;
  if (object == nullptr) {
    IAccessible* standard = nullptr;
    if (FAILED(CreateStdAccessibleObject(window, OBJID_CLIENT, kIidAccessible, reinterpret_cast<void**>(&standard))) ||
        standard == nullptr) {
      return 0;
    }
    object = new (std::nothrow) Accessible(standard, shownText);
    if (object == nullptr) {
      standard->Release();
      return 0;
    }
  }
  // A failure (a negative HRESULT) is no answer for the client: the system
  // answers instead.
  const LRESULT result = LresultFromObject(kIidAccessible, flags, object);
  return result > 0 ? result : 0;
}

void ClockAccessible::TextShown(HWND window, const char* shownText) {
  if (std::strcmp(announced, shownText) == 0) return;
  std::strncpy(announced, shownText, sizeof announced - 1);
  announced[sizeof announced - 1] = '\0';
  NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, window, OBJID_CLIENT, CHILDID_SELF);
}

void ClockAccessible::Detach() {
  if (object != nullptr) {
    static_cast<Accessible*>(object)->Detach();
    object->Release();
    object = nullptr;
  }
  if (apartment) CoUninitialize();
  apartment = false;
}
