#include "device/winmbn/OleCalls.h"

namespace WinMbnBackend {
namespace {

OleCalls& Table() {
    static OleCalls calls = SystemOleCalls();
    return calls;
}

}  // namespace

OleCalls SystemOleCalls() {
    return OleCalls{&SysFreeString, &SafeArrayDestroy, &SafeArrayGetElement};
}

const OleCalls& Ole() {
    return Table();
}

OleCalls SetOleCalls(const OleCalls& calls) {
    const OleCalls previous = Table();
    Table() = calls;
    return previous;
}

std::u16string CopyBstr(BSTR text) {
    if (text == nullptr) {
        return std::u16string();
    }
    static_assert(sizeof(OLECHAR) == sizeof(char16_t), "BSTR holds UTF-16 code units");
    return std::u16string(reinterpret_cast<const char16_t*>(text), SysStringLen(text));
}

std::u16string TakeBstr(BSTR& text) {
    std::u16string copy = CopyBstr(text);
    if (text != nullptr) {
        Ole().freeString(text);
        text = nullptr;
    }
    return copy;
}

}  // namespace WinMbnBackend
